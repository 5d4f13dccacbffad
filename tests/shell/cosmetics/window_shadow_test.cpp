#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "shell/cosmetics/app_icon.h"
#include "shell/cosmetics/shadow_rings.h"
#include "shell/cosmetics/shadow_window.h"
#include "shell/cosmetics/skin.h"
#include "shell/cosmetics/window_shadow.h"

namespace ydt {

class WindowShadowTest : public QObject {
  Q_OBJECT

 private:
  // A frameless top-level window like the login window.
  static std::unique_ptr<QWidget> MakeOwner() {
    auto owner = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
    owner->setGeometry(200, 150, 300, 200);
    return owner;
  }

 private slots:
  void ringStepsAndAlphas() {
    // Wide shadows spread 150 over their rings: size 10 steps by 15 up to 150.
    const auto wide = ShadowRings(100, 80, 10, 50);
    QCOMPARE(wide.size(), 10u);
    QCOMPARE(wide.front().alpha, 15);
    QCOMPARE(wide.back().alpha, 150);
    // Narrow ones use the darkness: 50 / 3 = 16 per ring.
    const auto narrow = ShadowRings(100, 80, 3, 50);
    QCOMPARE(narrow[0].alpha, 16);
    QCOMPARE(narrow[1].alpha, 32);
    QCOMPARE(narrow[2].alpha, 48);
    // A darkness beyond what one byte of alpha holds stays opaque instead of spilling.
    QCOMPARE(ShadowRings(100, 80, 1, 400)[0].alpha, 255);
    QVERIFY(ShadowRings(100, 80, 0, 50).empty());
  }

  void ringGeometry() {
    const auto rings = ShadowRings(100, 80, 3, 50);
    // Ring i sits i − 1 pixels in, each one pixel narrower on both sides.
    QCOMPARE(rings[0].x, 0.0f);
    QCOMPARE(rings[0].width, 99.0f);
    QCOMPARE(rings[0].height, 79.0f);
    QCOMPARE(rings[2].x, 2.0f);
    QCOMPARE(rings[2].y, 2.0f);
    QCOMPARE(rings[2].width, 95.0f);
    QCOMPARE(rings[2].height, 75.0f);
  }

  void paintedRingsDarkenTowardsTheOwner() {
    auto owner = MakeOwner();
    ShadowWindow shadow(owner.get());
    shadow.SetShadow(QColor(0, 0, 0), 10);
    ShadowWindow::SetDrawingSettings(50, false, 5);
    QImage image(120, 80, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      shadow.PaintRings(painter, image.width(), image.height());
    }
    const int midY = 40;
    QVERIFY(qAbs(qAlpha(image.pixel(0, midY)) - 15) <= 2);
    QVERIFY(qAbs(qAlpha(image.pixel(9, midY)) - 150) <= 2);
    QVERIFY(qAlpha(image.pixel(5, midY)) > qAlpha(image.pixel(4, midY)));
    // Nothing is painted where the owner sits.
    QCOMPARE(qAlpha(image.pixel(10, midY)), 0);
    QCOMPARE(qAlpha(image.pixel(60, midY)), 0);
    // Rounded corners: the very corner stays fainter than the edge beside it.
    QVERIFY(qAlpha(image.pixel(0, 0)) < qAlpha(image.pixel(0, midY)));
  }

  void attachTwiceReusesTheShadowAndOneFollower() {
    auto owner = MakeOwner();
    owner->show();
    QCOMPARE(AttachShadow(owner.get()), 1);
    ShadowWindow* first = ShadowOf(owner.get());
    QVERIFY(first);
    QCOMPARE(first->ShadowSize(), 3);
    QCOMPARE(AttachShadow(owner.get(), QColor(10, 20, 30), 6), 1);
    QCOMPARE(ShadowOf(owner.get()), first);
    QCOMPARE(first->ShadowSize(), 6);
    QCOMPARE(first->ShadowColor(), QColor(10, 20, 30));
    QCOMPARE(owner->findChildren<QObject*>(QStringLiteral("Umbra.WndShadow.Proc")).size(), 1);
    QCOMPARE(owner->findChildren<ShadowWindow*>().size(), 1);
  }

  void shadowSurroundsAndFollowsTheOwner() {
    auto owner = MakeOwner();
    owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
    AttachShadow(owner.get());
    ShadowWindow* shadow = ShadowOf(owner.get());
    QVERIFY(shadow->isVisible());
    QCOMPARE(shadow->geometry(), QRect(197, 147, 306, 206));
    // It never takes input and never covers the owner.
    QVERIFY(shadow->windowFlags().testFlag(Qt::WindowTransparentForInput));
    QVERIFY(shadow->testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(!shadow->mask().contains(QPoint(3 + 150, 3 + 100)));
    QVERIFY(shadow->mask().contains(QPoint(1, 100)));

    owner->move(260, 180);
    QTRY_COMPARE(shadow->geometry(), QRect(257, 177, 306, 206));
    owner->resize(400, 250);
    QTRY_COMPARE(shadow->geometry(), QRect(257, 177, 406, 256));
  }

  void hiddenWhileTheOwnerIsHiddenMinimisedOrMaximised() {
    auto owner = MakeOwner();
    owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
    AttachShadow(owner.get());
    ShadowWindow* shadow = ShadowOf(owner.get());
    QVERIFY(shadow->isVisible());

    owner->showMinimized();
    QTRY_VERIFY(!shadow->isVisible());
    owner->showNormal();
    QTRY_VERIFY(shadow->isVisible());
    QTRY_COMPARE(shadow->geometry(), QRect(197, 147, 306, 206));
    owner->showMaximized();
    QTRY_VERIFY(!shadow->isVisible());
    owner->showNormal();
    QTRY_VERIFY(shadow->isVisible());
    owner->hide();
    QTRY_VERIFY(!shadow->isVisible());
    owner->show();
    QTRY_VERIFY(shadow->isVisible());
  }

  void removalAndNonWindows() {
    auto owner = MakeOwner();
    owner->show();
    QCOMPARE(AttachShadow(owner.get()), 1);
    QPointer<ShadowWindow> shadow = ShadowOf(owner.get());
    QCOMPARE(AttachShadow(owner.get(), QColor(0, 0, 0), 0), 0);
    QVERIFY(!ShadowOf(owner.get()));
    QVERIFY(shadow.isNull());
    // The follower goes too, so moving afterwards neither touches nor revives a shadow.
    owner->move(10, 10);
    QTest::qWait(10);
    QVERIFY(owner->findChildren<QObject*>(QStringLiteral("Umbra.WndShadow.Proc")).isEmpty());
    QVERIFY(!ShadowOf(owner.get()));

    QCOMPARE(AttachShadow(nullptr), 0);
    QWidget child(owner.get());
    QCOMPARE(AttachShadow(&child), 0);
    QVERIFY(!ShadowOf(&child));
  }

  void shadowGoesWithItsOwner() {
    auto owner = MakeOwner();
    owner->show();
    AttachShadow(owner.get());
    QPointer<ShadowWindow> shadow = ShadowOf(owner.get());
    owner.reset();
    QVERIFY(shadow.isNull());
  }

  void iconAndSkin() {
    const QIcon icon = AppIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    QVERIFY(icon.availableSizes().contains(QSize(128, 128)));
    QVERIFY(!icon.pixmap(64, 64).toImage().isNull());
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    QVERIFY(app);
    AttachSkin(*app);
    QCOMPARE(app->styleSheet(), SkinStyleSheet());
    // Every picture the style sheet names must be there, or the boxes lose their arrows.
    const QRegularExpression url(QStringLiteral("url\\((:[^)]+)\\)"));
    int pictures = 0;
    for (auto match = url.globalMatch(SkinStyleSheet()); match.hasNext(); ++pictures) {
      const QString path = match.next().captured(1);
      QVERIFY2(!QImage(path).isNull(), qPrintable(path));
    }
    QVERIFY(pictures > 0);
    app->setStyleSheet(QString());
  }
};

}  // namespace ydt

QTEST_MAIN(ydt::WindowShadowTest)
#include "window_shadow_test.moc"
