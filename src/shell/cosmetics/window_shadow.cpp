#include "shell/cosmetics/window_shadow.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "shell/cosmetics/shadow_window.h"

namespace ydt {
namespace {

const QString kFollowerName = QStringLiteral("Umbra.WndShadow.Proc");

// Watches the owner and keeps its shadow in step. A child of the owner, so it goes with
// it; the shadow window goes with the follower.
class ShadowFollower : public QObject {
 public:
  explicit ShadowFollower(QWidget* owner) : QObject(owner), owner_(owner) {
    setObjectName(kFollowerName);
    shadow_ = new ShadowWindow(owner);
    owner->installEventFilter(this);
  }
  ~ShadowFollower() override {
    if (owner_) owner_->removeEventFilter(this);
    delete shadow_.data();
  }

  ShadowWindow* Shadow() const { return shadow_.data(); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == owner_) {
      switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
          UpdateShadow(owner_);
          break;
        case QEvent::Show:
          UpdateShadow(owner_, true);
          break;
        case QEvent::Hide:
          UpdateShadow(owner_, false);
          break;
        default:
          break;
      }
    }
    return false;
  }

 private:
  QPointer<QWidget> owner_;
  QPointer<ShadowWindow> shadow_;
};

ShadowFollower* FollowerOf(const QWidget* owner) {
  if (!owner) return nullptr;
  return dynamic_cast<ShadowFollower*>(
      owner->findChild<QObject*>(kFollowerName, Qt::FindDirectChildrenOnly));
}

}  // namespace

int AttachShadow(QWidget* owner, const QColor& color, int size, int darkness, bool roundedInner,
                 int innerDiameter) {
  ShadowWindow::SetDrawingSettings(darkness, roundedInner, innerDiameter);
  if (!owner || !owner->isWindow()) return 0;
  ShadowFollower* follower = FollowerOf(owner);
  if (size < 1) {
    delete follower;
    return 0;
  }
  if (!follower) follower = new ShadowFollower(owner);
  follower->Shadow()->SetShadow(color, size);
  UpdateShadow(owner);
  return 1;
}

void UpdateShadow(QWidget* owner, std::optional<bool> visible) {
  ShadowWindow* shadow = ShadowOf(owner);
  if (!shadow) return;
  const bool shown = visible.value_or(owner->isVisible());
  if (!shown || owner->isMaximized() || owner->isMinimized()) {
    shadow->hide();
    return;
  }
  const QRect frame = owner->frameGeometry();
  if (frame.width() == 0 || frame.height() == 0) return;
  shadow->Surround(frame);
  if (shadow->isHidden()) shadow->show();
}

ShadowWindow* ShadowOf(const QWidget* owner) {
  ShadowFollower* follower = FollowerOf(owner);
  return follower ? follower->Shadow() : nullptr;
}

}  // namespace ydt
