// Directory Edit over a directory of twenty scenarios: the list, Replace All
// with a write-protected file among them, Replace of one crop, Goto, and
// the option that enables it.
#include <QFile>
#include <QListWidget>
#include <QRegularExpression>

#include "ScriptedDialogs.h"
#include "data/ScenarioFile.h"
#include "editors/DirEdit.h"
#include "editors/EditParm.h"
#include "editors/EditRecords.h"
#include "shell/ActionTable.h"
#include "widgets/Grid.h"
#include "widgets/NumInput.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

// S01.DAT .. S20.DAT beside the example, S07 write-protected.
struct Directory {
  Program p;
  QStringList files;
  Directory() {
    for (int i = 1; i <= 20; ++i) {
      const QString f = p.data(QStringLiteral("S%1.DAT").arg(i, 2, 10, QLatin1Char('0')));
      QFile::copy(p.data("SANDY6.DAT"), f);
      QFile(f).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
      files << f;
    }
    QFile(files[6]).setPermissions(QFile::ReadOwner | QFile::ReadGroup);
    WriteFile(p.data("OTHER.DAT"), "Some other file      \r\n");
    p.form->ws().options.KelmOpti |= kOptDirEdit;
    p.form->OptionsChanged();
    p.form->actions().updateEnabled();
  }
  ~Directory() { QFile(files[6]).setPermissions(QFile::ReadOwner | QFile::WriteOwner); }
  float ndepOf(const QString& f) {
    auto ws = MakeWorkspace();
    LoadScenario(*ws, f.toStdString());
    return ws->scenario.NDep;
  }
};

} // namespace

class DirEdit : public QObject {
  Q_OBJECT
private slots:
  // Replace All changes the field in every listed file through the atomic
  // save; the write-protected one is reported and stays as it was; the
  // scenario being edited keeps its unsaved changes.
  void replaceAllWithProtectedFile() {
    Directory d;
    Program& p = d.p;
    p.trigger("MIEditParameters");
    auto* parm = p.form->windows().get<TParmDialog>("TParmDialog");
    parm->titleEdit()->setFocus();
    parm->titleEdit()->selectAll();
    QTest::keyClicks(parm->titleEdit(), "Unsaved title");
    TzkNumInp* ndep = parm->input("NDep");
    ndep->setFocus();
    ndep->selectAll();
    QTest::keyClicks(ndep, "31.5");
    const QByteArray protectedBefore = ReadAll(d.files[6]);
    QStringList listed;
    SetDirEditExec([&](TDirEditDialog& dlg) {
      for (int i = 0; i < dlg.list()->count(); ++i) listed << dlg.list()->item(i)->text();
      dlg.replaceAll();
    });
    p.dlg.answers << Answer::Ok;
    p.trigger("MIOptionsDirEdit");
    QCOMPARE(listed.size(), 21); // SANDY6 and S01..S20, not OTHER
    QCOMPARE(listed.value(0), QStringLiteral("S01                    0 25.0"));
    QCOMPARE(p.dlg.asked.value(0).type, BoxType::Warning);
    QVERIFY(p.dlg.texts().value(0).startsWith("Replace N Deposition in all datafiles in the directory:"));
    QVERIFY(p.dlg.texts().value(0).endsWith("with the value: 31.5 ?"));
    QCOMPARE(p.dlg.asked.value(1).type, BoxType::Error);
    QVERIFY(p.dlg.texts().value(1).contains("S07.DAT"));
    for (int i = 0; i < 20; ++i)
      if (i != 6) QCOMPARE(d.ndepOf(d.files[i]), 31.5f);
    QCOMPARE(ReadAll(d.files[6]), protectedBefore);
    QCOMPARE(ReadAll(p.data("OTHER.DAT")), QByteArray("Some other file      \r\n"));
    QCOMPARE(QString::fromStdString(std::string(p.form->ws().scenario.Title)).trimmed(),
             QStringLiteral("Unsaved title"));
    QVERIFY(!(p.status() & kScenarioSaved));
  }

  // Replace changes only the crop of the selected line; Goto loads its file
  // with that crop selected.
  void replaceOneCropThenGoto() {
    Directory d;
    Program& p = d.p;
    p.trigger("MIEditCrops");
    auto* crops = p.form->windows().get<TCropDialog>("TCropDialog");
    crops->setCurrent(2);
    crops->grid()->setFocus();
    crops->grid()->setCurrentIndex(crops->model()->index(1, 7)); // winter wheat, Yield
    const QModelIndex i = crops->model()->index(1, 7);
    crops->grid()->edit(i);
    crops->grid()->openEditor()->setText("9100");
    int chosen = -1;
    SetDirEditExec([&](TDirEditDialog& dlg) {
      for (int r = 0; r < dlg.list()->count(); ++r)
        if (dlg.list()->item(r)->text().startsWith("S03 ")) chosen = r;
      dlg.list()->setCurrentRow(chosen);
      dlg.replace();
      dlg.goTo();
    });
    p.trigger("MIOptionsDirEdit");
    QVERIFY(chosen >= 0);
    auto ws = MakeWorkspace();
    LoadScenario(*ws, d.files[2].toStdString());
    QCOMPARE(ws->scenario.Crops[2].PRODi, 9100.0f);
    QCOMPARE(ws->scenario.Crops[1].PRODi, 50000.0f);
    LoadScenario(*ws, d.files[3].toStdString());
    QCOMPARE(ws->scenario.Crops[2].PRODi, 9000.0f);
    QCOMPARE(QString::fromStdString(p.form->ws().scenario.ScenarioFile), d.files[2]);
    QCOMPARE(p.form->ws().state.SelCrop, 2);
  }

  // A damaged scenario is listed with its error and never written; Replace
  // File on the open scenario's file gives file and memory the typed value.
  void damagedFileListedOpenScenarioReplaced() {
    Directory d;
    Program& p = d.p;
    const QByteArray damaged = ReadAll(p.data("SANDY6.DAT")).left(300);
    WriteFile(d.files[4], damaged);
    p.trigger("MIEditSubSoilOM");
    auto* ssom = p.form->windows().get<TSSOMDialog>("TSSOMDialog");
    ssom->input("oNc2")->setFocus();
    ssom->input("oNc2")->selectAll();
    QTest::keyClicks(ssom->input("oNc2"), "5.25");
    QStringList listed;
    SetDirEditExec([&](TDirEditDialog& dlg) {
      for (int i = 0; i < dlg.list()->count(); ++i) listed << dlg.list()->item(i)->text();
      dlg.list()->setCurrentRow(int(listed.indexOf(QRegularExpression("^SANDY6 .*"))));
      dlg.replaceFile();
      dlg.list()->setCurrentRow(4);
      dlg.replaceFile(); // the damaged file: nothing happens
    });
    p.trigger("MIOptionsDirEdit");
    QVERIFY(listed.value(4).startsWith("S05                    0 ! "));
    QCOMPARE(ReadAll(d.files[4]), damaged);
    QCOMPARE(p.form->ws().scenario.oNc2, 5.25f);
    QCOMPARE(ssom->input("oNc2")->text(), QStringLiteral("5.25"));
    auto ws = MakeWorkspace();
    LoadScenario(*ws, p.data("SANDY6.DAT").toStdString());
    QCOMPARE(ws->scenario.oNc2, 5.25f);
    LoadScenario(*ws, d.files[0].toStdString());
    QCOMPARE(ws->scenario.oNc2, 4.5f);
  }

  // With the option clear the command does nothing.
  void disabledByOption() {
    Directory d;
    Program& p = d.p;
    p.form->ws().options.KelmOpti &= ~kOptDirEdit;
    p.form->OptionsChanged();
    p.form->actions().updateEnabled();
    p.trigger("MIEditParameters");
    bool shown = false;
    SetDirEditExec([&](TDirEditDialog&) { shown = true; });
    QVERIFY(!p.form->action("MIOptionsDirEdit")->isEnabled());
    p.form->action("MIOptionsDirEdit")->trigger();
    QVERIFY(!shown);
  }
};

QTEST_MAIN(DirEdit)
#include "test_dir_edit.moc"
