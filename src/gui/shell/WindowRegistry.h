// The child windows of the frame, by key. A window kind is registered once
// (class key, factory, flags, size); the registry opens or raises windows,
// refreshes them after runs and option changes, commits editors, and saves
// and restores which windows are open and where.
#pragma once

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStringList>
#include <functional>
#include <optional>

#include "Workspace.h"
#include "widgets/IniForm.h"

class QMdiArea;
class QMdiSubWindow;

namespace kelmar {
class IniFile;
struct Options;
} // namespace kelmar

namespace kelmar::gui {

enum WindowFlag : unsigned {
  kResultWindow = 0x01,   // refilled after every run and range change
  kScenarioWindow = 0x02, // refilled after the scenario changed (load, shift, ...)
  kOptionsWindow = 0x04,  // refilled after the options changed
  kPerNumber = 0x08,      // one window per number (summaries, graphs), else one window
  kFloating = 0x10,       // a stay-on-top window of its own, outside the frame
  kCentred = 0x20,        // opened centred at the top of the frame
  kEditor = 0x40,         // a TMyDialog whose pending edits are committed before commands
};

struct WindowKind {
  QString cls; // the class part of the window's INI key: "TRsltView"
  // Creates the window for a number (a table or graph kind; 0 where there is
  // none); nullptr when the number names no window.
  std::function<TIniForm*(int number)> create;
  unsigned flags = 0;
  // The size of a new window; empty: the form's own size.
  std::function<QSize(TIniForm*)> size = {};
  // Shows another number in the open window of a single-window kind; false
  // for a number the kind does not have (the window stays as it was).
  std::function<bool(TIniForm*, int number)> reuse = {};
  // Places a new sub-window where no saved position applies.
  std::function<void(QMdiSubWindow*, QMdiArea*)> place = {};
  // The document an editor edits (kEditor only).
  std::optional<Doc> doc = {};
};

class WindowRegistry : public QObject {
  Q_OBJECT
public:
  WindowRegistry(QMdiArea* mdi, IniFile& ini, const Options& options, QWidget* frame);

  void add(WindowKind kind);
  bool has(const QString& cls) const { return kinds_.contains(cls); }
  // The class keys of every registered kind.
  QStringList kindKeys() const { return kinds_.keys(); }
  // Opens the window (or brings the open one to the front, restoring it when
  // minimised); nullptr when no such window exists.
  TIniForm* show(const QString& cls, int number = 0);
  template <class T> T* show(const QString& cls, int number = 0) {
    return qobject_cast<T*>(show(cls, number));
  }
  // Opens a window minimised, as files loaded with a scenario show their
  // editors; an open window keeps its place and state.
  TIniForm* showMinimised(const QString& cls);
  // Closes the window if it is open.
  void close(const QString& cls);
  // Closes an open window, else opens it.
  void toggle(const QString& cls, int number = 0);
  TIniForm* find(const QString& cls, int number = 0) const;
  template <class T> T* get(const QString& cls, int number = 0) const {
    return qobject_cast<T*>(find(cls, number));
  }
  // The active MDI child, if it is one of ours.
  TIniForm* active() const;
  // The document of the active editor, if the active window is one.
  std::optional<Doc> activeEditorDoc() const;

  // Refills the open editors of a document (after it was loaded, saved,
  // emptied or moved outside them).
  void refreshEditors(Doc doc);
  // The class key of the editor of a document; empty when none is
  // registered (the scenario has several: the first registered).
  QString editorClass(Doc doc) const;
  // Whether an open editing window (TMyDialog) holds edits not yet applied.
  bool anyPendingEdits() const;
  // Refills every open window with one of the flags.
  void refresh(unsigned flags);
  // Refills the result windows after a run or a range change.
  void RefreshResultWindows();
  // Commits the pending edits of the open editors (of one document, or all);
  // false when one holds a value it cannot accept.
  bool commitEditors(std::optional<Doc> doc = std::nullopt);

  // "Open Windows": reopens the windows listed, from the last to the first.
  void restoreOpenWindows();
  // Lists the open windows and their positions in the INI file.
  void saveOpenWindows();
  // Closes the floating windows, then the MDI children from the last to the
  // first. With `forget`, positions are not saved again (shut-down).
  void closeAll(bool forget = false);

signals:
  void resultsRefreshed();
  void windowsChanged();

protected:
  bool eventFilter(QObject* obj, QEvent* e) override;

private:
  // The open window, or a new one created and placed (not brought forward).
  TIniForm* open(const QString& cls, int number);
  QString slotKey(const WindowKind& k, int number) const;
  void addChild(const WindowKind& k, TIniForm* form);
  void bringToFront(TIniForm* form);
  void onClosing(TIniForm* form);

  QMdiArea* mdi_;
  IniFile& ini_;
  const Options& options_;
  QWidget* frame_;
  QMap<QString, WindowKind> kinds_;
  QMap<QString, QPointer<TIniForm>> open_; // by slot key
  QMap<TIniForm*, QString> kindOf_;        // open window -> its kind's class key
  bool forgetting_ = false;
};

} // namespace kelmar::gui
