// A scripted stand-in for the program's message boxes and file dialogs: it
// records every question with its box type and buttons and answers from
// queues the test fills. A question without a scripted answer is answered
// Cancel (the tests compare the questions asked as a whole).
#pragma once

#include <QDir>
#include <QQueue>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "dialogs/RangeDialogs.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "output/OutputRouter.h"
#include "run/RunControl.h"
#include "shell/MainForm.h"
#include "shell/WindowRegistry.h"
#include "views/InfoView.h"
#include "views/ResultViews.h"

namespace kelmar::gui {

struct Asked {
  BoxType type;
  Buttons buttons;
  QString text;
};

class ScriptedDialogs : public UserDialogs {
public:
  Answer ask(BoxType type, Buttons buttons, const QString& text, const QString&) override {
    asked.append({type, buttons, text});
    if (buttons == Buttons::Ok) return Answer::Ok;
    return answers.isEmpty() ? Answer::Cancel : answers.dequeue();
  }
  QString openFile(const FileRequest& req) override { return requests.append(req), next(); }
  QString saveFile(const FileRequest& req) override { return requests.append(req), next(); }
  QString chooseDirectory(const QString&, const QString&) override { return next(); }
  // Colour, font and item choosers answer from their queues; an empty queue
  // (or an invalid colour) is a cancel.
  std::optional<QColor> chooseColor(const QColor& initial, const QString& title) override {
    chosen.append(title), colorsOffered.append(initial);
    if (colors.isEmpty()) return std::nullopt;
    const QColor c = colors.dequeue();
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
  }
  std::optional<FontChoice> chooseFont(const FontChoice& initial, const QString& title) override {
    chosen.append(title), fontsOffered.append(initial);
    return fonts.isEmpty() ? std::nullopt : std::optional<FontChoice>(fonts.dequeue());
  }
  int chooseItem(const QString& title, const QString&, const QStringList& list, int) override {
    chosen.append(title), itemLists.append(list);
    return items.isEmpty() ? -1 : items.dequeue();
  }
  QString next() { return files.isEmpty() ? QString() : files.dequeue(); }
  QStringList texts() const {
    QStringList t;
    for (const Asked& a : asked) t << a.text;
    return t;
  }
  void clear() { asked.clear(), requests.clear(), chosen.clear(); }

  QList<Asked> asked;
  QList<FileRequest> requests;
  QQueue<Answer> answers;
  QQueue<QString> files;
  QQueue<QColor> colors;
  QQueue<FontChoice> fonts;
  QQueue<int> items;
  QStringList chosen; // titles of the choosers shown
  QList<QColor> colorsOffered;
  QList<FontChoice> fontsOffered;
  QList<QStringList> itemLists;
};

inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline void WriteFile(const QString& path, const QByteArray& text) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
}

// A program in a temporary directory: "bin" is the program file's place (and
// the INI file's), "data" the current directory with a copy of the example.
// It is started with the given arguments (names in the data directory).
struct Program {
  QTemporaryDir tmp;
  ScriptedDialogs dlg;
  std::unique_ptr<TMainForm> form;

  explicit Program(const QStringList& args = {"SANDY6.DAT"}, const QByteArray& ini = {}, bool start = true) {
    QDir().mkpath(tmp.filePath("bin"));
    QDir().mkpath(dataDir());
    QDir::setCurrent(dataDir());
    for (const char* name : {"SANDY6.DAT", "SANDY6.ENV"})
      QFile::copy(QDir(KELMAR_EXAMPLES).filePath(name), data(name));
    if (!ini.isEmpty()) WriteFile(iniPath(), ini);
    if (start) this->start(args);
  }
  // (Re)starts the program; the previous one, if any, is gone first.
  void start(const QStringList& args) {
    StartupConfig c{tmp.filePath("bin/kelmar-gui"), iniPath(), tmp.filePath("help"), {}};
    for (const QString& a : args) c.arguments << data(a);
    form.reset();
    form = std::make_unique<TMainForm>(c, &dlg);
    // As the program does: the frame is on screen before the files load,
    // and the windows they open settle before the user's first command.
    form->show();
    form->Startup();
    QCoreApplication::processEvents();
  }
  QString dataDir() const { return tmp.filePath("data"); }
  QString data(const QString& name) const { return QDir(dataDir()).filePath(name); }
  QString iniPath() const { return tmp.filePath("bin/kelmar-gui.INI"); }
  uint32_t status() const { return form->ws().state.DocStatus; }
  // Runs a command the way the user does: through its action.
  void trigger(const QString& name) {
    QAction* a = form->action(name);
    QVERIFY2(a, qPrintable(name));
    a->trigger();
  }
};

} // namespace kelmar::gui
