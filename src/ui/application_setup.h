// Application-wide set-up shared by every entry that shows the console's windows.
#pragma once

class QApplication;

namespace ydt {

// Reads the system's font configuration on a thread of its own. Called before the
// application object is made, it overlaps Qt's own start; otherwise the first window with
// text waits for it on the UI thread.
void StartReadingFontConfiguration();

// Qt's own button texts in Chinese (确定, 取消), a font with CJK glyphs, and a program that
// the tray keeps alive after its last window closes.
void PrepareApplication(QApplication& app);

}  // namespace ydt
