#pragma once
// One item of a folder of the browser's namespace and the services the rest of
// the program asks of it. The namespace has a root without a file-system path
// (Home, Desktop, "/", mounted volumes and the Trash), ordinary folders of the
// file system, and the Trash, a virtual folder whose items are outside the file
// system.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>

// An item's absolute identifier in the namespace. Opaque to callers; it keeps
// the exact bytes of a path.
using ShellId = QByteArray;

class TRzShellListData {
public:
    enum Flag : std::uint8_t {
        Folder = 1,
        FileSystem = 2,
        Hidden = 4,
        SymLink = 8,
        Broken = 16, // a link whose target cannot be reached (dangling, loop)
        Volume = 32, // an entry of the namespace root
        Unstated = 64, // size and time not read yet (see ensureStat)
    };

    ShellId id;
    QString path;        // full path with its exact bytes (see PathBytes.h); empty when none
    QString displayName; // the row's caption
    // Size and time are read on first use: a listing needs only names and
    // kinds, and most rows of a large folder are never shown.
    mutable qint64 size = -1;   // bytes; -1 when not shown (folders, virtual items)
    mutable qint64 mtimeMs = 0; // modification time, ms since the epoch; 0 when unknown
    mutable std::uint8_t flags = 0;
    mutable int typeIndex = -1; // resolved file type, filled on first use

    bool has(Flag f) const { return (flags & f) != 0; }
    void ensureStat() const;
};

// Services of an item; each accepts a null item and then answers false / "".
bool ItemIsFolder(const TRzShellListData* d);
bool ItemIsFileSystem(const TRzShellListData* d);
QString ItemPath(const TRzShellListData* d);
QString ItemFileName(const TRzShellListData* d);
QString ItemDisplayName(const TRzShellListData* d);
// Detail column 1 大小, 2 类型, 3 修改日期; "" for other columns.
QString ItemDetailText(const TRzShellListData* d, int column);
ShellId ItemShellId(const TRzShellListData* d);

// The captions of the report view's columns 0..3.
QString ColumnCaption(int column);

// File type of an item, looked up by name in the MIME database and cached.
struct FileTypeInfo {
    QString mimeName;
    QString comment;   // the 类型 column
    QString iconName;  // icon theme names
    QString genericIconName;
};
const FileTypeInfo& ItemFileType(const TRzShellListData& d);

// Texts of the detail columns, also used by the Properties dialog.
QString FormatSizeKb(qint64 bytes);   // "1,234 KB" as the list shows it
QString FormatFileTime(qint64 msSinceEpoch);
