#pragma once
// The list's file commands with their questions and reports: delete (to the
// trash or for good), copy/cut to the clipboard, paste into a folder.

#include <QStringList>

class QWidget;

// Asks first ("… N 项 …"); returns true when every item was deleted. Failures
// are reported in one message box.
bool DeleteItems(QWidget* owner, const QStringList& paths, bool permanent);
void CopyItemsToClipboard(const QStringList& paths, bool cut);
// Copies or moves the clipboard's files into `folder`, asking on each name
// clash. Returns the number of items pasted.
int PasteFromClipboard(QWidget* owner, const QString& folder);
// Opens the files with the desktop's programs (the list's default action).
void OpenItemsWithDesktop(QWidget* owner, const QStringList& paths);
