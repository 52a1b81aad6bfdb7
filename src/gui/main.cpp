#include <QApplication>

#include "shell/Icons.h"
#include "shell/MainForm.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kelmar"));
  QApplication::setOrganizationName(QStringLiteral("Kelmar"));
  QApplication::setWindowIcon(kelmar::gui::AppIcon());
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
