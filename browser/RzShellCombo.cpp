#include "RzShellCombo.h"

#include "BrowserIcons.h"
#include "RzShellList.h"
#include "ShellNamespace.h"

#include <QStyledItemDelegate>

namespace {

constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kLevelRole = Qt::UserRole + 2;
constexpr int kIndentPx = 12;

// Shifts each entry of the drop-down by its level.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem o = option;
        o.rect.adjust(index.data(kLevelRole).toInt() * kIndentPx, 0, 0, 0);
        QStyledItemDelegate::paint(p, o, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += index.data(kLevelRole).toInt() * kIndentPx;
        return s;
    }
};

} // namespace

TRzShellCombo::TRzShellCombo(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(20);
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QComboBox::activated, this, &TRzShellCombo::entryChosen);
}

void TRzShellCombo::SetShellList(TRzShellList* list)
{
    if (list_)
        disconnect(list_, nullptr, this, nullptr);
    list_ = list;
    if (list_)
        connect(list_, &TRzShellList::FolderSet, this, &TRzShellCombo::rebuild);
    rebuild();
}

ShellId TRzShellCombo::EntryId(int index) const { return itemData(index, kIdRole).toByteArray(); }
int TRzShellCombo::EntryLevel(int index) const { return itemData(index, kLevelRole).toInt(); }

QString TRzShellCombo::SelectedFolderPath() const
{
    return currentIndex() < 0 ? QString() : shellns::PathOfId(EntryId(currentIndex()));
}

void TRzShellCombo::rebuild()
{
    filling_ = true;
    clear();
    const ShellId current = list_ ? list_->CurrentFolderId() : shellns::RootId();
    const std::vector<ShellId> chain = shellns::AncestorChain(current);
    int currentIndex = 0;
    auto add = [&](const ShellId& id, const QString& caption, const QIcon& icon, int level) {
        addItem(icon, caption);
        setItemData(count() - 1, id, kIdRole);
        setItemData(count() - 1, level, kLevelRole);
        if (id == current)
            currentIndex = count() - 1;
    };
    TRzShellListData rootData;
    rootData.id = shellns::RootId();
    rootData.flags = TRzShellListData::Folder;
    add(shellns::RootId(), shellns::FolderDisplayName(shellns::RootId()), FallbackFolderIcon(), 0);
    const auto rootItems = shellns::ListFolder(shellns::RootId(), {});
    bool chainShown = chain.size() <= 1;
    for (const TRzShellListData& d : rootItems) {
        add(d.id, d.displayName, IconForItem(d), 1);
        if (!chainShown && chain.size() > 1 && chain[1] == d.id) {
            for (size_t i = 2; i < chain.size(); ++i) {
                TRzShellListData f;
                f.id = chain[i];
                f.flags = TRzShellListData::Folder | TRzShellListData::FileSystem;
                add(chain[i], shellns::FolderDisplayName(chain[i]), IconForItem(f), int(i));
            }
            chainShown = true;
        }
    }
    if (!chainShown) {
        // An ancestor that is no entry of the root (a folder reached by path).
        for (size_t i = 1; i < chain.size(); ++i) {
            TRzShellListData f;
            f.id = chain[i];
            f.flags = TRzShellListData::Folder | TRzShellListData::FileSystem;
            add(chain[i], shellns::FolderDisplayName(chain[i]), IconForItem(f), int(i));
        }
    }
    // The deepest entry with the current id is the one in the chain.
    for (int i = count() - 1; i >= 0; --i)
        if (EntryId(i) == current) {
            currentIndex = i;
            break;
        }
    setCurrentIndex(currentIndex);
    filling_ = false;
}

void TRzShellCombo::entryChosen(int index)
{
    if (filling_ || !list_ || index < 0)
        return;
    const ShellId id = EntryId(index);
    if (id == list_->CurrentFolderId())
        return;
    list_->SetFolderId(id);
}
