#include "calib/CalibFiles.h"

#include <QDir>
#include <QFileInfo>

#include "shell/Services.h"

namespace kelmar::gui {

QString AskSaveName(Services& s, const FileRequest& req) {
  QString name = s.dialogs.saveFile(req);
  if (name.isEmpty()) return {};
  const QFileInfo fi(name);
  name = fi.dir().filePath(fi.completeBaseName() + QLatin1Char('.') + req.defaultSuffix);
  return MayReplaceFile(s, name) ? name : QString();
}

bool MayReplaceFile(Services& s, const QString& name) {
  return !QFileInfo::exists(name) ||
         s.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                       QStringLiteral("File ") + name + QStringLiteral(" already exists. Replace ?"),
                       QString()) == Answer::Ok;
}

} // namespace kelmar::gui
