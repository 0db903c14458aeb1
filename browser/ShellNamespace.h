#pragma once
// The namespace the browser walks: identifiers, parents, display names and
// the listing of a folder. Plain file-system work, no widgets.

#include "ShellListData.h"

#include <QSet>
#include <QStringList>
#include <vector>

class FileMaskList;

namespace shellns {

ShellId RootId();
ShellId TrashId();
ShellId IdFromPath(const QString& path); // "file:" id, no check
bool IsRoot(const ShellId& id);
bool IsTrash(const ShellId& id);     // the Trash folder itself
bool IsTrashItem(const ShellId& id); // an item inside the Trash
bool IsFileId(const ShellId& id);
// The file-system path of an id ("" for the root, the Trash and its items).
QString PathOfId(const ShellId& id);

// Absolute, '/'-separated, without "." / ".." parts or a trailing '/';
// symbolic links are not resolved (a link loop cannot make this hang).
QString NormalizePath(const QString& path);

// The id of the folder with this path, or the root when the path does not
// name an existing folder.
ShellId FolderIdForPath(const QString& path);
// True when the id names a folder that can be made current now.
bool IsBrowsableFolder(const ShellId& id);
// The parent in the namespace; empty for the root.
ShellId ParentId(const ShellId& id);
// The chain from the root down to id, root first.
std::vector<ShellId> AncestorChain(const ShellId& id);
QString FolderDisplayName(const ShellId& id);

// Where the user's trash lives: $XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash.
QString HomeTrashDir();
// The user's home and desktop folders.
QString HomeDir();
QString DesktopDir();
// Mount points of removable and extra volumes (/media, /run/media, /mnt).
QStringList MountedVolumes();

struct ListOptions {
    bool showHidden = true;
    const FileMaskList* filter = nullptr; // applied to non-folders of folders with a path
    // When set, items whose ids are in it are not built again (they are only
    // reported in seenIds); used by the incremental refresh.
    const QSet<ShellId>* known = nullptr;
    std::vector<ShellId>* seenIds = nullptr;
};

// Lists a folder. An unreadable or vanished folder gives nothing.
std::vector<TRzShellListData> ListFolder(const ShellId& folder, const ListOptions& options);

// Builds the item for one path, as a listing would; false when it does not exist.
bool ItemForPath(const QString& path, TRzShellListData& out);

} // namespace shellns
