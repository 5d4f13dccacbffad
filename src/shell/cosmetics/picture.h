#ifndef YUNDUOTAI_SHELL_COSMETICS_PICTURE_H
#define YUNDUOTAI_SHELL_COSMETICS_PICTURE_H

#include <QByteArray>
#include <QImage>
#include <QString>

namespace ydt {

// Qt asked without a format loads every image plugin it has (SVG, JPEG, GIF, ...) to ask
// each whether it can read the bytes, and that loading holds the dynamic loader's lock
// against every other thread. These decode the pictures the console itself uses, PNG and
// BMP, with the decoders built into Qt, and only ask the plugins for anything else.

// A picture from the network: its format is taken from its first bytes.
QImage DecodePicture(const QByteArray& bytes);

// One of the program's own PNG pictures (a resource path or a file).
QImage ReadPngPicture(const QString& path);

}  // namespace ydt

#endif
