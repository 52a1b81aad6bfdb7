// The "Price Options" dialog: targets, weights, combination and iteration limits.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "calib/PriceView.h"
#include "data/TextFormat.h"
#include "optim/Targets.h"

namespace kelmar::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

} // namespace

TPricOptiDialog::TPricOptiDialog(const PriceOptions& o, const std::array<float, kQTRows>& autoWeight,
                                 QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Price Options"));
  setObjectName(QStringLiteral("TPricOptiDialog"));
  auto* targets = new QGroupBox(QStringLiteral("Target functions"), this);
  auto* tl = new QGridLayout(targets);
  tl->addWidget(new QLabel(QStringLiteral("Weight"), targets), 0, 1);
  tl->addWidget(new QLabel(QStringLiteral("Auto"), targets), 0, 2);
  for (int k = 1; k <= kTargetCount; ++k) {
    targets_[k] = new QCheckBox(Q(TargetCaption(k)), targets);
    targets_[k]->setChecked(o.Selected[k]);
    weights_[k] = new QDoubleSpinBox(targets);
    weights_[k]->setRange(0.01, 100);
    weights_[k]->setDecimals(2);
    weights_[k]->setValue(o.Weight[k]);
    tl->addWidget(targets_[k], k, 0);
    tl->addWidget(weights_[k], k, 1);
    tl->addWidget(new QLabel(Q(FmtReal(autoWeight[k], 0, 2)), targets), k, 2);
  }
  auto* combine = new QGroupBox(QStringLiteral("Multiple target functions"), this);
  auto* cl = new QVBoxLayout(combine);
  qtType_ = new QButtonGroup(this);
  const char* kinds[3] = {"Minimize sum", "Minimize maximum", "Carrousel"};
  for (int i = 0; i < 3; ++i) {
    auto* b = new QRadioButton(QString::fromLatin1(kinds[i]), combine);
    qtType_->addButton(b, i);
    cl->addWidget(b);
  }
  if (QAbstractButton* b = qtType_->button(o.QTType)) b->setChecked(true);
  autoWeigh_ = new QCheckBox(QStringLiteral("Automatic weighing"), this);
  autoWeigh_->setChecked(o.AutoWeigh);
  keepOM_ = new QCheckBox(QStringLiteral("Constant sum OM"), this);
  keepOM_->setChecked(o.KeepOM);
  iter_ = new QSpinBox(this);
  iter_->setRange(0, 100);
  iter_->setValue(o.NIterPSet);
  ftol_ = new QDoubleSpinBox(this);
  ftol_->setRange(0, 1);
  ftol_->setDecimals(3);
  ftol_->setValue(o.Ftol);
  auto* limits = new QGridLayout;
  limits->addWidget(new QLabel(QStringLiteral("Number of iterations per parameterset"), this), 0, 0);
  limits->addWidget(iter_, 0, 1);
  limits->addWidget(new QLabel(QStringLiteral("Minimum target function range"), this), 1, 0);
  limits->addWidget(ftol_, 1, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* l = new QVBoxLayout(this);
  l->addWidget(targets);
  l->addWidget(combine);
  l->addWidget(autoWeigh_);
  l->addWidget(keepOM_);
  l->addLayout(limits);
  l->addWidget(buttons);
}

PriceOptions TPricOptiDialog::options() const {
  PriceOptions o;
  for (int k = 1; k <= kTargetCount; ++k) {
    o.Selected[k] = targets_[k]->isChecked();
    o.Weight[k] = static_cast<float>(weights_[k]->value());
  }
  o.QTType = std::max(0, qtType_->checkedId());
  o.AutoWeigh = autoWeigh_->isChecked();
  o.KeepOM = keepOM_->isChecked();
  o.NIterPSet = iter_->value();
  o.Ftol = static_cast<float>(ftol_->value());
  return o;
}

} // namespace kelmar::gui
