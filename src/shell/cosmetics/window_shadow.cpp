#include "shell/cosmetics/window_shadow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#if YDT_HAVE_XCB
#include <xcb/xcb.h>
#endif

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

#if YDT_HAVE_XCB
// Whether a compositing manager blends translucent windows on this X display.
bool XCompositorRuns() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return false;
  // Asked on every move of the owner, dragging included, so the atom is looked up once: an
  // atom never changes while the display runs. One that does not exist yet is asked again,
  // because a compositor that starts later creates it.
  static xcb_atom_t selection = XCB_ATOM_NONE;
  if (selection == XCB_ATOM_NONE) {
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(0);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.data()),
        nullptr);
    if (!atom) return false;
    selection = atom->atom;
    free(atom);
    if (selection == XCB_ATOM_NONE) return false;
  }
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, selection), nullptr);
  if (!owner) return false;
  const bool runs = owner->owner != XCB_WINDOW_NONE;
  free(owner);
  return runs;
}
#endif

// A shadow needs a window placed beside its owner and blended with what lies below. On
// Wayland no program may place its windows, and on an X display without a compositor the
// transparent pixels show black: the owner then goes without a shadow.
bool ShadowsPossible() {
  const QString platform = QGuiApplication::platformName();
  if (platform.startsWith(QStringLiteral("wayland"))) return false;
#if YDT_HAVE_XCB
  if (platform == QStringLiteral("xcb")) return XCompositorRuns();
#endif
  return true;
}

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
  if (!shown || owner->isMaximized() || owner->isMinimized() || !ShadowsPossible()) {
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
