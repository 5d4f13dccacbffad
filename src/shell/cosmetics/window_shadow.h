// A drop shadow for any top-level window: a companion window that follows its owner's
// position, size and visibility.
#pragma once

#include <optional>

#include <QColor>

class QWidget;

namespace ydt {

class ShadowWindow;

// Gives `owner` a shadow of `size` pixels (or changes the one it has), or removes it when
// size is below 1. The drawing settings apply to every shadow of the program. Returns 1
// when a shadow is attached, 0 when owner is no window or the shadow was removed.
// Attaching again reuses the shadow and keeps the one follower that watches the owner.
int AttachShadow(QWidget* owner, const QColor& color = QColor(0, 0, 0), int size = 3,
                 int darkness = 50, bool roundedInner = false, int innerDiameter = 5);

// Places and repaints the shadow; hides it while the owner is hidden, minimised or
// maximised. `visible` stands in for the owner's visibility while it is changing.
void UpdateShadow(QWidget* owner, std::optional<bool> visible = std::nullopt);

// The owner's shadow window, or null.
ShadowWindow* ShadowOf(const QWidget* owner);

}  // namespace ydt
