#include <QBuffer>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTest>

#include "shell/cosmetics/app_icon.h"
#include "shell/cosmetics/picture.h"

namespace ydt {

namespace {

QByteArray Encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

QImage Sample() {
  QImage image(7, 5, QImage::Format_RGB32);
  image.fill(QColor(10, 120, 200));
  image.setPixel(3, 2, qRgb(250, 5, 5));
  return image;
}

// A 2 × 1 picture, 24 bits per pixel, one bottom-up row padded to 4 bytes: red, then blue.
QByteArray TwoPixelBmp() {
  QByteArray bytes("BM");
  const auto put = [&bytes](quint32 value, int size) {
    for (int i = 0; i < size; ++i) bytes.append(static_cast<char>((value >> (8 * i)) & 0xff));
  };
  put(62, 4);  // file size
  put(0, 4);
  put(54, 4);  // where the pixels start
  put(40, 4);  // information header size
  put(2, 4);   // width
  put(1, 4);   // height
  put(1, 2);   // planes
  put(24, 2);  // bits per pixel
  put(0, 4);   // no compression
  put(8, 4);   // pixel bytes
  put(2835, 4);
  put(2835, 4);
  put(0, 4);
  put(0, 4);
  put(0xff0000, 3);  // bytes B G R of red
  put(0x0000ff, 3);  // and of blue
  put(0, 2);         // padding
  return bytes;
}

bool ImagePluginLoaded() {
  QFile maps(QStringLiteral("/proc/self/maps"));
  if (!maps.open(QIODevice::ReadOnly)) return false;
  return maps.readAll().contains("/imageformats/");
}

}  // namespace

class PictureTest : public QObject {
  Q_OBJECT

 private slots:
  // First, while no decoder has asked the plugins anything in this process. The bytes are
  // made by hand: Qt's encoders would ask the plugins themselves.
  void theProgramsOwnPicturesLoadNoImagePlugin() {
    QVERIFY(!ImagePluginLoaded());
    const QIcon icon = AppIcon();
    QCOMPARE(icon.availableSizes(),
             (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}}));
    QFile png(QStringLiteral(":/yunduotai/icons/yunduotai-16.png"));
    QVERIFY(png.open(QIODevice::ReadOnly));
    QCOMPARE(DecodePicture(png.readAll()).size(), QSize(16, 16));
    const QImage bmp = DecodePicture(TwoPixelBmp());
    QCOMPARE(bmp.size(), QSize(2, 1));
    QCOMPARE(bmp.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(bmp.pixel(1, 0), qRgb(0, 0, 255));
    QVERIFY(!ImagePluginLoaded());
  }

  void captchaPicturesDecodeWhateverTheirFormat() {
    const QImage sample = Sample();
    for (const char* format : {"PNG", "BMP"}) {
      const QImage decoded = DecodePicture(Encode(sample, format));
      QCOMPARE(decoded.convertToFormat(QImage::Format_RGB32), sample);
    }
    // A picture in a format the first bytes do not reveal still reaches Qt's decoders.
    const QByteArray jpeg = Encode(sample, "JPG");
    if (jpeg.isEmpty()) QSKIP("no JPEG image plugin here to make the sample");
    QCOMPARE(DecodePicture(jpeg).size(), sample.size());
  }

  void bytesThatAreNoPictureGiveNone() {
    QVERIFY(DecodePicture({}).isNull());
    QVERIFY(DecodePicture(QByteArray("{\"code\":1,\"msg\":\"busy\"}")).isNull());
    // Claims to be a PNG and is cut short after its signature.
    QVERIFY(DecodePicture(Encode(Sample(), "PNG").left(20)).isNull());
    QVERIFY(DecodePicture(QByteArray("BM\x01\x02", 4)).isNull());
    QVERIFY(ReadPngPicture(QStringLiteral(":/no/such/picture.png")).isNull());
  }
};

}  // namespace ydt

QTEST_MAIN(ydt::PictureTest)
#include "picture_test.moc"
