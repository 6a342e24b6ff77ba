#pragma once

#include <QString>
#include <QStringList>

class QMimeData;

namespace kiro {

// Files on the clipboard the way file managers and mail programs exchange
// them: a URI list, plus the copied-files format of the GNOME family that
// file managers need to paste.

// A new clipboard content holding these files (the caller owns it until it
// is handed to the clipboard or to a drag).
QMimeData* FileListMimeData(const QStringList& paths);
// The local files a content offers, in its order; empty when none.
QStringList FilesOf(const QMimeData* mime);

// Puts one file on the clipboard; false when the clipboard cannot be had.
bool PutFileOnClipboard(const QString& path);
// The files on the clipboard.
QStringList GetClipboardFiles();

} // namespace kiro
