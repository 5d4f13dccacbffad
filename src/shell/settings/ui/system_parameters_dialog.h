// SystemParametersDialog (系统参数设置) edits the two running values, the batch delay and
// the reinstall password, and writes them to the settings file on 保存.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace ydt {

class Prompter;
class RunningValues;
class SettingsStore;

class SystemParametersDialog : public QDialog {
  Q_OBJECT
 public:
  SystemParametersDialog(RunningValues& running, SettingsStore& settings, Prompter& prompter,
                         QWidget* parent = nullptr);

 public slots:
  // The 保存 click: refuses an empty or too small delay with a message and stays open.
  void Save();

 private:
  RunningValues& running_;
  SettingsStore& settings_;
  Prompter& prompter_;
  QLineEdit* delayBox_ = nullptr;
  QLineEdit* passwordBox_ = nullptr;
  QPushButton* saveButton_ = nullptr;
};

}  // namespace ydt
