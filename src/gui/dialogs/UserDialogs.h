// Every message box and file dialog of the program goes through this one
// interface, so that the commands can be driven by a script in tests and the
// texts the user sees are checked in one place.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace kelmar::gui {

enum class BoxType { Error, Warning, Information, Confirmation, Plain };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// A file dialog: title, initial directory and name, filter in Qt form
// ("Data files (*.DAT)"), and the default suffix without its dot.
struct FileRequest {
  QString title;
  QString directory;
  QString fileName;
  QString filter;
  QString defaultSuffix;
};

struct FontChoice {
  QFont font;
  QColor color;
};

class UserDialogs {
public:
  virtual ~UserDialogs() = default;
  virtual Answer ask(BoxType type, Buttons buttons, const QString& text, const QString& caption) = 0;
  // The chosen existing file, or an empty string when cancelled.
  virtual QString openFile(const FileRequest& req) = 0;
  // The chosen name to write, or empty when cancelled. The caller asks about
  // replacing an existing file itself.
  virtual QString saveFile(const FileRequest& req) = 0;
  // A directory, or empty when cancelled.
  virtual QString chooseDirectory(const QString& title, const QString& start) = 0;

  // A colour, or nothing when cancelled.
  virtual std::optional<QColor> chooseColor(const QColor& initial, const QString& title) = 0;
  // A font with its colour, or nothing when cancelled.
  virtual std::optional<FontChoice> chooseFont(const FontChoice& initial, const QString& title) = 0;
  // One of `items`: its index, or -1 when cancelled.
  virtual int chooseItem(const QString& title, const QString& label, const QStringList& items,
                         int current) = 0;

  void inform(BoxType type, const QString& text, const QString& caption = QString()) {
    ask(type, Buttons::Ok, text, caption);
  }
};

// The real dialogs. A carriage return in a message (the core's line break)
// is shown as a line break.
class QtUserDialogs : public UserDialogs {
public:
  explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  Answer ask(BoxType type, Buttons buttons, const QString& text, const QString& caption) override;
  QString openFile(const FileRequest& req) override;
  QString saveFile(const FileRequest& req) override;
  QString chooseDirectory(const QString& title, const QString& start) override;
  std::optional<QColor> chooseColor(const QColor& initial, const QString& title) override;
  std::optional<FontChoice> chooseFont(const FontChoice& initial, const QString& title) override;
  int chooseItem(const QString& title, const QString& label, const QStringList& items, int current) override;

private:
  QWidget* parent_;
};

// Message texts from the core use CR as their line break.
QString DisplayText(const QString& text);

} // namespace kelmar::gui
