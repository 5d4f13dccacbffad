#include "shell/cosmetics/picture.h"

#include <QBuffer>
#include <QImageReader>

namespace ydt {

namespace {

const char* BuiltInFormatOf(const QByteArray& bytes) {
  if (bytes.startsWith("\x89PNG\r\n\x1a\n")) return "png";
  if (bytes.startsWith("BM")) return "bmp";
  return nullptr;
}

QImage ReadWith(QImageReader& reader, const char* format) {
  reader.setFormat(format);
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

}  // namespace

QImage DecodePicture(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  if (const char* format = BuiltInFormatOf(bytes)) {
    QBuffer buffer;
    buffer.setData(bytes);  // shares the bytes, no copy
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image = ReadWith(reader, format);
    if (!image.isNull()) return image;
  }
  // Not what its first bytes claim, or a format of its own: let every decoder have a look.
  return QImage::fromData(bytes);
}

QImage ReadPngPicture(const QString& path) {
  QImageReader reader(path);
  return ReadWith(reader, "png");
}

}  // namespace ydt
