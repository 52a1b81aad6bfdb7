#include "shell/WindowRegistry.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>
#include <vector>

#include "Options.h"
#include "data/IniFile.h"

namespace kelmar::gui {

WindowRegistry::WindowRegistry(QMdiArea* mdi, IniFile& ini, const Options& options, QWidget* frame)
    : QObject(frame), mdi_(mdi), ini_(ini), options_(options), frame_(frame) {}

void WindowRegistry::add(WindowKind kind) {
  const QString cls = kind.cls;
  kinds_.insert(cls, std::move(kind));
}

QString WindowRegistry::slotKey(const WindowKind& k, int number) const {
  return (k.flags & kPerNumber) ? k.cls + QLatin1Char('_') + QString::number(number) : k.cls;
}

TIniForm* WindowRegistry::find(const QString& cls, int number) const {
  const auto k = kinds_.constFind(cls);
  if (k == kinds_.cend()) return nullptr;
  return open_.value(slotKey(*k, number)).data();
}

TIniForm* WindowRegistry::open(const QString& cls, int number) {
  const auto k = kinds_.constFind(cls);
  if (k == kinds_.cend()) return nullptr;
  const QString key = slotKey(*k, number);
  TIniForm* form = open_.value(key).data();
  if (form) {
    if (k->reuse && !k->reuse(form, number)) return nullptr;
    return form;
  }
  form = k->create(number);
  if (!form) return nullptr;
  open_.insert(key, form);
  kindOf_.insert(form, cls);
  connect(form, &TIniForm::closing, this, &WindowRegistry::onClosing);
  connect(form, &QObject::destroyed, this, [this, form] {
    kindOf_.remove(form);
    emit windowsChanged();
  });
  if (k->flags & kFloating) {
    form->setParent(frame_, form->windowFlags() | Qt::Tool | Qt::WindowStaysOnTopHint);
    if (options_.has(kOptKeepWindowPos)) RestoreWindowPosition(ini_, form->WindowKey(), form);
  } else {
    addChild(*k, form);
  }
  return form;
}

TIniForm* WindowRegistry::show(const QString& cls, int number) {
  TIniForm* form = open(cls, number);
  if (!form) return nullptr;
  bringToFront(form);
  emit windowsChanged();
  return form;
}

TIniForm* WindowRegistry::showMinimised(const QString& cls) {
  if (TIniForm* form = find(cls)) return form;
  TIniForm* form = open(cls, 0);
  if (!form) return nullptr;
  form->frame()->showMinimized();
  emit windowsChanged();
  return form;
}

void WindowRegistry::close(const QString& cls) {
  if (TIniForm* form = find(cls)) form->frame()->close();
}

void WindowRegistry::toggle(const QString& cls, int number) {
  if (TIniForm* f = find(cls, number))
    f->frame()->close();
  else
    show(cls, number);
}

void WindowRegistry::addChild(const WindowKind& k, TIniForm* form) {
  QMdiSubWindow* sub = mdi_->addSubWindow(form);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->installEventFilter(this);
  // The form's own size is what its content needs; the frame (title bar and
  // borders) comes on top of it.
  const QSize size = k.size ? k.size(form) : form->size().grownBy(sub->contentsMargins());
  sub->resize(size);
  const QSize view = mdi_->viewport()->size();
  if (k.flags & kCentred) {
    // Centred horizontally, or as wide as the frame at its left edge.
    if (view.width() < size.width())
      sub->setGeometry(0, 0, view.width(), size.height());
    else
      sub->move((view.width() - size.width()) / 2, 0);
  }
  const bool restored =
      options_.has(kOptKeepWindowPos) && ini_.hasKey(kWindowPositionSection, form->WindowKey().toStdString());
  if (!restored && k.place) k.place(sub, mdi_);
  sub->setProperty("kelmarNormalBounds", sub->geometry());
  if (options_.has(kOptKeepWindowPos)) RestoreWindowPosition(ini_, form->WindowKey(), sub);
  if (!sub->isMinimized() && !sub->isMaximized()) sub->show();
}

void WindowRegistry::bringToFront(TIniForm* form) {
  QWidget* f = form->frame();
  if (f->isMinimized()) f->showNormal();
  f->show();
  if (auto* sub = qobject_cast<QMdiSubWindow*>(f)) mdi_->setActiveSubWindow(sub);
  f->raise();
}

void WindowRegistry::onClosing(TIniForm* form) {
  if (!forgetting_ && options_.has(kOptKeepWindowPos))
    SaveWindowPosition(ini_, form->WindowKey(), form->frame());
  emit windowsChanged();
}

bool WindowRegistry::eventFilter(QObject* obj, QEvent* e) {
  // An MDI sub-window's normal bounds are remembered while it is normal, so
  // that a minimised or maximised window can still save them.
  if (e->type() == QEvent::Move || e->type() == QEvent::Resize) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(obj); sub && !sub->isMinimized() && !sub->isMaximized())
      sub->setProperty("kelmarNormalBounds", sub->geometry());
  }
  return QObject::eventFilter(obj, e);
}

TIniForm* WindowRegistry::active() const {
  QMdiSubWindow* sub = mdi_->activeSubWindow();
  return sub ? qobject_cast<TIniForm*>(sub->widget()) : nullptr;
}

std::optional<Doc> WindowRegistry::activeEditorDoc() const {
  TIniForm* f = active();
  if (!f || !kindOf_.contains(f)) return std::nullopt;
  const WindowKind k = kinds_.value(kindOf_.value(f));
  return (k.flags & kEditor) ? k.doc : std::nullopt;
}

void WindowRegistry::refresh(unsigned flags) {
  for (auto it = kindOf_.cbegin(); it != kindOf_.cend(); ++it)
    if (kinds_.value(it.value()).flags & flags) it.key()->Refresh();
}

void WindowRegistry::refreshEditors(Doc doc) {
  for (auto it = kindOf_.cbegin(); it != kindOf_.cend(); ++it) {
    const WindowKind k = kinds_.value(it.value());
    if ((k.flags & kEditor) && k.doc == doc) it.key()->Refresh();
  }
}

bool WindowRegistry::anyPendingEdits() const {
  for (auto it = kindOf_.cbegin(); it != kindOf_.cend(); ++it)
    if (auto* d = qobject_cast<TMyDialog*>(it.key()); d && d->modified()) return true;
  return false;
}

QString WindowRegistry::editorClass(Doc doc) const {
  for (const WindowKind& k : kinds_)
    if ((k.flags & kEditor) && k.doc == doc) return k.cls;
  return {};
}

void WindowRegistry::RefreshResultWindows() {
  refresh(kResultWindow);
  emit resultsRefreshed();
}

bool WindowRegistry::commitEditors(std::optional<Doc> doc) {
  // The scenario editors first, then the series editors, the fitting window
  // and the rest: a refusal stops the command before later editors apply.
  static const char* const order[] = {"TParmDialog",     "TSoilDialog", "TSoilParmDialog", "TCropDialog",
                                      "TCropParmDialog", "TApplDialog", "TSSOMDialog",     "TEnviDialog",
                                      "TIrriDialog",     "TNminDialog", "TOmonDialog",     "TAutoDialog"};
  auto rank = [](const QString& cls) {
    for (int i = 0; i < int(std::size(order)); ++i)
      if (cls == QLatin1String(order[i])) return i;
    return int(std::size(order));
  };
  std::vector<std::pair<int, TIniForm*>> editors;
  for (auto it = kindOf_.cbegin(); it != kindOf_.cend(); ++it)
    editors.emplace_back(rank(it.value()), it.key());
  std::stable_sort(editors.begin(), editors.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [r, form] : editors) {
    const WindowKind k = kinds_.value(kindOf_.value(form));
    if (!(k.flags & kEditor) || (doc && k.doc != doc)) continue;
    auto* editor = qobject_cast<TMyDialog*>(form);
    if (!editor || !editor->modified()) continue;
    if (!editor->Validate()) return false;
    editor->Apply();
  }
  return true;
}

void WindowRegistry::restoreOpenWindows() {
  const std::vector<std::string> keys = ini_.sectionKeys(kOpenWindowsSection);
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    const QString key = QString::fromStdString(*it);
    const int us = key.indexOf(QLatin1Char('_'));
    const QString cls = us < 0 ? key : key.left(us);
    int number = 0;
    if (us >= 0) {
      bool ok = false;
      number = key.mid(us + 1).toInt(&ok);
      if (!ok) number = 0;
    }
    // Unknown classes and numbers that name no window open nothing.
    show(cls, number);
  }
}

void WindowRegistry::saveOpenWindows() {
  ini_.eraseSection(kOpenWindowsSection);
  const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
  long i = 0;
  for (; i < subs.size(); ++i) {
    auto* form = qobject_cast<TIniForm*>(subs[int(i)]->widget());
    if (!form || !subs[int(i)]->isVisible() || !kindOf_.contains(form)) continue;
    ini_.writeInteger(kOpenWindowsSection, form->WindowKey().toStdString(), i);
    SaveWindowPosition(ini_, form->WindowKey(), subs[int(i)]);
  }
  for (auto it = kindOf_.cbegin(); it != kindOf_.cend(); ++it) {
    if (!(kinds_.value(it.value()).flags & kFloating) || !it.key()->isVisible()) continue;
    ini_.writeInteger(kOpenWindowsSection, it.key()->WindowKey().toStdString(), i++);
    SaveWindowPosition(ini_, it.key()->WindowKey(), it.key());
  }
}

void WindowRegistry::closeAll(bool forget) {
  forgetting_ = forget;
  QList<TIniForm*> floating;
  for (auto it = kindOf_.cbegin(); it != kindOf_.cend(); ++it)
    if (kinds_.value(it.value()).flags & kFloating) floating << it.key();
  for (TIniForm* f : floating) f->close();
  const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
  for (auto it = subs.rbegin(); it != subs.rend(); ++it) (*it)->close();
  forgetting_ = false;
}

} // namespace kelmar::gui
