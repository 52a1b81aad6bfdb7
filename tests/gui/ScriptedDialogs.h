// A scripted stand-in for the program's message boxes and file dialogs: it
// records every question with its box type and buttons and answers from
// queues the test fills. An unscripted question fails the test.
#pragma once

#include <QDir>
#include <QList>
#include <QQueue>
#include <QTemporaryDir>
#include <QTest>

#include "MainForm.h"
#include "UserDialogs.h"

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
    if (answers.isEmpty()) {
      unexpected.append(text);
      return Answer::Cancel;
    }
    return answers.dequeue();
  }
  QString openFile(const FileRequest& req) override {
    requests.append(req);
    return files.isEmpty() ? QString() : files.dequeue();
  }
  QString saveFile(const FileRequest& req) override {
    requests.append(req);
    return files.isEmpty() ? QString() : files.dequeue();
  }
  QString chooseDirectory(const QString&, const QString&) override {
    return files.isEmpty() ? QString() : files.dequeue();
  }

  QStringList texts() const {
    QStringList t;
    for (const Asked& a : asked) t << a.text;
    return t;
  }
  void clear() {
    asked.clear();
    requests.clear();
  }

  QList<Asked> asked;
  QList<FileRequest> requests;
  QQueue<Answer> answers;
  QQueue<QString> files;
  QStringList unexpected;
};

// A program set up in a temporary directory: the program file's place (for
// the INI file) and a data directory with a copy of the example scenario.
struct Sandbox {
  QTemporaryDir tmp;
  QString exeDir() const { return tmp.filePath(QStringLiteral("bin")); }
  QString dataDir() const { return tmp.filePath(QStringLiteral("data")); }
  QString iniPath() const { return QDir(exeDir()).filePath(QStringLiteral("kelmar-gui.INI")); }
  QString data(const QString& name) const { return QDir(dataDir()).filePath(name); }

  Sandbox() {
    QDir().mkpath(exeDir());
    QDir().mkpath(dataDir());
    QDir::setCurrent(dataDir());
  }
  void copyExample(bool withEnv = true) {
    const QDir ex(QStringLiteral(KELMAR_EXAMPLES));
    QFile::copy(ex.filePath(QStringLiteral("SANDY6.DAT")), data(QStringLiteral("SANDY6.DAT")));
    if (withEnv) QFile::copy(ex.filePath(QStringLiteral("SANDY6.ENV")), data(QStringLiteral("SANDY6.ENV")));
  }
  StartupConfig config(const QStringList& args = {}) const {
    StartupConfig c;
    c.exePath = QDir(exeDir()).filePath(QStringLiteral("kelmar-gui"));
    c.iniPath = iniPath();
    c.helpDir = tmp.filePath(QStringLiteral("help"));
    c.arguments = args;
    return c;
  }
  void writeIni(const QByteArray& text) const {
    QFile f(iniPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  QByteArray readIni() const {
    QFile f(iniPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

inline QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace kelmar::gui
