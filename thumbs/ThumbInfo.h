#pragma once
// The info text of a thumbnail entry: path "|" c1 "|" c2 "|" c3, where c1..c3
// are the caption-prefixed detail texts (size, type, modified).
//
// "|" is a legal file-name character here, so the path part is escaped when
// the text is built ("%" as "%25", "|" as "%7C") and unescaped by every
// routine that takes the path out; the three separators stay the first three
// "|" of the text.

#include <QString>

QString ThumbInfoEscapePath(const QString& path);
QString MakeThumbInfo(const QString& path, const QString& c1, const QString& c2, const QString& c3);

// Splits at the first three "|"; strips the captions of c1..c3.
void SplitThumbInfo(const QString& info, QString& path, QString& c1, QString& c2, QString& c3);
// The (unescaped) text before the first "|", or the whole text without one.
QString ThumbInfoPath(const QString& info);
// Keeps what follows the first ":", blank included; unchanged without a colon.
void StripCaption(QString& text);
// One CR LF line per non-empty detail text, captions kept; empty when none.
QString ThumbInfoToHint(const QString& info);
