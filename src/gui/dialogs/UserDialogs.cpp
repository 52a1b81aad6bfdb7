#include "dialogs/UserDialogs.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace kelmar::gui {

QString DisplayText(const QString& text) {
  QString t = text;
  t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return t;
}

Answer QtUserDialogs::ask(BoxType type, Buttons buttons, const QString& text, const QString& caption) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title = caption;
  switch (type) {
  case BoxType::Error:
    icon = QMessageBox::Critical;
    if (title.isEmpty()) title = QStringLiteral("Error");
    break;
  case BoxType::Warning:
    icon = QMessageBox::Warning;
    if (title.isEmpty()) title = QStringLiteral("Warning");
    break;
  case BoxType::Information:
    icon = QMessageBox::Information;
    if (title.isEmpty()) title = QStringLiteral("Information");
    break;
  case BoxType::Confirmation:
    icon = QMessageBox::Question;
    if (title.isEmpty()) title = QStringLiteral("Confirm");
    break;
  case BoxType::Plain:
    if (title.isEmpty()) title = QStringLiteral("Kelmar");
    break;
  }
  QMessageBox::StandardButtons std = QMessageBox::Ok;
  switch (buttons) {
  case Buttons::Ok:
    std = QMessageBox::Ok;
    break;
  case Buttons::OkCancel:
    std = QMessageBox::Ok | QMessageBox::Cancel;
    break;
  case Buttons::YesNo:
    std = QMessageBox::Yes | QMessageBox::No;
    break;
  case Buttons::YesNoCancel:
    std = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    break;
  }
  QMessageBox box(icon, title, DisplayText(text), std, parent_);
  switch (box.exec()) {
  case QMessageBox::Ok:
    return Answer::Ok;
  case QMessageBox::Yes:
    return Answer::Yes;
  case QMessageBox::No:
    return Answer::No;
  default:
    return Answer::Cancel;
  }
}

static QString StartPath(const FileRequest& req) {
  if (req.fileName.isEmpty() || req.fileName.startsWith(QLatin1Char('*'))) return req.directory;
  return QDir(req.directory).filePath(req.fileName);
}

QString QtUserDialogs::openFile(const FileRequest& req) {
  QFileDialog dlg(parent_, req.title, StartPath(req), req.filter);
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().first();
}

QString QtUserDialogs::saveFile(const FileRequest& req) {
  QFileDialog dlg(parent_, req.title, StartPath(req), req.filter);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  // The program asks about replacing itself, after the extension is fixed.
  dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!req.defaultSuffix.isEmpty()) dlg.setDefaultSuffix(req.defaultSuffix);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().first();
}

QString QtUserDialogs::chooseDirectory(const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(parent_, title, start);
}

std::optional<QColor> QtUserDialogs::chooseColor(const QColor& initial, const QString& title) {
  const QColor c = QColorDialog::getColor(initial, parent_, title);
  if (!c.isValid()) return std::nullopt;
  return c;
}

std::optional<FontChoice> QtUserDialogs::chooseFont(const FontChoice& initial, const QString& title) {
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, initial.font, parent_, title);
  if (!ok) return std::nullopt;
  // The platform's font dialog has no colour: the colour is chosen next;
  // cancelling that keeps the colour the font had.
  FontChoice out{f, initial.color};
  const QColor c = QColorDialog::getColor(initial.color, parent_, title + QStringLiteral(": Color"));
  if (c.isValid()) out.color = c;
  return out;
}

int QtUserDialogs::chooseItem(const QString& title, const QString& label, const QStringList& items,
                              int current) {
  bool ok = false;
  const QString item = QInputDialog::getItem(parent_, title, label, items, current, false, &ok);
  return ok ? int(items.indexOf(item)) : -1;
}

} // namespace kelmar::gui
