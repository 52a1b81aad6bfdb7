// File > Environment > Import Daily Weather: what the dialog finds in the
// Brussels daily file, the ET0 methods it offers, the weekly preview, saving
// (with the replace question) and loading the result as the environment.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableWidget>

#include "ScriptedDialogs.h"
#include "Workspace.h"
#include "dialogs/WeatherImportDialog.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

const QString kWeather = QStringLiteral(KELMAR_EXAMPLES "/../data/weather");
const QString kBrussels = kWeather + QStringLiteral("/brussels/daily/brussels_climate.txt");

template <class T> T* Child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(QLatin1String(name));
  if (!c) qFatal("no child %s", name);
  return c;
}

// The file from its third line on: the title and file-name lines differ.
QByteArray AfterTitle(const QByteArray& text) {
  int at = 0;
  for (int i = 0; i < 2; ++i) at = text.indexOf('\n', at) + 1;
  return text.mid(at);
}

TWeatherImportDialog* Open(Program& p) {
  p.trigger(QStringLiteral("MIFileEnviImport"));
  return qobject_cast<TWeatherImportDialog*>(p.form->windows().active());
}

} // namespace

class WeatherImportTest : public QObject {
  Q_OBJECT
private slots:
  void showsWhatTheFileHoldsAndPreviewsTheWeeks() {
    Program p;
    TWeatherImportDialog* d = Open(p);
    QVERIFY(d);
    QVERIFY(!Child<QPushButton>(d, "Save")->isEnabled());
    QVERIFY(!Child<QComboBox>(d, "Et0Method")->isEnabled());

    p.dlg.files.enqueue(kBrussels);
    Child<QPushButton>(d, "AddFiles")->click();
    QVERIFY(p.dlg.asked.isEmpty());
    const QString found = Child<QLabel>(d, "Found")->text();
    QVERIFY2(found.contains(QStringLiteral("Format csv, 10958 days, 1 Jan 1976 to 31 Dec 2005")),
             qPrintable(found));
    QVERIFY2(found.contains(QStringLiteral("Tmin(C)")), qPrintable(found));
    // ET0 from the file; the computed methods need radiation or the latitude, which the file lacks.
    auto* method = Child<QComboBox>(d, "Et0Method");
    QCOMPARE(method->currentText(), QStringLiteral("ET0 from the file"));
    auto* model = qobject_cast<QStandardItemModel*>(method->model());
    QVERIFY(model->item(0)->isEnabled());
    for (int i = 1; i < method->count(); ++i) {
      QVERIFY(!model->item(i)->isEnabled());
      QVERIFY(!model->item(i)->toolTip().isEmpty());
    }
    const QString analysis = Child<QPlainTextEdit>(d, "Analysis")->toPlainText();
    QVERIFY2(analysis.contains(QStringLiteral("Years: 1976-2005\n")), qPrintable(analysis));
    QVERIFY2(analysis.contains(QStringLiteral("Unusable years: none")), qPrintable(analysis));

    // At first the first usable year and as many years as follow, at most ten.
    auto* from = Child<QComboBox>(d, "FromYear");
    QCOMPARE(from->count(), 30);
    QCOMPARE(from->currentText(), QStringLiteral("1976"));
    QCOMPARE(Child<QSpinBox>(d, "Years")->value(), 10);
    QCOMPARE(Child<QTableWidget>(d, "Preview")->rowCount(), 520);
    Child<QSpinBox>(d, "Years")->setValue(3);
    QCOMPARE(Child<QTableWidget>(d, "Preview")->rowCount(), 156);
    // Four years follow 2002: the number chosen is cut to them; a new first year
    // with room for ten takes ten again.
    from->setCurrentIndex(from->findText(QStringLiteral("2002")));
    QCOMPARE(Child<QSpinBox>(d, "Years")->maximum(), 4);
    QCOMPARE(Child<QSpinBox>(d, "Years")->value(), 4);
    from->setCurrentIndex(from->findText(QStringLiteral("1996")));
    Child<QLineEdit>(d, "SiteName")->setText(QStringLiteral("Brussels"));
    emit Child<QLineEdit>(d, "SiteName")->editingFinished();
    auto* preview = Child<QTableWidget>(d, "Preview");
    QCOMPARE(preview->rowCount(), 520);
    QCOMPARE(preview->item(0, 0)->text(), QStringLiteral("1996"));
    QCOMPARE(preview->item(519, 1)->text(), QStringLiteral("52"));
    QVERIFY(d->weekly());
    QCOMPARE(QString::fromStdString(d->weekly()->name), QStringLiteral("Brussels 1996-2005"));
    // Only ten years follow 1996 in the record.
    QCOMPARE(Child<QSpinBox>(d, "Years")->maximum(), 10);
  }

  void savesAsksBeforeReplacingAndLoadsTheEnvironment() {
    Program p;
    TWeatherImportDialog* d = Open(p);
    QVERIFY(d->addFile(kBrussels));
    auto* from = Child<QComboBox>(d, "FromYear");
    from->setCurrentIndex(from->findText(QStringLiteral("1996")));
    Child<QSpinBox>(d, "Years")->setValue(10);
    Child<QLineEdit>(d, "SiteName")->setText(QStringLiteral("Brussels"));
    emit Child<QLineEdit>(d, "SiteName")->editingFinished();

    const QString out = p.data(QStringLiteral("BRUS.ENV"));
    WriteFile(out, "older");
    p.dlg.files.enqueue(out);
    p.dlg.answers.enqueue(Answer::Cancel);
    Child<QPushButton>(d, "Save")->click();
    QCOMPARE(p.dlg.texts(), QStringList{QStringLiteral("Environment file already exists. Replace ?")});
    QCOMPARE(ReadAll(out), QByteArray("older"));

    p.dlg.clear();
    p.dlg.files.enqueue(out);
    p.dlg.answers.enqueue(Answer::Ok);
    Child<QPushButton>(d, "Save")->click();
    const QByteArray shipped = ReadAll(kWeather + QStringLiteral("/brussels/BRUS1996.ENV"));
    QVERIFY(!shipped.isEmpty());
    QCOMPARE(AfterTitle(ReadAll(out)), AfterTitle(shipped));
    // Loaded as the environment series, saved as it is on disk, results stale.
    const Workspace& ws = p.form->ws();
    QCOMPARE(QString::fromStdString(ws.scenario.series(SeriesKind::Environment).FileName), out);
    QVERIFY(p.status() & kEnviSaved);
    QVERIFY(p.status() & kResultsStale);
  }

  void refusesFilesThatCannotBeRead() {
    Program p;
    TWeatherImportDialog* d = Open(p);
    QVERIFY(d->addFile(kBrussels));
    // The same days again, and a file that is no weather: each refused, the list kept.
    const QString junk = p.data(QStringLiteral("JUNK.TXT"));
    WriteFile(junk, "nothing here\n");
    for (const QString& f : {kBrussels, junk}) {
      p.dlg.clear();
      QVERIFY(!d->addFile(f));
      QCOMPARE(p.dlg.asked.size(), 1);
      QVERIFY(p.dlg.asked[0].text.startsWith(QStringLiteral("Reading ")));
      QCOMPARE(Child<QListWidget>(d, "Files")->count(), 1);
      QVERIFY(d->weekly());
    }
    Child<QPushButton>(d, "ClearFiles")->click();
    QVERIFY(!d->weekly());
    QVERIFY(!Child<QPushButton>(d, "Save")->isEnabled());
  }
};

QTEST_MAIN(WeatherImportTest)
#include "test_weather_import.moc"
