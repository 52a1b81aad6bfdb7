#include "views/InfoView.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "Workspace.h"
#include "calc/Corr.h"
#include "data/TextFormat.h"
#include "views/CoreText.h"

namespace kelmar::gui {

TInfoView::TInfoView(Workspace& ws, QWidget* parent) : TIniForm(parent), ws_(ws) {
  setWindowTitle(QStringLiteral("Info View"));
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFont(ResultFont());
  QFontMetrics fm(font());
  const int mw = fm.horizontalAdvance(QLatin1Char('M'));
  setFixedSize(20 * mw, 12 * fm.height());
}

QStringList TInfoView::lines() const {
  const CorrResult c = CalcCorr(ws_);
  const int wk = std::clamp(ws_.state.InfoWeek, 0, 521);
  const WeekRecord& r = ws_.weeks[static_cast<size_t>(wk)];
  auto pair = [](const char* label, double a, double b, int w1, int w2, int d) {
    return QString::fromLatin1(label) + CoreText(FmtReal(a, w1, d)) + CoreText(FmtReal(b, w2, d));
  };
  QStringList out;
  out << QStringLiteral("Wk:") + CoreText(FmtReal(ws_.state.InfoWeek, 4, 0)) + QStringLiteral(" L1    L2");
  out << pair("NMin", r.dNt1, r.dNt2, 6, 6, 1);
  out << pair("NUpt", r.NUPT1, r.NUPT2, 6, 6, 1);
  out << pair("NOut", r.Nout1, r.Nout2, 6, 6, 1);
  out << pair("NDen", r.Den1, r.Den2, 6, 6, 1);
  out << pair("FOut", r.FOUT1, r.FOUT2, 6, 6, 1);
  out << pair("n Low ", c.Layer[0].n1, c.Layer[1].n1, 4, 6, 0);
  out << pair("n High", c.Layer[0].n2, c.Layer[1].n2, 4, 6, 0);
  out << pair("r   ", c.Layer[0].Corr, c.Layer[1].Corr, 6, 6, 3);
  return out;
}

void TInfoView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setFont(font());
  QFontMetrics fm(font());
  int y = 10 + fm.ascent();
  for (const QString& l : lines()) {
    p.drawText(10, y, l);
    y += fm.height();
  }
}

} // namespace kelmar::gui
