// Lost-focus handlers. QLineEdit::editingFinished fires only when the text changed, but the
// console writes a box through on every loss of focus, changed or not.
#pragma once

#include <functional>

class QWidget;

namespace ydt {

// Calls handler each time widget loses the keyboard focus, before the widget that takes it
// handles its click. The handler lives as long as the widget.
void OnFocusOut(QWidget* widget, std::function<void()> handler);

}  // namespace ydt
