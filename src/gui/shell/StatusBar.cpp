#include "shell/StatusBar.h"

#include <QFontMetrics>
#include <QStatusBar>
#include <algorithm>

#include "Version.h"
#include "Workspace.h"
#include "data/TextFormat.h"
#include "views/CoreText.h"

namespace kelmar::gui {

StatusPanels::StatusPanels(QStatusBar* bar) : QObject(bar) {
  line_ = new QLabel(QString::fromLatin1(kVersionText), bar);
  line_->setObjectName(QStringLiteral("StatusLine"));
  range_ = new ClickLabel(bar);
  range_->setObjectName(QStringLiteral("RangePanel"));
  parm_ = new ClickLabel(bar);
  parm_->setObjectName(QStringLiteral("ParmPanel"));
  // Wide enough for the longest texts in the bar's own font.
  const QFontMetrics fm(bar->font());
  range_->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("Range: 000 - 000")) + 12);
  parm_->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("MMMMMMMM = 000.000")) + 12);
  bar->addWidget(line_, 1);
  bar->addPermanentWidget(range_);
  bar->addPermanentWidget(parm_);
  connect(range_, &ClickLabel::doubleClicked, this, &StatusPanels::rangeDoubleClicked);
  connect(parm_, &ClickLabel::doubleClicked, this, &StatusPanels::parmDoubleClicked);
}

void StatusPanels::showHint(const QString& hint) {
  line_->setText(hint.isEmpty() ? QString::fromLatin1(kVersionText) : hint);
}

void StatusPanels::update(const Workspace& ws) {
  const ProgramState& st = ws.state;
  const QString range = QStringLiteral("Range: ") + CoreText(FmtInt(st.RangeFrom, 3)) +
                        QStringLiteral(" - ") + CoreText(FmtInt(st.RangeTill, 3));
  if (range_->text() != range) range_->setText(range);
  const int p = std::clamp(st.SelParm, 1, kParmCount);
  const AutoParm& a = ws.parms[p];
  const QString parm = CoreText(std::string(a.name)) + QStringLiteral(" = ") +
                       CoreText(FmtReal(ws.parms.value(ws.scenario, p), 6, a.decimals));
  if (parm_->text() != parm) parm_->setText(parm);
}

} // namespace kelmar::gui
