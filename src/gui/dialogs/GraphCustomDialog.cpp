#include "dialogs/GraphCustomDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "data/FileSystem.h"
#include "data/GraphSetupFile.h"
#include "dialogs/UserDialogs.h"

namespace kelmar::gui {

namespace {

QColor ToQ(GraphColor c) { return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c)); }
GraphColor FromQ(const QColor& c) { return MakeColor(c.red(), c.green(), c.blue()); }
template <size_t N> QString Text(const FixedString<N>& s) {
  return QString::fromUtf8(s.view().data(), int(s.size()));
}
template <size_t N> void SetText(FixedString<N>& s, const QString& t) {
  // Cut to the field's capacity in characters, then to its bytes.
  QByteArray b = t.left(int(N)).toUtf8();
  while (b.size() > int(N)) b.chop(1);
  s = FixedString<N>(std::string_view(b.constData(), size_t(b.size())));
}
// Axis limits are shown with the digits a single-precision value holds.
QString LimitText(float v) { return QString::number(double(v), 'g', 7); }

const QStringList kPenStyles{"Solid", "Dash", "Dot", "DashDot", "DashDotDot"};
const QStringList kShapes{"Square", "Circle", "Diamond", "Triangle", "Cross", "Plus"};

QPushButton* Panel(const QString& caption, const QString& name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  b->setMinimumHeight(28);
  return b;
}

QLineEdit* Edit(const QString& name, int maxLength, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaxLength(maxLength);
  return e;
}

} // namespace

QFont FontOfSetup(const FontSetup& f) {
  QFont font(f.Name.empty() ? QStringLiteral("Arial") : Text(f.Name));
  font.setPointSize(f.Size > 0 && f.Size <= 200 ? f.Size : 8);
  font.setBold(f.Style & kFontBold);
  font.setItalic(f.Style & kFontItalic);
  font.setUnderline(f.Style & kFontUnderline);
  font.setStrikeOut(f.Style & kFontStrikeOut);
  return font;
}

void FontToSetup(const QFont& font, FontSetup& f) {
  SetText(f.Name, font.family());
  f.Size = font.pointSize() > 0 ? font.pointSize()
                                : int(std::lround(font.pointSizeF() > 0 ? font.pointSizeF() : 8));
  f.Style = uint8_t((font.bold() ? kFontBold : 0) | (font.italic() ? kFontItalic : 0) |
                    (font.underline() ? kFontUnderline : 0) | (font.strikeOut() ? kFontStrikeOut : 0));
}

TFormGrphCust::TFormGrphCust(const GraphSetup& setup, UserDialogs& dialogs, QString setupDir, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), dir_(std::move(setupDir)), rec_(setup) {
  setWindowTitle(QStringLiteral("Customize Graph"));
  setObjectName(QStringLiteral("TFormGrphCust"));
  auto* top = new QVBoxLayout(this);

  auto* titles = new QGridLayout;
  edit1_ = Edit(QStringLiteral("Edit1"), 79, this);
  edit2_ = Edit(QStringLiteral("Edit2"), 32, this);
  edit3_ = Edit(QStringLiteral("Edit3"), 32, this);
  const std::pair<const char*, QLineEdit*> titleRows[] = {
      {"Graph T&itle", edit1_}, {"&X-Axis Title", edit2_}, {"&Y-Axis Title", edit3_}};
  int row = 0;
  for (const auto& [caption, edit] : titleRows) {
    auto* l = new QLabel(QString::fromLatin1(caption), this);
    l->setBuddy(edit);
    titles->addWidget(l, row, 0);
    titles->addWidget(edit, row++, 1);
  }
  top->addLayout(titles);

  auto* colours = new QHBoxLayout;
  panel1_ = Panel(QStringLiteral("&Background Color"), QStringLiteral("Panel1"), this);
  panel2_ = Panel(QStringLiteral("&Grid Color"), QStringLiteral("Panel2"), this);
  panel6_ = Panel(QStringLiteral("&Axis Color"), QStringLiteral("Panel6"), this);
  panel5_ = Panel(QStringLiteral("&Font"), QStringLiteral("Panel5"), this);
  panel5_->setToolTip(QStringLiteral("Change graph font name, size, style or color"));
  for (QPushButton* b : {panel1_, panel2_, panel6_, panel5_}) colours->addWidget(b);
  top->addLayout(colours);

  auto* grid = new QHBoxLayout;
  check1_ = new QCheckBox(QStringLiteral("Grid"), this);
  check1_->setObjectName(QStringLiteral("CheckBox1"));
  check1_->setToolTip(QStringLiteral("Show grid"));
  combo1_ = new QComboBox(this);
  combo1_->setObjectName(QStringLiteral("ComboBox1"));
  combo1_->addItems(kPenStyles);
  combo1_->setToolTip(QStringLiteral("Select grid line style"));
  grid->addWidget(check1_);
  grid->addWidget(combo1_);
  grid->addStretch();
  top->addLayout(grid);

  auto* ranges = new QGridLayout;
  check6_ = new QCheckBox(QStringLiteral("X-Range"), this);
  check6_->setObjectName(QStringLiteral("CheckBox6"));
  check7_ = new QCheckBox(QStringLiteral("Y-Range"), this);
  check7_->setObjectName(QStringLiteral("CheckBox7"));
  edit5_ = Edit(QStringLiteral("Edit5"), 20, this);
  edit6_ = Edit(QStringLiteral("Edit6"), 20, this);
  edit7_ = Edit(QStringLiteral("Edit7"), 20, this);
  edit8_ = Edit(QStringLiteral("Edit8"), 20, this);
  ranges->addWidget(check6_, 0, 0);
  ranges->addWidget(edit5_, 0, 1);
  ranges->addWidget(new QLabel(QStringLiteral("->"), this), 0, 2);
  ranges->addWidget(edit6_, 0, 3);
  ranges->addWidget(check7_, 1, 0);
  ranges->addWidget(edit7_, 1, 1);
  ranges->addWidget(new QLabel(QStringLiteral("->"), this), 1, 2);
  ranges->addWidget(edit8_, 1, 3);
  top->addLayout(ranges);

  auto* seriesBox = new QGroupBox(QStringLiteral("Series"), this);
  seriesBox->setToolTip(QStringLiteral("Select graph series"));
  auto* seriesRow = new QHBoxLayout(seriesBox);
  series_ = new QButtonGroup(this);
  for (int i = 0; i < kGraphSeriesCount; ++i) {
    auto* r = new QRadioButton(QStringLiteral("&%1").arg(i + 1), seriesBox);
    r->setObjectName(QStringLiteral("Series%1").arg(i + 1));
    series_->addButton(r, i);
    seriesRow->addWidget(r);
  }
  top->addWidget(seriesBox);

  check2_ = new QCheckBox(QStringLiteral("Acti&ve"), this);
  check2_->setObjectName(QStringLiteral("CheckBox2"));
  check2_->setToolTip(QStringLiteral("Enable selected series"));
  top->addWidget(check2_);
  group1_ = new QGroupBox(this);
  group1_->setObjectName(QStringLiteral("GroupBox1"));
  auto* g1 = new QVBoxLayout(group1_);
  auto* legendRow = new QHBoxLayout;
  edit4_ = Edit(QStringLiteral("Edit4"), 32, group1_);
  edit4_->setToolTip(QStringLiteral("Enter selected series legend"));
  auto* legendLabel = new QLabel(QStringLiteral("L&egend"), group1_);
  legendLabel->setBuddy(edit4_);
  legendRow->addWidget(legendLabel);
  legendRow->addWidget(edit4_);
  g1->addLayout(legendRow);

  check3_ = new QCheckBox(QStringLiteral("&Draw Line"), group1_);
  check3_->setObjectName(QStringLiteral("CheckBox3"));
  check3_->setToolTip(QStringLiteral("Show series line"));
  g1->addWidget(check3_);
  lineGroup_ = new QGroupBox(group1_);
  lineGroup_->setObjectName(QStringLiteral("LineGroup"));
  auto* lg = new QGridLayout(lineGroup_);
  panel3_ = Panel(QStringLiteral("Line &Color"), QStringLiteral("Panel3"), lineGroup_);
  combo2_ = new QComboBox(lineGroup_);
  combo2_->setObjectName(QStringLiteral("ComboBox2"));
  combo2_->addItems(kPenStyles);
  combo2_->setToolTip(QStringLiteral("Select series line style"));
  spin1_ = new QSpinBox(lineGroup_);
  spin1_->setObjectName(QStringLiteral("SpinEdit1"));
  spin1_->setRange(1, 10);
  auto* styleLabel = new QLabel(QStringLiteral("Li&ne Style"), lineGroup_);
  styleLabel->setBuddy(combo2_);
  auto* widthLabel = new QLabel(QStringLiteral("Line &Width"), lineGroup_);
  widthLabel->setBuddy(spin1_);
  lg->addWidget(panel3_, 0, 0, 1, 2);
  lg->addWidget(styleLabel, 1, 0);
  lg->addWidget(combo2_, 1, 1);
  lg->addWidget(widthLabel, 2, 0);
  lg->addWidget(spin1_, 2, 1);
  g1->addWidget(lineGroup_);

  check4_ = new QCheckBox(QStringLiteral("D&raw Points"), group1_);
  check4_->setObjectName(QStringLiteral("CheckBox4"));
  check4_->setToolTip(QStringLiteral("Show series points"));
  g1->addWidget(check4_);
  pointGroup_ = new QGroupBox(group1_);
  pointGroup_->setObjectName(QStringLiteral("PointGroup"));
  auto* pg = new QGridLayout(pointGroup_);
  panel4_ = Panel(QStringLiteral("Point C&olor"), QStringLiteral("Panel4"), pointGroup_);
  combo3_ = new QComboBox(pointGroup_);
  combo3_->setObjectName(QStringLiteral("ComboBox3"));
  combo3_->addItems(kShapes);
  combo3_->setToolTip(QStringLiteral("Select series point shape"));
  spin2_ = new QSpinBox(pointGroup_);
  spin2_->setObjectName(QStringLiteral("SpinEdit2"));
  spin2_->setRange(1, 50);
  check5_ = new QCheckBox(QStringLiteral("Poin&t Filled"), pointGroup_);
  check5_->setObjectName(QStringLiteral("CheckBox5"));
  auto* shapeLabel = new QLabel(QStringLiteral("&Point Style"), pointGroup_);
  shapeLabel->setBuddy(combo3_);
  auto* sizeLabel = new QLabel(QStringLiteral("Point Si&ze"), pointGroup_);
  sizeLabel->setBuddy(spin2_);
  pg->addWidget(panel4_, 0, 0, 1, 2);
  pg->addWidget(shapeLabel, 1, 0);
  pg->addWidget(combo3_, 1, 1);
  pg->addWidget(sizeLabel, 2, 0);
  pg->addWidget(spin2_, 2, 1);
  pg->addWidget(check5_, 3, 0, 1, 2);
  g1->addWidget(pointGroup_);
  top->addWidget(group1_);

  auto* buttons = new QHBoxLayout;
  auto* load = new QPushButton(QStringLiteral("&Load"), this);
  load->setObjectName(QStringLiteral("BitBtn1"));
  load->setToolTip(QStringLiteral("Load current graph setup from file"));
  load->setAutoDefault(false);
  auto* save = new QPushButton(QStringLiteral("&Save"), this);
  save->setObjectName(QStringLiteral("BitBtn2"));
  save->setToolTip(QStringLiteral("Save current graph setup to file"));
  save->setAutoDefault(false);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  box->button(QDialogButtonBox::Ok)->setToolTip(QStringLiteral("Apply changes and close"));
  box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
  box->button(QDialogButtonBox::Cancel)->setToolTip(QStringLiteral("Abandon changes and close"));
  box->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
  buttons->addWidget(load);
  buttons->addWidget(save);
  buttons->addStretch();
  buttons->addWidget(box);
  top->addLayout(buttons);
  top->setSizeConstraint(QLayout::SetFixedSize);

  connect(box, &QDialogButtonBox::accepted, this, &TFormGrphCust::accept);
  connect(box, &QDialogButtonBox::rejected, this, &TFormGrphCust::reject);
  connect(load, &QPushButton::clicked, this, &TFormGrphCust::loadSetup);
  connect(save, &QPushButton::clicked, this, &TFormGrphCust::saveSetup);
  connect(series_, &QButtonGroup::idClicked, this, &TFormGrphCust::seriesClicked);
  for (QCheckBox* c : {check2_, check3_, check4_, check6_, check7_})
    connect(c, &QCheckBox::toggled, this, &TFormGrphCust::updateVisibility);
  connect(panel1_, &QPushButton::clicked, this,
          [this] { chooseColor(back_, QStringLiteral("Background Color")); });
  connect(panel2_, &QPushButton::clicked, this, [this] { chooseColor(grid_, QStringLiteral("Grid Color")); });
  connect(panel3_, &QPushButton::clicked, this, [this] { chooseColor(line_, QStringLiteral("Line Color")); });
  connect(panel4_, &QPushButton::clicked, this,
          [this] { chooseColor(point_, QStringLiteral("Point Color")); });
  connect(panel6_, &QPushButton::clicked, this, [this] { chooseColor(axis_, QStringLiteral("Axis Color")); });
  connect(panel5_, &QPushButton::clicked, this, &TFormGrphCust::chooseFont);

  cur_ = 0;
  series_->button(0)->setChecked(true);
  showRecord();
}

void TFormGrphCust::showRecord() {
  const GraphSetup& r = rec_;
  edit1_->setText(Text(r.GraphTitle));
  edit2_->setText(Text(r.XAxisTitle));
  edit3_->setText(Text(r.YAxisTitle));
  check1_->setChecked(r.GridLines);
  combo1_->setCurrentIndex(std::min<int>(r.GridStyle, 4));
  back_ = ToQ(r.BackColor);
  fontColor_ = ToQ(r.Font.Color);
  grid_ = ToQ(r.GridColor);
  axis_ = ToQ(r.AxisColor);
  font_ = FontOfSetup(r.Font);
  check6_->setChecked(!r.XAuto);
  edit5_->setText(LimitText(r.XMin));
  edit6_->setText(LimitText(r.XMax));
  check7_->setChecked(!r.YAuto);
  edit7_->setText(LimitText(r.YMin));
  edit8_->setText(LimitText(r.YMax));
  const int shown = std::max(0, series_->checkedId());
  const SeriesSetup& s = r.Series[size_t(shown)];
  check2_->setChecked(s.Active);
  edit4_->setText(Text(s.Title));
  check3_->setChecked(s.HasLine);
  spin1_->setValue(s.LineWidth);
  combo2_->setCurrentIndex(std::min<int>(s.LineStyle, 4));
  line_ = ToQ(s.LineColor);
  check4_->setChecked(s.HasPoints);
  spin2_->setValue(s.PointSize);
  combo3_->setCurrentIndex(std::min<int>(s.PointShape, 5));
  point_ = ToQ(s.PointColor);
  check5_->setChecked(s.FillPoints);
  paintPanels();
  updateVisibility();
}

void TFormGrphCust::paintPanels() {
  // Every panel shows its caption over the graph's background.
  auto paint = [this](QPushButton* b, const QColor& text) {
    b->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: %2; border: 1px solid gray; "
                                    "padding: 3px 8px; }")
                         .arg(back_.name(), text.name()));
  };
  paint(panel1_, fontColor_);
  paint(panel2_, grid_);
  paint(panel3_, line_);
  paint(panel4_, point_);
  paint(panel5_, fontColor_);
  paint(panel6_, axis_);
  QFont shown = font_;
  if (shown.pointSize() > 14) shown.setPointSize(14); // the panel keeps its size
  panel5_->setFont(shown);
}

void TFormGrphCust::updateVisibility() {
  group1_->setVisible(check2_->isChecked());
  lineGroup_->setVisible(check3_->isChecked());
  pointGroup_->setVisible(check4_->isChecked());
  edit5_->setEnabled(check6_->isChecked());
  edit6_->setEnabled(check6_->isChecked());
  edit7_->setEnabled(check7_->isChecked());
  edit8_->setEnabled(check7_->isChecked());
}

bool TFormGrphCust::storeRecord() {
  float limits[4];
  QLineEdit* edits[4] = {edit5_, edit6_, edit7_, edit8_};
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    const double v = edits[i]->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 3e38) {
      dialogs_.inform(BoxType::Error,
                      QStringLiteral("'") + edits[i]->text() + QStringLiteral("' is not a valid number"));
      edits[i]->setFocus();
      return false;
    }
    limits[i] = float(v);
  }
  GraphSetup& r = rec_;
  SetText(r.GraphTitle, edit1_->text());
  SetText(r.XAxisTitle, edit2_->text());
  SetText(r.YAxisTitle, edit3_->text());
  r.AxisColor = FromQ(axis_);
  r.XMin = limits[0];
  r.XMax = limits[1] <= limits[0] ? limits[0] + 1 : limits[1];
  r.YMin = limits[2];
  r.YMax = limits[3] <= limits[2] ? limits[2] + 1 : limits[3];
  r.XAuto = !check6_->isChecked();
  r.YAuto = !check7_->isChecked();
  r.GridLines = check1_->isChecked();
  r.GridStyle = uint8_t(combo1_->currentIndex());
  r.GridColor = FromQ(grid_);
  r.BackColor = FromQ(back_);
  FontToSetup(font_, r.Font);
  r.Font.Color = FromQ(fontColor_);
  SeriesSetup& s = r.Series[size_t(cur_)];
  s.Active = check2_->isChecked();
  SetText(s.Title, edit4_->text());
  s.HasLine = check3_->isChecked();
  s.LineWidth = spin1_->value();
  s.LineStyle = uint8_t(combo2_->currentIndex());
  s.LineColor = FromQ(line_);
  s.HasPoints = check4_->isChecked();
  s.PointSize = spin2_->value();
  s.PointShape = uint8_t(combo3_->currentIndex());
  s.PointColor = FromQ(point_);
  s.FillPoints = check5_->isChecked();
  cur_ = std::max(0, series_->checkedId());
  return true;
}

void TFormGrphCust::seriesClicked(int id) {
  if (id == cur_) return;
  if (!storeRecord()) {
    series_->button(cur_)->setChecked(true);
    return;
  }
  showRecord();
}

void TFormGrphCust::chooseColor(QColor& target, const QString& title) {
  const std::optional<QColor> c = dialogs_.chooseColor(target, title);
  if (!c) return;
  target = *c;
  paintPanels();
}

void TFormGrphCust::chooseFont() {
  const std::optional<FontChoice> f = dialogs_.chooseFont({font_, fontColor_}, QStringLiteral("Font"));
  if (!f) return;
  font_ = f->font;
  fontColor_ = f->color;
  paintPanels();
}

void TFormGrphCust::accept() {
  if (!storeRecord()) return;
  QDialog::accept();
}

void TFormGrphCust::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
    if (showHelp) showHelp(1715);
    return;
  }
  QDialog::keyPressEvent(e);
}

void TFormGrphCust::loadSetup() {
  const QString name = dialogs_.openFile({QStringLiteral("Load Graph Setup"), dir_, QStringLiteral("*.GSU"),
                                          QStringLiteral("Graph Setup (*.GSU)"), QStringLiteral("GSU")});
  if (name.isEmpty()) return;
  try {
    const GraphSetup loaded = LoadGraphSetup(name.toStdString());
    rec_ = loaded;
    showRecord();
  } catch (const std::exception&) {
    dialogs_.inform(BoxType::Plain, QStringLiteral("Error loading graph setup !"));
  }
}

void TFormGrphCust::saveSetup() {
  QString name = dialogs_.saveFile({QStringLiteral("Save Graph Setup"), dir_, QStringLiteral("*.GSU"),
                                    QStringLiteral("Graph Setup (*.GSU)"), QStringLiteral("GSU")});
  if (name.isEmpty()) return;
  name = QString::fromStdString(ChangeFileExt(name.toStdString(), ".GSU"));
  if (QFileInfo::exists(name) &&
      dialogs_.ask(BoxType::Warning, Buttons::OkCancel,
                   QStringLiteral("File ") + name + QStringLiteral(" already exists. Replace ?"),
                   QString()) != Answer::Ok)
    return;
  if (!storeRecord()) return;
  try {
    SaveGraphSetup(name.toStdString(), rec_);
  } catch (const std::exception&) {
    dialogs_.inform(BoxType::Plain, QStringLiteral("Error saving graph setup !"));
  }
}

} // namespace kelmar::gui
