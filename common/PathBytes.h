#pragma once
// File names on Linux are bytes. Names that are not valid UTF-8 (a GBK name
// copied from an old archive, say) must still open, rename and delete, so every
// path kept as a QString carries its exact bytes: each byte that is not part of
// valid UTF-8 is held as the lone surrogate U+DC00+byte. Qt's own
// QFile::decodeName replaces such bytes by U+FFFD and loses them.
//
// Anything that hands a browser path to the operating system must go through
// EncodePath, not QString::toUtf8 or QFile::encodeName.

#include <QByteArray>
#include <QString>

QString DecodePath(const QByteArray& bytes);
QByteArray EncodePath(const QString& path);

// True when the path holds escaped bytes, i.e. Qt's own file classes would
// reach another file.
bool PathHasRawBytes(const QString& path);

// A readable form of a name for display: valid UTF-8 as is, otherwise the
// bytes read as GBK when they are valid GBK, else with U+FFFD for each bad byte.
QString DisplayNameOfBytes(const QByteArray& bytes);
