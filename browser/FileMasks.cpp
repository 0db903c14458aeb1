#include "FileMasks.h"

namespace {

bool globMatch(QStringView pattern, QStringView name)
{
    // Iterative matcher with one back-track point: linear in practice and
    // never recursive, so a hostile mask cannot blow the stack.
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool FilterListsEverything(const QString& filterText)
{
    const QString t = filterText.trimmed();
    return t.isEmpty() || t == u"*" || t == u"*.*";
}

FileMaskList::FileMaskList(const QString& filterText)
{
    if (FilterListsEverything(filterText))
        return;
    for (const QString& part : filterText.split(u';', Qt::SkipEmptyParts)) {
        const QString t = part.trimmed();
        if (t.isEmpty())
            continue;
        if (t == u"*" || t == u"*.*")
            return; // one mask listing everything makes the whole filter moot
        Mask m;
        m.pattern = t.toCaseFolded();
        const QStringView rest = QStringView(m.pattern).mid(1);
        if (m.pattern.startsWith(u'*') && !rest.contains(u'*') && !rest.contains(u'?'))
            m.suffix = rest.toString();
        masks_.push_back(std::move(m));
    }
    active_ = !masks_.empty();
}

bool FileMaskList::matches(QStringView fileName) const
{
    if (!active_)
        return true;
    QString folded;
    for (const Mask& m : masks_) {
        if (!m.suffix.isEmpty()) {
            if (fileName.size() >= m.suffix.size()
                && fileName.endsWith(m.suffix, Qt::CaseInsensitive))
                return true;
            continue;
        }
        if (folded.isNull())
            folded = fileName.toString().toCaseFolded();
        if (globMatch(m.pattern, folded))
            return true;
    }
    return false;
}
