#include "shell/cosmetics/skin.h"

#include <QApplication>

#include "shell/cosmetics/app_icon.h"

namespace ydt {

QString SkinStyleSheet() {
  // Calm and flat: light surfaces, one blue accent, thin borders. Sizes stay with the
  // platform so the layouts of the windows do not shift.
  return QStringLiteral(R"css(
QMainWindow, QDialog { background: #f4f6f9; }
QGroupBox {
  border: 1px solid #d5dbe3; border-radius: 4px; margin-top: 10px; padding-top: 4px;
  background: #ffffff;
}
QGroupBox::title {
  subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 4px;
  color: #2a5d9f;
}
QPushButton {
  background: #ffffff; border: 1px solid #b9c4d2; border-radius: 3px; padding: 3px 12px;
  color: #1f2d3d;
}
QPushButton:hover { background: #eaf2fc; border-color: #2a74d0; }
QPushButton:pressed { background: #d3e4f8; }
QPushButton:disabled { color: #9aa5b1; background: #f0f2f5; border-color: #d5dbe3; }
QPushButton:default { border-color: #2a74d0; }
QLineEdit, QPlainTextEdit, QTextEdit, QComboBox, QSpinBox {
  background: #ffffff; border: 1px solid #c3ccd7; border-radius: 3px; padding: 2px 4px;
  selection-background-color: #2a74d0; selection-color: #ffffff;
}
QLineEdit:focus, QPlainTextEdit:focus, QTextEdit:focus, QComboBox:focus {
  border-color: #2a74d0;
}
QLineEdit:disabled, QComboBox:disabled { background: #f0f2f5; color: #9aa5b1; }
QComboBox::drop-down { border: none; width: 18px; }
QComboBox::down-arrow { image: url(:/yunduotai/icons/down-arrow.png); width: 10px; height: 6px; }
QComboBox::down-arrow:disabled { image: url(:/yunduotai/icons/down-arrow-disabled.png); }
QTabWidget::pane { border: 1px solid #d5dbe3; border-radius: 4px; background: #ffffff; top: -1px; }
QTabBar::tab {
  background: #e8edf3; border: 1px solid #d5dbe3; border-bottom: none; padding: 5px 18px;
  margin-right: 2px; border-top-left-radius: 4px; border-top-right-radius: 4px;
  color: #44546a;
}
QTabBar::tab:selected { background: #ffffff; color: #2a74d0; }
QTabBar::tab:hover:!selected { background: #f3f7fb; }
QTableView, QTreeView, QListView {
  background: #ffffff; alternate-background-color: #f7f9fc; border: 1px solid #d5dbe3;
  gridline-color: #e6eaf0; selection-background-color: #d3e4f8; selection-color: #1f2d3d;
}
QHeaderView::section {
  background: #eef2f7; border: none; border-right: 1px solid #d5dbe3;
  border-bottom: 1px solid #d5dbe3; padding: 4px 6px; color: #44546a;
}
QMenuBar { background: #f4f6f9; }
QMenuBar::item:selected { background: #dbe8f8; }
QMenu { background: #ffffff; border: 1px solid #c3ccd7; }
QMenu::item { padding: 4px 24px; }
QMenu::item:selected { background: #2a74d0; color: #ffffff; }
QStatusBar { background: #e8edf3; color: #44546a; }
QToolTip { background: #ffffff; color: #1f2d3d; border: 1px solid #c3ccd7; }
)css");
}

void AttachSkin(QApplication& application) {
  RegisterCosmeticResources();
  application.setStyleSheet(SkinStyleSheet());
}

}  // namespace ydt
