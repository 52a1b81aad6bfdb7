// Options: the dialog's mapping onto the option words, the INI round trip,
// Delete Options, and the window-position format.

#include <QtWidgets>

#include "ScriptedDialogs.h"
#include "dialogs/OptionsDialog.h"

using namespace kelmar;
using namespace kelmar::gui;

class OptionsTest : public QObject {
  Q_OBJECT
private slots:
  // The dialog changes the options on OK only; a bit without a box is
  // dropped; the higher correlation limit is kept at least the lower one.
  void dialogBuildsOptionWords() {
    Options o;
    o.KelmOpti = 0x0008 | kOptShowPK;
    TKelmOptiDialog cancelled(o);
    cancelled.optiBox(kOptCalcOnLoad)->setChecked(true);
    cancelled.lowerInput()->setValue(3);
    cancelled.reject();
    QCOMPARE(o.KelmOpti, uint32_t(0x0008 | kOptShowPK));
    QCOMPARE(o.CorrRng1, 10.0f);
    TKelmOptiDialog d(o);
    QVERIFY(d.optiBox(kOptShowPK)->isChecked() && !d.optiBox(0x0008));
    d.optiBox(kOptCalcOnLoad)->setChecked(true);
    d.optiBox(kOptAutoSave)->setChecked(true);
    d.opt2Box(kOpt2KeepTotalIOM)->setChecked(true);
    d.printToFileBox()->setChecked(true);
    d.corrGroup()->button(2)->setChecked(true);
    d.scaleInput()->setValue(150);
    d.accept();
    QCOMPARE(o.KelmOpti, uint32_t(kOptShowPK | kOptCalcOnLoad | kOptAutoSave));
    QCOMPARE(o.KelmOpt2, uint32_t(kOpt2KeepTotalIOM));
    QCOMPARE(QList<int>({o.PrntType, o.CorrOpti, o.GraphPrintScale}), QList<int>({2, 2, 150}));
    for (auto [lower, higher, kept] : {std::tuple{10.0, 20.0, 20.0f}, {10.0, 5.0, 10.0f}, {0.0, 0.0, 0.0f}}) {
      TKelmOptiDialog limits(o);
      limits.lowerInput()->setValue(lower);
      limits.higherInput()->setValue(higher);
      limits.accept();
      QCOMPARE(o.CorrRng1, float(lower));
      QCOMPARE(o.CorrRng2, kept);
    }
  }

  // A value outside its input's limits is refused with the input's message
  // and the dialog stays open; values within the limits are kept as typed.
  void dialogRefusesValuesOutsideTheLimits() {
    const std::tuple<int, double, QString> rows[] = {{2, 49, "Value must be between 50 and 200 !"},
                                                     {2, 201, "Value must be between 50 and 200 !"},
                                                     {0, 101, "Value must be between 0 and 100 !"},
                                                     {1, -1, "Value must be between 0 and 100 !"},
                                                     {2, 50, ""},
                                                     {2, 200, ""},
                                                     {0, 0, ""},
                                                     {1, 100, ""}};
    for (const auto& [input, value, message] : rows) {
      Options o;
      o.GraphPrintScale = 150;
      ScriptedDialogs dlg;
      TKelmOptiDialog d(o, &dlg);
      QAbstractSpinBox* inputs[] = {d.lowerInput(), d.higherInput(), d.scaleInput()};
      inputs[input]->setFocus();
      if (input == 2)
        d.scaleInput()->setValue(int(value));
      else
        static_cast<QDoubleSpinBox*>(inputs[input])->setValue(value);
      d.open();
      d.accept();
      QCOMPARE(dlg.texts(), message.isEmpty() ? QStringList() : QStringList{message});
      QCOMPARE(d.isVisible(), !message.isEmpty());
      if (!message.isEmpty()) {
        QCOMPARE(dlg.asked[0].type, BoxType::Error);
        QCOMPARE(o.GraphPrintScale, 150);
        QCOMPARE(QList<float>({o.CorrRng1, o.CorrRng2}), QList<float>({10, 20}));
      } else {
        const float stored[] = {o.CorrRng1, o.CorrRng2, float(o.GraphPrintScale)};
        QCOMPARE(stored[input], float(value));
      }
    }
  }

  // Saved options and the main window's position come back at the next
  // start, which opens the scenario saved as DataFile.
  void optionsAndPositionSurviveARestart() {
    Program p;
    Options& o = p.form->ws().options;
    o.KelmOpti = kOptIncludeDate | kOptGraphBW;
    o.CorrRng2 = 33;
    p.trigger("MIOptionsSave");
    p.form->show();
    p.form->setGeometry(40, 50, 700, 500);
    QVERIFY(p.form->close());
    const QByteArray ini = ReadAll(p.iniPath());
    QVERIFY2(ini.contains("[Kelmar Options]") && ini.contains("KelmOpti=2064"), ini.constData());
    QVERIFY(ini.contains("[Window Position]\r\nTMainForm=40,50,700,500,0\r\n"));
    QDir::setCurrent(p.tmp.path());
    p.start({});
    const Options& g = p.form->ws().options;
    QCOMPARE(g.KelmOpti, uint32_t(kOptIncludeDate | kOptGraphBW));
    QCOMPARE(g.CorrRng2, 33.0f);
    QCOMPARE(p.form->windowTitle(), "Kelmar: " + p.data("SANDY6.DAT"));
    QCOMPARE(p.form->geometry(), QRect(40, 50, 700, 500));
  }

  // Delete Options asks first; Yes restores the defaults and empties the
  // program's sections of the INI file, leaving other sections alone.
  void deleteRestoresDefaults() {
    Program p(QStringList{},
              "[Kelmar Options]\r\nKelmOpti=4\r\nGraphPrintScale=150\r\n[Price Options]\r\nX=1\r\n"
              "[Window Position]\r\nTMainForm=1,2,300,200,0\r\n[Other]\r\nKeep=1\r\n");
    QCOMPARE(p.form->ws().options.GraphPrintScale, 150);
    p.dlg.answers << Answer::No << Answer::Yes;
    p.trigger("MIOptionsDelete");
    QCOMPARE(p.form->ws().options.KelmOpti, 4u);
    p.trigger("MIOptionsDelete");
    QCOMPARE(p.dlg.texts(), QStringList({"Delete KELMAR options?", "Delete KELMAR options?"}));
    QCOMPARE(p.dlg.asked[0].buttons, Buttons::YesNo);
    QCOMPARE(p.form->ws().options.KelmOpti, 0u);
    QCOMPARE(p.form->ws().options.GraphPrintScale, 100);
    IniFile ini(p.iniPath().toStdString());
    QVERIFY(ini.sectionKeys("Price Options").empty() && ini.sectionKeys("Window Position").empty());
    QVERIFY(ini.hasKey("Other", "Keep"));
  }

  // "left,top,width,height,state": a missing or bad number keeps the current
  // value, a bad state is normal. Rows: the text read into 5,6,70,80 and
  // state -1 | the position then, as written back.
  void positionText() {
    for (const QString row : {"200,153,640,481,2|200,153,640,481,2", "x,153,,481,1|5,153,70,481,1",
                              "10,20|10,20,70,80,0", "1,2,3,4,9|1,2,3,4,0", "|5,6,70,80,0"}) {
      QRect r(5, 6, 70, 80);
      int state = -1;
      ParsePosition(row.section('|', 0, 0), r, state);
      QCOMPARE(FormatPosition(r, state), row.section('|', 1));
    }
  }

  // Child windows keep their positions only with the option.
  void childPositionsOnlyWithOption() {
    for (bool keep : {false, true}) {
      Program p({"SANDY6.DAT"}, keep ? "[Kelmar Options]\r\nKelmOpti=256\r\n" : "");
      p.form->show();
      p.form->windows().show("TCorrView")->frame()->setGeometry(11, 12, 330, 220);
      p.form->windows().find("TCorrView")->frame()->close();
      QTRY_VERIFY(!p.form->windows().find("TCorrView"));
      QCOMPARE(p.form->ini().hasKey("Window Position", "TCorrView"), keep);
      if (keep) QCOMPARE(p.form->windows().show("TCorrView")->frame()->geometry(), QRect(11, 12, 330, 220));
    }
  }
};

QTEST_MAIN(OptionsTest)
#include "test_options.moc"
