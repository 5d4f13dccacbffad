// What a label, message box or tooltip puts on screen for its text: Qt renders a text that
// looks like markup as rich text unless the widget is told it is plain.
#pragma once

#include <QString>
#include <QTextDocument>

namespace ydt::test {

inline QString ShownText(const QString& text, Qt::TextFormat format = Qt::AutoText) {
  const bool rich = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
  if (!rich) return text;
  QTextDocument document;
  document.setHtml(text);
  return document.toPlainText();
}

// Markup a backend or an operator could send: an image tag would make Qt read a local file.
inline const QString kMarkup = QStringLiteral("<img src=\"file:///etc/passwd\"><b>x</b>");

}  // namespace ydt::test
