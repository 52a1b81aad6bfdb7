#include "editors/EditParm.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Workspace.h"
#include "dialogs/UserDialogs.h"
#include "shell/Services.h"

namespace kelmar::gui {

QPushButton* AddUndoButton(TFormEditor* editor, QWidget* parent) {
  auto* b = new QPushButton(QStringLiteral("&Undo"), parent);
  b->setObjectName(QStringLiteral("Undo"));
  b->setToolTip(QStringLiteral("Undo changes since the last apply"));
  b->setFocusPolicy(Qt::NoFocus); // the focused input's pending text is what Undo drops
  QObject::connect(b, &QPushButton::clicked, editor, &TFormEditor::Undo);
  return b;
}

TParmDialog::TParmDialog(Services& s, QWidget* parent) : TFormEditor(s, parent) {
  setWindowTitle(QStringLiteral("Scenario Parameters"));
  auto* top = new QVBoxLayout(this);
  auto* head = new QGridLayout;
  title_ = addName(
      head, 0, 0, QStringLiteral("T&itle"), [](Scenario& sc, int) { return &sc.Title; }, 0);
  title_->setObjectName(QStringLiteral("Title"));
  top->addLayout(head);

  const std::vector<ScenarioField> f = ParameterFields();
  auto* time = new QGroupBox(QStringLiteral("Scenario Time Scale"), this);
  auto* tg = new QGridLayout(time);
  for (int i = 0; i < 3; ++i) addInput(tg, i, 0, f[static_cast<size_t>(i)]);
  top->addWidget(time);

  auto* general = new QGridLayout;
  for (int i = 3; i < 14; ++i) addInput(general, (i - 3) % 6, (i - 3) / 6 * 3, f[static_cast<size_t>(i)]);
  top->addLayout(general);

  auto* water = new QGroupBox(QStringLiteral("WaterTable"), this);
  auto* wg = new QGridLayout(water);
  wg->addWidget(new QLabel(QStringLiteral("Max"), water), 0, 0);
  wg->addWidget(new QLabel(QStringLiteral("Min"), water), 1, 0);
  for (int p = 0; p < 2; ++p)
    for (int c = 0; c < 3; ++c) {
      ScenarioField d = f[static_cast<size_t>(14 + 3 * p + c)];
      if (c == 0) d.unit.clear();
      addInput(wg, p, 1 + 3 * c, d);
    }
  top->addWidget(water);

  auto* enviRow = new QHBoxLayout;
  auto* enviButton = new QPushButton(QStringLiteral("Envi&File"), this);
  enviButton->setObjectName(QStringLiteral("EnviFileButton"));
  enviButton->setToolTip(QStringLiteral("Selcect auto-load environment file for this scenario"));
  envi_ = new QLineEdit(this);
  envi_->setObjectName(QStringLiteral("EnviFile"));
  connect(envi_, &QLineEdit::textEdited, this, [this] { setModified(true); });
  connect(enviButton, &QPushButton::clicked, this, &TParmDialog::chooseEnviFile);
  enviRow->addWidget(enviButton);
  enviRow->addWidget(envi_, 1);
  enviRow->addWidget(AddUndoButton(this, this));
  top->addLayout(enviRow);
  top->addStretch(1);
  Refresh();
}

void TParmDialog::Refresh() {
  envi_->setText(QString::fromStdString(s_.ws.scenario.EnviFile));
  enviShown_ = envi_->text();
  TFormEditor::Refresh();
}

void TParmDialog::Apply() {
  if (envi_->text() != enviShown_) {
    s_.ws.scenario.EnviFile = envi_->text().trimmed().toStdString();
    enviShown_ = envi_->text();
  }
  TFormEditor::Apply();
}

void TParmDialog::chooseEnviFile() {
  const QString dataDir = QString::fromStdString(s_.ws.state.DataDir);
  const QString name =
      s_.dialogs.openFile({QStringLiteral("Select auto-load environment file"), dataDir, envi_->text(),
                           QStringLiteral("Environment files (*.ENV)"), QStringLiteral("ENV")});
  if (name.isEmpty()) return;
  const QFileInfo info(name);
  // A file in the data directory is named alone, so that the scenario
  // finds it again when the directory moves.
  const bool inDataDir = QDir(info.absolutePath()) == QDir(dataDir);
  envi_->setText(inDataDir ? info.fileName() : info.absoluteFilePath());
  setModified(true);
}

TSSOMDialog::TSSOMDialog(Services& s, QWidget* parent) : TFormEditor(s, parent) {
  setWindowTitle(QStringLiteral("SubSoil Organic Matter"));
  auto* top = new QVBoxLayout(this);
  auto* g = new QGridLayout;
  int row = 0;
  for (const ScenarioField& f : SubSoilOMFields()) addInput(g, row++, 0, f);
  top->addLayout(g);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(AddUndoButton(this, this));
  top->addLayout(buttons);
  top->addStretch(1);
  Refresh();
}

} // namespace kelmar::gui
