// Options: the dialog's mapping onto the option words, the INI round trip,
// Delete Options, and the window-position format.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSpinBox>

#include "OptionsDialog.h"
#include "OptionsIni.h"
#include "ScriptedDialogs.h"
#include "data/IniFile.h"

using namespace kelmar;
using namespace kelmar::gui;

class OptionsTest : public QObject {
  Q_OBJECT
private slots:
  void dialogBuildsOptionWords();
  void dialogKeepsHigherAtLeastLower_data();
  void dialogKeepsHigherAtLeastLower();
  void cancelChangesNothing();
  void saveAndReadBack();
  void deleteRestoresDefaults();
  void positionText_data();
  void positionText();
  void mainWindowPositionRoundTrip();
  void childPositionsOnlyWithOption();
};

void OptionsTest::dialogBuildsOptionWords() {
  Options o;
  o.KelmOpti = 0x0008 | kOptShowPK; // 0x0008 has no box and is dropped
  TKelmOptiDialog d(o);
  QVERIFY(d.optiBox(kOptShowPK)->isChecked());
  QVERIFY(!d.optiBox(0x0008));
  QCOMPARE(d.optiBox(kOptMoveEnvOnContinue)->text(), QStringLiteral("&Move environment on Continue"));
  d.optiBox(kOptCalcOnLoad)->setChecked(true);
  d.optiBox(kOptAutoSave)->setChecked(true);
  d.opt2Box(kOpt2KeepTotalIOM)->setChecked(true);
  d.printToFileBox()->setChecked(true);
  d.corrGroup()->button(2)->setChecked(true);
  d.scaleInput()->setValue(150);
  d.accept();
  QCOMPARE(o.KelmOpti, uint32_t(kOptShowPK | kOptCalcOnLoad | kOptAutoSave));
  QCOMPARE(o.KelmOpt2, uint32_t(kOpt2KeepTotalIOM));
  QCOMPARE(o.PrntType, 2);
  QCOMPARE(o.CorrOpti, 2);
  QCOMPARE(o.GraphPrintScale, 150);
}

void OptionsTest::dialogKeepsHigherAtLeastLower_data() {
  QTest::addColumn<double>("lower");
  QTest::addColumn<double>("higher");
  QTest::addColumn<float>("rng1");
  QTest::addColumn<float>("rng2");
  QTest::newRow("ordered") << 10.0 << 20.0 << 10.0f << 20.0f;
  QTest::newRow("reversed") << 10.0 << 5.0 << 10.0f << 10.0f;
  QTest::newRow("equal") << 0.0 << 0.0 << 0.0f << 0.0f;
}

void OptionsTest::dialogKeepsHigherAtLeastLower() {
  QFETCH(double, lower);
  QFETCH(double, higher);
  QFETCH(float, rng1);
  QFETCH(float, rng2);
  Options o;
  TKelmOptiDialog d(o);
  d.lowerInput()->setValue(lower);
  d.higherInput()->setValue(higher);
  d.accept();
  QCOMPARE(o.CorrRng1, rng1);
  QCOMPARE(o.CorrRng2, rng2);
}

void OptionsTest::cancelChangesNothing() {
  Options o;
  TKelmOptiDialog d(o);
  d.optiBox(kOptCalcOnLoad)->setChecked(true);
  d.lowerInput()->setValue(3);
  d.reject();
  QCOMPARE(o.KelmOpti, 0u);
  QCOMPARE(o.CorrRng1, 10.0f);
}

void OptionsTest::saveAndReadBack() {
  Sandbox sb;
  sb.copyExample();
  ScriptedDialogs dlg;
  {
    TMainForm f(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
    f.Startup();
    f.ws().options.KelmOpti = kOptIncludeDate | kOptGraphBW;
    f.ws().options.CorrRng2 = 33;
    f.ws().options.PrntType = 2;
    f.MIOptionsSaveClick();
    QVERIFY(f.close());
  }
  const QByteArray ini = sb.readIni();
  QVERIFY2(ini.contains("[Kelmar Options]"), ini.constData());
  QVERIFY(ini.contains("KelmOpti=2064"));
  // A new start reads them back and opens the scenario saved as DataFile.
  QDir::setCurrent(sb.tmp.path());
  TMainForm g(sb.config(), &dlg);
  g.Startup();
  QCOMPARE(g.ws().options.KelmOpti, uint32_t(kOptIncludeDate | kOptGraphBW));
  QCOMPARE(g.ws().options.CorrRng2, 33.0f);
  QCOMPARE(g.ws().options.PrntType, 2);
  QCOMPARE(g.windowTitle(), QStringLiteral("Kelmar: ") + sb.data(QStringLiteral("SANDY6.DAT")));
}

void OptionsTest::deleteRestoresDefaults() {
  Sandbox sb;
  sb.writeIni("[Kelmar Options]\r\nKelmOpti=4\r\nGraphPrintScale=150\r\n[Price Options]\r\nX=1\r\n"
              "[Window Position]\r\nTMainForm=1,2,300,200,0\r\n[Other]\r\nKeep=1\r\n");
  ScriptedDialogs dlg;
  TMainForm f(sb.config(), &dlg);
  f.Startup();
  QCOMPARE(f.ws().options.GraphPrintScale, 150);
  dlg.answers.enqueue(Answer::No);
  f.MIOptionsDeleteClick();
  QCOMPARE(f.ws().options.KelmOpti, 4u);
  dlg.answers.enqueue(Answer::Yes);
  f.MIOptionsDeleteClick();
  QCOMPARE(dlg.texts(),
           QStringList({QStringLiteral("Delete KELMAR options?"), QStringLiteral("Delete KELMAR options?")}));
  QCOMPARE(dlg.asked[0].buttons, Buttons::YesNo);
  QCOMPARE(f.ws().options.KelmOpti, 0u);
  QCOMPARE(f.ws().options.GraphPrintScale, 100);
  IniFile ini(sb.iniPath().toStdString());
  QVERIFY(ini.sectionKeys("Price Options").empty());
  QVERIFY(ini.sectionKeys("Window Position").empty());
  QVERIFY(ini.hasKey("Other", "Keep"));
}

void OptionsTest::positionText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QRect>("rect");
  QTest::addColumn<int>("state");
  const QRect current(5, 6, 70, 80);
  QTest::newRow("complete") << "200,153,640,481,0" << QRect(200, 153, 640, 481) << 0;
  QTest::newRow("maximised") << "1,2,3,4,2" << QRect(1, 2, 3, 4) << 2;
  QTest::newRow("bad numbers keep current") << "x,153,,481,1" << QRect(5, 153, 70, 481) << 1;
  QTest::newRow("short") << "10,20" << QRect(10, 20, 70, 80) << 0;
  QTest::newRow("bad state is normal") << "1,2,3,4,9" << QRect(1, 2, 3, 4) << 0;
  QTest::newRow("empty") << "" << current << 0;
}

void OptionsTest::positionText() {
  QFETCH(QString, text);
  QFETCH(QRect, rect);
  QFETCH(int, state);
  QRect r(5, 6, 70, 80);
  int st = -1;
  ParsePosition(text, r, st);
  QCOMPARE(r, rect);
  QCOMPARE(st, state);
  if (QTest::currentDataTag() == QByteArray("complete")) QCOMPARE(FormatPosition(r, st), text);
}

void OptionsTest::mainWindowPositionRoundTrip() {
  Sandbox sb;
  ScriptedDialogs dlg;
  {
    TMainForm f(sb.config(), &dlg);
    f.show();
    f.Startup();
    f.setGeometry(40, 50, 700, 500);
    QVERIFY(f.close());
  }
  IniFile ini(sb.iniPath().toStdString());
  QCOMPARE(QString::fromStdString(ini.readString("Window Position", "TMainForm", "")),
           QStringLiteral("40,50,700,500,0"));
  TMainForm g(sb.config(), &dlg);
  QCOMPARE(g.geometry(), QRect(40, 50, 700, 500));
}

void OptionsTest::childPositionsOnlyWithOption() {
  for (bool keep : {false, true}) {
    Sandbox sb;
    sb.copyExample();
    if (keep) sb.writeIni("[Kelmar Options]\r\nKelmOpti=256\r\n");
    ScriptedDialogs dlg;
    TMainForm f(sb.config({sb.data(QStringLiteral("SANDY6.DAT"))}), &dlg);
    f.show();
    f.Startup();
    f.ShowCorrView()->frame()->setGeometry(11, 12, 330, 220);
    f.corrView()->frame()->close();
    QTRY_VERIFY(!f.corrView());
    QCOMPARE(f.ini().hasKey("Window Position", "TCorrView"), keep);
    if (keep) QCOMPARE(f.ShowCorrView()->frame()->geometry(), QRect(11, 12, 330, 220));
  }
}

QTEST_MAIN(OptionsTest)
#include "test_options.moc"
