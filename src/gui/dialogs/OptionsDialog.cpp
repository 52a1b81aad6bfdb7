#include "dialogs/OptionsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "dialogs/UserDialogs.h"

namespace kelmar::gui {

namespace {
struct BitCaption {
  uint32_t bit;
  const char* caption;
};
constexpr BitCaption kOptiBoxes[] = {
    {kOptNoParmBackup, "&No parameter backup on load/save scenario"},
    {kOptCalcOnLoad, "C&alculate model on loading scenario"},
    {kOptClearGraph, "Clea&r graph on Increase/Decrease"},
    {kOptIncludeDate, "Include &date in data output"},
    {kOptIncludeTime, "Include &time in data output"},
    {kOptMoveEnvOnContinue, "&Move environment on Continue"},
    {kOptShowPK, "&Show P and K, not P2O5 and K2O balance"},
    {kOptKeepWindowPos, "Keep &window positions"},
    {kOptDirEdit, "&Enable Directory Edit dialog"},
    {kOptGraphLandscape, "Print graphs in Landscape &orientation"},
    {kOptGraphBW, "Print graphs in &Black and White"},
    {kOptGraphFileName, "Include scenario &filename in graph title"},
    {kOptGraphTitle, "Include scenario t&itle in graph title"},
    {kOptCropBars, "Show light blue cro&p bars in graphs"},
    {kOptAutoSave, "AutoSave Kelmar options"},
};
constexpr BitCaption kOpt2Boxes[] = {
    {kOpt2CContentWithAge, "Increase C-content organic matter with age"},
    {kOpt2KeepTotalIOM, "Keep constant total IOM when REPEATing"},
};
} // namespace

TKelmOptiDialog::TKelmOptiDialog(Options& options, UserDialogs* dialogs, QWidget* parent)
    : QDialog(parent), options_(options), dialogs_(dialogs) {
  if (!dialogs_) {
    ownDialogs_ = std::make_unique<QtUserDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  setWindowTitle(QStringLiteral("Kelmar Options"));
  auto* boxes = new QGridLayout;
  int i = 0;
  for (const BitCaption& b : kOptiBoxes) {
    auto* cb = new QCheckBox(QString::fromLatin1(b.caption), this);
    cb->setChecked((options.KelmOpti & b.bit) != 0);
    opti_.insert(b.bit, cb);
    boxes->addWidget(cb, i % 9, i / 9);
    ++i;
  }
  for (const BitCaption& b : kOpt2Boxes) {
    auto* cb = new QCheckBox(QString::fromLatin1(b.caption), this);
    cb->setChecked((options.KelmOpt2 & b.bit) != 0);
    opt2_.insert(b.bit, cb);
    boxes->addWidget(cb, i % 9, i / 9);
    ++i;
  }
  printToFile_ = new QCheckBox(QStringLiteral("Print data, view or summary to te&xt file"), this);
  printToFile_->setChecked(options.PrntType == 2);
  boxes->addWidget(printToFile_, i % 9, i / 9);

  auto* corrBox = new QGroupBox(QStringLiteral("Nm &vs Ni use N-modelled of:"), this);
  auto* corrLayout = new QVBoxLayout(corrBox);
  corr_ = new QButtonGroup(this);
  const char* corrCaptions[] = {"same week", "+/- 1/2 week average", "+/- 1 week average"};
  for (int k = 0; k < 3; ++k) {
    auto* rb = new QRadioButton(QString::fromLatin1(corrCaptions[k]), corrBox);
    corr_->addButton(rb, k);
    corrLayout->addWidget(rb);
  }
  if (auto* b = corr_->button(std::clamp(options.CorrOpti, 0, 2))) b->setChecked(true);

  auto* rangeBox = new QGroupBox(QStringLiteral("Nm vs Ni ranges [kg N/ha]:"), this);
  auto* rangeForm = new QFormLayout(rangeBox);
  lower_ = new QDoubleSpinBox(rangeBox);
  higher_ = new QDoubleSpinBox(rangeBox);
  // The inputs take any number; their limits are checked on OK, with a
  // message, so that nothing typed is silently changed.
  for (QDoubleSpinBox* s : {lower_, higher_}) {
    s->setDecimals(0);
    s->setRange(-1e6, 1e6);
  }
  lower_->setValue(options.CorrRng1);
  higher_->setValue(options.CorrRng2);
  rangeForm->addRow(QStringLiteral("&Lower:"), lower_);
  rangeForm->addRow(QStringLiteral("&Higher:"), higher_);

  auto* scaleForm = new QFormLayout;
  scale_ = new QSpinBox(this);
  scale_->setRange(-1000000, 1000000);
  scale_->setValue(options.GraphPrintScale);
  scaleForm->addRow(QStringLiteral("&GraphPrintScale:"), scale_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* lower = new QGridLayout;
  lower->addWidget(corrBox, 0, 0, 2, 1);
  lower->addWidget(rangeBox, 0, 1);
  lower->addLayout(scaleForm, 1, 1);
  auto* v = new QVBoxLayout(this);
  v->addLayout(boxes);
  v->addLayout(lower);
  v->addWidget(buttons);
}

void TKelmOptiDialog::accept() {
  if (!checkLimits()) return;
  uint32_t opti = 0;
  for (auto it = opti_.cbegin(); it != opti_.cend(); ++it)
    if (it.value()->isChecked()) opti |= it.key();
  uint32_t opt2 = 0;
  for (auto it = opt2_.cbegin(); it != opt2_.cend(); ++it)
    if (it.value()->isChecked()) opt2 |= it.key();
  options_.KelmOpti = opti;
  options_.KelmOpt2 = opt2;
  options_.PrntType = printToFile_->isChecked() ? 2 : 0;
  options_.CorrOpti = std::max(0, corr_->checkedId());
  options_.CorrRng1 = static_cast<float>(lower_->value());
  options_.CorrRng2 = static_cast<float>(higher_->value());
  if (options_.CorrRng2 < options_.CorrRng1) options_.CorrRng2 = options_.CorrRng1;
  options_.GraphPrintScale = scale_->value();
  QDialog::accept();
}

bool TKelmOptiDialog::checkLimits() {
  struct Limit {
    QAbstractSpinBox* input;
    double value, min, max;
  };
  const Limit limits[] = {{lower_, lower_->value(), 0, 100},
                          {higher_, higher_->value(), 0, 100},
                          {scale_, double(scale_->value()), 50, 200}};
  for (const Limit& l : limits) {
    // A text the input cannot read is outside the limits as well.
    if (l.input->hasAcceptableInput() && l.value >= l.min && l.value <= l.max) continue;
    dialogs_->inform(BoxType::Error,
                     QStringLiteral("Value must be between %1 and %2 !").arg(l.min).arg(l.max));
    l.input->setFocus();
    l.input->selectAll();
    return false;
  }
  return true;
}

} // namespace kelmar::gui
