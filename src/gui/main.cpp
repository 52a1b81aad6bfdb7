#include <QApplication>

#include "MainForm.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kelmar"));
  QApplication::setOrganizationName(QStringLiteral("Kelmar"));
  kelmar::gui::StartupConfig cfg;
  cfg.exePath = QApplication::applicationFilePath();
  QStringList args = QApplication::arguments();
  args.removeFirst();
  cfg.arguments = args;
  kelmar::gui::TMainForm form(cfg, nullptr);
  form.show();
  form.Startup();
  return QApplication::exec();
}
