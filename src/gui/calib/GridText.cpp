#include "calib/GridText.h"

#include <QStringList>
#include <QTableWidget>

namespace kelmar::gui {

QString GridText(const QTableWidget& grid, bool all) {
  const auto cell = [&grid](int r, int c) {
    return grid.item(r, c) ? grid.item(r, c)->text().trimmed() : QString();
  };
  QStringList head;
  for (int c = 0; c < grid.columnCount(); ++c) head << grid.horizontalHeaderItem(c)->text().trimmed();
  QString text = head.join(QLatin1Char('\t')) + QLatin1Char('\n');
  for (int r = 0; r < grid.rowCount(); ++r) {
    bool selected = all;
    for (int c = 0; !selected && c < grid.columnCount(); ++c)
      selected = grid.item(r, c) && grid.item(r, c)->isSelected();
    if (!selected) continue;
    QStringList cells;
    for (int c = 0; c < grid.columnCount(); ++c) cells << cell(r, c);
    text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  return text;
}

} // namespace kelmar::gui
