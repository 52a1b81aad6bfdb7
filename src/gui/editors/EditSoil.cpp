#include "editors/EditSoil.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "Workspace.h"
#include "editors/DirEdit.h"
#include "editors/EditParm.h"
#include "editors/LibrarySelect.h"
#include "shell/Services.h"

namespace kelmar::gui {

void PlaceModal(QWidget* dialog, QWidget* frame, int top) {
  dialog->adjustSize();
  const QRect screen = dialog->screen() ? dialog->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  const int y = (frame ? frame->geometry().top() : screen.top()) + top;
  dialog->move(screen.left() + (screen.width() - dialog->width()) / 2, y);
}

namespace {
QPushButton* Button(QWidget* parent, const char* name, const char* caption, const char* hint) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromLatin1(hint));
  return b;
}
} // namespace

TSoilDialog::TSoilDialog(Services& s, QWidget* parent) : TFormEditor(s, parent) {
  setWindowTitle(QStringLiteral("Soil"));
  auto* top = new QVBoxLayout(this);
  auto* g = new QGridLayout;
  g->addWidget(new QLabel(QStringLiteral("TopSoil"), this), 0, 1);
  g->addWidget(new QLabel(QStringLiteral("SubSoil"), this), 0, 4);
  name1_ = addName(
      g, 1, 0, QStringLiteral("Name"), [](Scenario& sc, int) { return &sc.Soil[0].Name; }, 0);
  name2_ = addName(
      g, 1, 3, QStringLiteral("Name"), [](Scenario& sc, int) { return &sc.Soil[1].Name; }, 0);
  name1_->setObjectName(QStringLiteral("Name1"));
  name2_->setObjectName(QStringLiteral("Name2"));
  const std::vector<ScenarioField> f = SoilFields();
  for (int l = 0; l < 2; ++l)
    for (int i = 0; i < 3; ++i) {
      ScenarioField d = f[static_cast<size_t>(3 * l + i)];
      if (l == 0) d.unit.clear(); // the units stand once, after the SubSoil column
      addInput(g, 2 + i, 3 * l, d);
    }
  top->addLayout(g);

  auto* buttons = new QHBoxLayout;
  auto* topSoil = Button(this, "TopSoil", "&TopSoil", "Select TopSoil from standard file");
  auto* subSoil = Button(this, "SubSoil", "&SubSoil", "Select SubSoil from standard file");
  auto* file = Button(this, "File", "&File", "Select file with standard soils");
  auto* parms1 = Button(this, "Parms1", "P&arms 1", "Change parameters TopSoil");
  auto* parms2 = Button(this, "Parms2", "Par&ms 2", "Change parameters SubSoil");
  for (QPushButton* b : {topSoil, subSoil, file, parms1, parms2}) buttons->addWidget(b);
  buttons->addWidget(AddUndoButton(this, this));
  top->addLayout(buttons);
  top->addStretch(1);
  connect(topSoil, &QPushButton::clicked, this, [this] { selectSoil(1); });
  connect(subSoil, &QPushButton::clicked, this, [this] { selectSoil(2); });
  connect(file, &QPushButton::clicked, this, [this] { ChooseLibraryFile(s_, LibraryKind::Soil); });
  connect(parms1, &QPushButton::clicked, this, [this] { editParameters(1); });
  connect(parms2, &QPushButton::clicked, this, [this] { editParameters(2); });
  Refresh();
}

TSoilDialog::~TSoilDialog() { delete parms_.data(); }

void TSoilDialog::selectSoil(int layer) {
  // Pending edits of the other fields are kept: they are applied first.
  if (modified()) {
    if (!Validate()) return;
    Apply();
  }
  if (SelectSoilFromLibrary(s_, layer)) Refresh();
}

TSoilParmDialog* TSoilDialog::editParameters(int layer) {
  if (modified()) {
    if (!Validate()) return nullptr;
    Apply();
  }
  if (parms_) parms_->close();
  parms_ = new TSoilParmDialog(s_, layer, s_.window);
  parms_->setWindowFlag(Qt::Dialog);
  parms_->setWindowModality(Qt::ApplicationModal);
  PlaceModal(parms_, s_.window, 100);
  parms_->show();
  return parms_;
}

TSoilParmDialog::TSoilParmDialog(Services& s, int layer, QWidget* parent)
    : TFormEditor(s, parent), layer_(layer) {
  setWindowTitle(layer == 1 ? QStringLiteral("Parameters TopSoil") : QStringLiteral("Parameters SubSoil"));
  auto* top = new QVBoxLayout(this);
  auto* g = new QGridLayout;
  int row = 0;
  for (const ScenarioField& f : SoilParameterFields(layer)) {
    ScenarioField d = f;
    d.key += std::to_string(layer);
    addInput(g, row++, 0, d);
  }
  top->addLayout(g);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OK"));
  buttons->addStretch();
  buttons->addWidget(AddUndoButton(this, this));
  buttons->addWidget(ok);
  top->addLayout(buttons);
  top->addStretch(1);
  connect(ok, &QPushButton::clicked, this, &QWidget::close);
  Refresh();
}

void TSoilParmDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_E && e->modifiers() == Qt::ControlModifier) {
    RunDirEdit(s_, this);
    return;
  }
  TFormEditor::keyPressEvent(e);
}

} // namespace kelmar::gui
