// Base classes of the program's windows. TIniForm gives a window a key under
// which the INI file keeps its position; TMyDialog adds the editor protocol
// (Refresh, Apply, Validate and a "modified" flag) the main window uses to
// commit pending edits before a command reads the data.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

namespace kelmar {
class IniFile;
}

namespace kelmar::gui {

inline constexpr const char* kWindowPositionSection = "Window Position";
inline constexpr const char* kOpenWindowsSection = "Open Windows";

// Window states as the INI file stores them.
enum WindowStateCode { kStateNormal = 0, kStateMinimized = 1, kStateMaximized = 2 };

// "left,top,width,height,state".
QString FormatPosition(const QRect& r, int state);
// Reads the five numbers in turn, each up to the next comma; a number that
// cannot be read keeps the corresponding value of `r` (and state normal).
void ParsePosition(const QString& value, QRect& r, int& state);

// Saves or restores the normal bounds and state of `frame` (a top-level
// window or an MDI sub-window) under `key`. A missing key changes nothing.
void SaveWindowPosition(IniFile& ini, const QString& key, QWidget* frame);
bool RestoreWindowPosition(const IniFile& ini, const QString& key, QWidget* frame);

class TIniForm : public QWidget {
  Q_OBJECT
public:
  explicit TIniForm(QWidget* parent = nullptr);
  // The INI key of the window: its class name, for windows of which several
  // kinds exist the class name + "_" + the kind.
  virtual QString WindowKey() const;
  // The topic of the window in the help file; 0 when it has none.
  virtual int HelpContext() const { return 0; }
  // Refills the window from the documents and results it shows.
  virtual void Refresh() {}
  // The frame that carries the window's position: the MDI sub-window when
  // the form sits in one, else the form itself.
  QWidget* frame();

signals:
  // Emitted when the window is about to close, while its frame still has its
  // geometry (the main window saves the position then).
  void closing(kelmar::gui::TIniForm* form);

protected:
  void closeEvent(QCloseEvent* e) override;
};

class TMyDialog : public TIniForm {
  Q_OBJECT
public:
  explicit TMyDialog(QWidget* parent = nullptr) : TIniForm(parent) {}
  // Copies the document into the controls and clears "modified".
  void Refresh() override { setModified(false); }
  // Copies the controls into the document and clears "modified".
  virtual void Apply() { setModified(false); }
  // True when every control holds an acceptable value. The base checks
  // every numeric input and open grid cell (each reports its own refusal),
  // then the focused spin box or line edit with a validator.
  virtual bool Validate();
  bool modified() const { return modified_; }
  void setModified(bool m);

signals:
  void modifiedChanged(bool modified);

private:
  bool modified_ = false;
};

} // namespace kelmar::gui
