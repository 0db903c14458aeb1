#pragma once
// DWF 6 and DWFx files are zip packages; each sheet carries a small PNG or
// JPEG thumbnail. The viewer shows it for DWF files it cannot draw.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace dwf {

// Names of the package's members in directory order; empty when `data` is
// no zip package (the "(DWF V06.00)" prefix of DWF 6 is allowed).
QStringList packageMembers(const QByteArray& data);

// The uncompressed bytes of one member; null when missing, damaged, larger
// than `maxSize` or stored with a method other than store/deflate.
QByteArray packageMember(const QByteArray& data, const QString& name, qint64 maxSize = 32 << 20);

// The first sheet thumbnail image of the package at `path`, or a null image.
QImage packageThumbnail(const QString& path);

}  // namespace dwf
