// The numeric input field and the checked grid cells: what the key filter
// lets through, the limits and their exact messages, Escape and Enter, the
// focus kept by a refused value, and the grid model over records.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>

#include "ScriptedDialogs.h"
#include "widgets/Grid.h"
#include "widgets/NumInput.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

constexpr FieldLimits kReal1{FieldType::Real, -99.9, 999.9, 1};
constexpr FieldLimits kWeeks{FieldType::Integer, 1, 520, 0};

// A small form that holds the field under test and a second field to move to.
struct Form {
  ScriptedDialogs dlg;
  QWidget window;
  TzkNumInp* input;
  TzkNumInp* next;
  explicit Form(const FieldLimits& limits) {
    input = new TzkNumInp(dlg, &window);
    next = new TzkNumInp(dlg, &window);
    input->setLimits(limits);
    auto* v = new QVBoxLayout(&window);
    v->addWidget(input);
    v->addWidget(next);
    window.show();
    QApplication::setActiveWindow(&window);
    input->setFocus();
  }
};

} // namespace

class NumInput : public QObject {
  Q_OBJECT
private slots:
  void keyFilter_data() {
    QTest::addColumn<bool>("integer");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("digits and one point") << false << "" << 0 << "12,5.3"
                                          << "12.53";
    QTest::newRow("comma after a point") << false << "1.5" << 3 << ","
                                         << "1.5";
    QTest::newRow("second minus") << false << "" << 0 << "-1-2"
                                  << "-12";
    QTest::newRow("minus after a digit") << false << "5" << 1 << "-"
                                         << "5";
    QTest::newRow("minus at the start") << false << "5" << 0 << "-"
                                        << "-5";
    QTest::newRow("point before a minus") << false << "-5" << 0 << "."
                                          << "-5";
    QTest::newRow("letters dropped") << false << "" << 0 << "a1 b2e"
                                     << "12";
    QTest::newRow("no point in whole numbers") << true << "12" << 2 << ".5"
                                               << "125";
  }
  void keyFilter() {
    QFETCH(bool, integer);
    QFETCH(QString, start);
    QFETCH(int, cursor);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    Form f(integer ? kWeeks : kReal1);
    f.input->setText(start);
    f.input->setCursorPosition(cursor);
    QTest::keyClicks(f.input, typed);
    QCOMPARE(f.input->text(), result);
  }

  // Limits, conversion of an empty text, the exact message and its box.
  void check_data() {
    QTest::addColumn<bool>("weeks");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");
    QTest::newRow("0 below 1..520") << true << "0" << false << 0.0;
    QTest::newRow("521 above") << true << "521" << false << 521.0;
    QTest::newRow("520 at the limit") << true << "520" << true << 520.0;
    QTest::newRow("empty is 0") << false << "" << true << 0.0;
    QTest::newRow("-99.9 at the limit") << false << "-99.9" << true << -99.9;
    QTest::newRow("pasted text") << false << "abc" << false << 0.0;
  }
  void check() {
    QFETCH(bool, weeks);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, value);
    Form f(weeks ? kWeeks : kReal1);
    f.input->setText(text);
    QCOMPARE(f.input->check(), accepted);
    if (accepted) {
      QVERIFY(f.dlg.asked.isEmpty());
      QCOMPARE(f.input->value(), value);
      QCOMPARE(f.input->acceptedText(), text);
    } else {
      QCOMPARE(f.dlg.texts(), QStringList{weeks ? "Value must be between 1 and 520 !"
                                                : "Value must be between -99.9 and 999.9 !"});
      QCOMPARE(f.dlg.asked[0].type, BoxType::Error);
      QVERIFY(!f.input->isValid());
    }
  }

  void valueShownInFixedNotation() {
    Form f(kReal1);
    f.input->setDigits(12);
    f.input->setValue(12);
    QCOMPARE(f.input->text(), QString("12.0"));
    QVERIFY(f.input->unchanged());
  }

  // Escape brings back the last accepted text; Enter commits and moves on,
  // or keeps the focus on a refused value.
  void escapeAndEnter() {
    Form f(kWeeks);
    f.input->setValue(7);
    f.input->selectAll();
    QTest::keyClicks(f.input, "600");
    QTest::keyClick(f.input, Qt::Key_Escape);
    QCOMPARE(f.input->text(), QString("7"));
    f.input->selectAll();
    QTest::keyClicks(f.input, "600");
    QTest::keyClick(f.input, Qt::Key_Return);
    QVERIFY(f.input->hasFocus());
    QCOMPARE(f.dlg.asked.size(), 1);
    f.input->selectAll();
    QTest::keyClicks(f.input, "60");
    QTest::keyClick(f.input, Qt::Key_Return);
    QVERIFY(f.next->hasFocus());
    QCOMPARE(f.input->value(), 60.0);
  }

  // Leaving the field with a refused value reports it and takes the focus
  // back; the editor protocol's Validate finds it even when not focused.
  void refusedFieldKeepsTheFocus() {
    ScriptedDialogs dlg;
    TMyDialog editor;
    auto* in = new TzkNumInp(dlg, &editor);
    auto* other = new QLineEdit(&editor);
    in->setLimits(kWeeks);
    auto* v = new QVBoxLayout(&editor);
    v->addWidget(in);
    v->addWidget(other);
    editor.show();
    QApplication::setActiveWindow(&editor);
    in->setFocus();
    in->setText("600");
    other->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(in->hasFocus());
    QCOMPARE(dlg.texts(), QStringList{"Value must be between 1 and 520 !"});
    other->setFocus(Qt::ActiveWindowFocusReason); // a window in front: no check
    QCOMPARE(dlg.asked.size(), 1);
    QVERIFY(!editor.Validate());
    QCOMPARE(dlg.asked.size(), 2);
    in->setText("3");
    QVERIFY(editor.Validate());
  }

  // The grid model over a plain array: texts with the column's decimals,
  // refusals with the column's message, and nothing stored that is refused.
  void gridModel() {
    float values[5] = {1, 2, 3, 4, 5};
    GridModel model;
    model.setRowSource([] { return 5; });
    model.setColumns(
        {{"Wk", "Week", {FieldType::Integer, 0, 1300, 0}, 32, [](int r) { return double(r + 1); }},
         {"Temp", "Temperature", kReal1, 64, [&](int r) { return double(values[r]); },
          [&](int r, double v) { values[r] = float(v); }}});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy edited(&model, &GridModel::cellEdited);
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Temp"));
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(), QString("Temperature"));
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 1), "-100"));
    QCOMPARE(values[0], 1.f);
    QCOMPARE(*model.refusal(1, "-100"), QString("Value must be between -99.9 and 999.9 !"));
    QVERIFY(model.setData(model.index(0, 1), "12"));
    QCOMPARE(values[0], 12.f);
    QCOMPARE(model.data(model.index(0, 1)).toString(), QString("12.0"));
    QVERIFY(model.setData(model.index(0, 1), "12.0")); // unchanged value: no edit
    QCOMPARE(edited.size(), 1);
    QCOMPARE(*model.refusal(0, "1301"), QString("Value must be between 0 and 1300 !"));
  }

  // Typing into a cell: a refused value keeps the editor open with a plain
  // message; an accepted one is stored and shown rewritten.
  void gridCellEditing() {
    ScriptedDialogs dlg;
    float values[3] = {0, 0, 0};
    GridModel model;
    model.setRowSource([] { return 3; });
    model.setColumns({{"Wk", "", {FieldType::Integer, 0, 1300, 0}, 32, [](int r) { return double(r + 1); }},
                      {"Temp", "", kReal1, 64, [&](int r) { return double(values[r]); },
                       [&](int r, double v) { values[r] = float(v); }}});
    TMyDialog form;
    auto* view = new GridView(dlg, &form);
    view->setGridModel(&model);
    view->setFixedColumns(1);
    (new QVBoxLayout(&form))->addWidget(view);
    form.show();
    QApplication::setActiveWindow(&form);
    view->setFocus();
    view->setCurrentIndex(model.index(1, 1));
    view->edit(view->currentIndex());
    GridCellEdit* e = view->openEditor();
    QVERIFY(e);
    e->selectAll();
    QTest::keyClicks(e, "-100");
    QTest::keyClick(e, Qt::Key_Return);
    QCOMPARE(dlg.texts(), QStringList{"Value must be between -99.9 and 999.9 !"});
    QCOMPARE(dlg.asked[0].type, BoxType::Plain);
    QVERIFY(view->openEditor());
    // A click on another cell reports the refusal once and keeps the cell.
    const QModelIndex other = model.index(2, 1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(other).center());
    QTRY_COMPARE(dlg.asked.size(), 2);
    QTest::qWait(20);
    QCOMPARE(dlg.asked.size(), 2);
    QCOMPARE(view->currentIndex(), model.index(1, 1));
    QCOMPARE(view->openEditor(), e);
    QVERIFY(!form.Validate());
    QVERIFY(!view->commitEditing());
    QCOMPARE(values[1], 0.f);
    e->selectAll();
    QTest::keyClicks(e, "12");
    QTest::keyClick(e, Qt::Key_Return);
    QTRY_VERIFY(!view->openEditor());
    QCOMPARE(values[1], 12.f);
    QCOMPARE(model.data(model.index(1, 1)).toString(), QString("12.0"));
    // The fixed week column stays, until the lock button frees it.
    auto* fixed = view->findChild<QTableView*>("FixedColumns");
    QVERIFY(fixed && fixed->isVisible() && fixed->isColumnHidden(1) && !fixed->isColumnHidden(0));
    view->lockButton()->click();
    QVERIFY(!fixed->isVisible());
  }
};

QTEST_MAIN(NumInput)
#include "test_num_input.moc"
