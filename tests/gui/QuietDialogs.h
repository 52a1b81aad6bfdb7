// Message boxes and file dialogs for the programs that drive the real main
// window without a user (pictures, timings): every message goes to standard
// error, and every question is answered Cancel.
#pragma once

#include <cstdio>

#include "dialogs/UserDialogs.h"

namespace kelmar::gui {

class QuietDialogs : public UserDialogs {
public:
  Answer ask(BoxType, Buttons buttons, const QString& text, const QString&) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
  }
  QString openFile(const FileRequest&) override { return {}; }
  QString saveFile(const FileRequest&) override { return {}; }
  QString chooseDirectory(const QString&, const QString&) override { return {}; }
  std::optional<QColor> chooseColor(const QColor&, const QString&) override { return std::nullopt; }
  std::optional<FontChoice> chooseFont(const FontChoice&, const QString&) override { return std::nullopt; }
  int chooseItem(const QString&, const QString&, const QStringList&, int) override { return -1; }
};

} // namespace kelmar::gui
