#include "views/CoreText.h"

#include <QFontDatabase>

namespace kelmar::gui {

QString CoreText(const std::string& s) {
  QString out = QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
  out.replace(QChar(0xE9), QChar(0x03B8));
  return out;
}

QFont ResultFont() {
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  f.setPointSize(10);
  f.setBold(false);
  return f;
}

} // namespace kelmar::gui
