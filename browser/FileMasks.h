#pragma once
// The file filter of the folder list: a text of wildcard masks separated by
// ';' ("*.dwg;*.dxf;*.dwf"). Letter case is ignored, as the filter's users
// expect from names such as PLAN.DWG.

#include <QString>
#include <QStringList>
#include <QStringView>

class FileMaskList {
public:
    FileMaskList() = default;
    explicit FileMaskList(const QString& filterText);

    // False for an empty text and for "*" or "*.*": those list everything.
    bool isActive() const { return active_; }
    // True when the name matches one of the masks ('*' any run, '?' one character).
    bool matches(QStringView fileName) const;

private:
    struct Mask {
        QString pattern;  // case-folded
        QString suffix;   // set when the mask is "*<literal>": a plain suffix test
    };
    std::vector<Mask> masks_;
    bool active_ = false;
};

// True when the filter text lists every file.
bool FilterListsEverything(const QString& filterText);
