#include "FolderModel.h"

#include "BrowserIcons.h"
#include "ShellNamespace.h"

#include <QSet>
#include <algorithm>

namespace {

// Natural, case-insensitive order: "plan2" before "plan10".
int compareNames(const QString& a, const QString& b)
{
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    const QChar* ea = pa + a.size();
    const QChar* eb = pb + b.size();
    while (pa < ea && pb < eb) {
        const char16_t ua = pa->unicode();
        const char16_t ub = pb->unicode();
        if (ua < 128 && ub < 128) {
            const bool da = ua >= '0' && ua <= '9';
            const bool db = ub >= '0' && ub <= '9';
            if (!(da && db)) {
                const char16_t la = (ua >= 'A' && ua <= 'Z') ? ua + 32 : ua;
                const char16_t lb = (ub >= 'A' && ub <= 'Z') ? ub + 32 : ub;
                if (la != lb)
                    return la < lb ? -1 : 1;
                ++pa;
                ++pb;
                continue;
            }
        }
        if (pa->isDigit() && pb->isDigit()) {
            const QChar* sa = pa;
            const QChar* sb = pb;
            while (sa < ea && *sa == u'0')
                ++sa;
            while (sb < eb && *sb == u'0')
                ++sb;
            const QChar* da = sa;
            const QChar* db = sb;
            while (da < ea && da->isDigit())
                ++da;
            while (db < eb && db->isDigit())
                ++db;
            if ((da - sa) != (db - sb))
                return (da - sa) < (db - sb) ? -1 : 1;
            for (; sa < da; ++sa, ++sb)
                if (*sa != *sb)
                    return sa->unicode() < sb->unicode() ? -1 : 1;
            pa = da;
            pb = db;
            continue;
        }
        const char16_t ca = pa->toCaseFolded().unicode();
        const char16_t cb = pb->toCaseFolded().unicode();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++pa;
        ++pb;
    }
    if (pa < ea)
        return 1;
    if (pb < eb)
        return -1;
    return QString::compare(a, b); // a stable tie-break for names differing in case only
}

} // namespace

FolderModel::FolderModel(QObject* parent)
    : QAbstractTableModel(parent)
    , folder_(shellns::RootId())
{
}

void FolderModel::setFilterText(const QString& text)
{
    filterText_ = text;
    masks_ = FileMaskList(text);
}

bool FolderModel::filterApplies() const
{
    return masks_.isActive() && shellns::IsFileId(folder_);
}

void FolderModel::setFolder(const ShellId& id)
{
    folder_ = id;
    refill();
}

void FolderModel::refill()
{
    beginResetModel();
    shellns::ListOptions o;
    o.showHidden = showHidden_;
    o.filter = filterApplies() ? &masks_ : nullptr;
    rows_ = shellns::ListFolder(folder_, o);
    sortItems(rows_);
    endResetModel();
}

void FolderModel::reload()
{
    if (rows_.empty()) {
        refill();
        return;
    }
    QSet<ShellId> known;
    known.reserve(qsizetype(rows_.size()));
    for (const auto& d : rows_)
        known.insert(d.id);
    std::vector<ShellId> seen;
    seen.reserve(rows_.size() + 16);
    shellns::ListOptions o;
    o.showHidden = showHidden_;
    o.filter = filterApplies() ? &masks_ : nullptr;
    o.known = &known;
    o.seenIds = &seen;
    std::vector<TRzShellListData> fresh = shellns::ListFolder(folder_, o);

    QSet<ShellId> present(seen.begin(), seen.end());
    // Remove vanished rows in contiguous runs, from the end so rows stay valid.
    int row = int(rows_.size()) - 1;
    while (row >= 0) {
        if (present.contains(rows_[size_t(row)].id)) {
            --row;
            continue;
        }
        int first = row;
        while (first > 0 && !present.contains(rows_[size_t(first - 1)].id))
            --first;
        beginRemoveRows({}, first, row);
        rows_.erase(rows_.begin() + first, rows_.begin() + row + 1);
        endRemoveRows();
        row = first - 1;
    }
    if (fresh.empty())
        return;
    sortItems(fresh);
    if (fresh.size() > 64) {
        const int at = int(rows_.size());
        beginInsertRows({}, at, at + int(fresh.size()) - 1);
        std::move(fresh.begin(), fresh.end(), std::back_inserter(rows_));
        endInsertRows();
        sort(sortColumn_, sortOrder_);
        return;
    }
    for (auto& d : fresh) {
        const auto pos = std::upper_bound(rows_.begin(), rows_.end(), d,
            [this](const TRzShellListData& a, const TRzShellListData& b) { return lessThan(a, b); });
        const int at = int(pos - rows_.begin());
        beginInsertRows({}, at, at);
        rows_.insert(pos, std::move(d));
        endInsertRows();
    }
}

bool FolderModel::lessThan(const TRzShellListData& a, const TRzShellListData& b) const
{
    const bool fa = a.has(TRzShellListData::Folder);
    const bool fb = b.has(TRzShellListData::Folder);
    if (fa != fb)
        return fa; // folders first in either order
    int c = 0;
    if (sortColumn_ == 1 || sortColumn_ == 3) {
        a.ensureStat();
        b.ensureStat();
    }
    switch (sortColumn_) {
    case 1: c = a.size < b.size ? -1 : (a.size > b.size ? 1 : 0); break;
    case 2: c = compareNames(ItemFileType(a).comment, ItemFileType(b).comment); break;
    case 3: c = a.mtimeMs < b.mtimeMs ? -1 : (a.mtimeMs > b.mtimeMs ? 1 : 0); break;
    default: break;
    }
    if (c == 0)
        c = compareNames(a.displayName, b.displayName);
    if (c == 0)
        c = a.id < b.id ? -1 : (a.id > b.id ? 1 : 0);
    return sortOrder_ == Qt::DescendingOrder ? c > 0 : c < 0;
}

void FolderModel::sortItems(std::vector<TRzShellListData>& items) const
{
    std::sort(items.begin(), items.end(),
              [this](const TRzShellListData& a, const TRzShellListData& b) { return lessThan(a, b); });
}

void FolderModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column > 3)
        return;
    sortColumn_ = column;
    sortOrder_ = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<ShellId> ids;
    ids.reserve(size_t(before.size()));
    for (const QModelIndex& i : before)
        ids.push_back(i.isValid() && i.row() < int(rows_.size()) ? rows_[size_t(i.row())].id : ShellId());
    sortItems(rows_);
    QHash<ShellId, int> rowOf;
    if (!before.isEmpty()) {
        rowOf.reserve(qsizetype(rows_.size()));
        for (int r = 0; r < int(rows_.size()); ++r)
            rowOf.insert(rows_[size_t(r)].id, r);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const auto it = rowOf.constFind(ids[size_t(i)]);
        after.append(it == rowOf.constEnd() ? QModelIndex() : index(*it, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const TRzShellListData* FolderModel::item(int row) const
{
    return row >= 0 && row < int(rows_.size()) ? &rows_[size_t(row)] : nullptr;
}

int FolderModel::rowOfId(const ShellId& id) const
{
    for (int r = 0; r < int(rows_.size()); ++r)
        if (rows_[size_t(r)].id == id)
            return r;
    return -1;
}

int FolderModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int FolderModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant FolderModel::data(const QModelIndex& index, int role) const
{
    const TRzShellListData* d = item(index.row());
    if (!d)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? d->displayName : ItemDetailText(d, index.column());
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(IconForItem(*d)) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == 1 ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    default:
        return {};
    }
}

QVariant FolderModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole)
        return ColumnCaption(section);
    return {};
}

Qt::ItemFlags FolderModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}
