#include "output/Printing.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include "views/CoreText.h"

namespace kelmar::gui {

QFont PrinterFont() {
  QFont f(QStringLiteral("Courier New"), 10);
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  if (!QFontInfo(f).fixedPitch()) {
    f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(10);
  }
  f.setBold(false);
  return f;
}

std::vector<QStringList> SplitPages(const std::string& text) {
  std::vector<QStringList> pages(1);
  std::string line;
  auto endLine = [&] {
    pages.back() << CoreText(line);
    line.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\f') {
      if (!line.empty()) endLine();
      pages.emplace_back();
      // The line end that follows the form feed belongs to it.
      if (i + 1 < text.size() && text[i + 1] == '\r') ++i;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endLine();
    } else if (c == '\n') {
      endLine();
    } else {
      line += c;
    }
  }
  if (!line.empty()) endLine();
  if (pages.size() > 1 && pages.back().isEmpty()) pages.pop_back();
  return pages;
}

bool PrintText(QPrinter& printer, const std::string& text) {
  QPainter p;
  if (!p.begin(&printer)) return false;
  const QFont font(PrinterFont(), &printer);
  p.setFont(font);
  p.setPen(Qt::black);
  const QFontMetrics fm(font, &printer);
  const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
  const int lineHeight = fm.lineSpacing();
  const int bottom = area.height() - fm.descent();
  bool first = true;
  for (const QStringList& page : SplitPages(text)) {
    if (!first) printer.newPage();
    first = false;
    int y = fm.ascent();
    for (const QString& l : page) {
      if (y > bottom) {
        printer.newPage();
        y = fm.ascent();
      }
      p.drawText(0, y, l);
      y += lineHeight;
    }
  }
  p.end();
  return true;
}

} // namespace kelmar::gui
