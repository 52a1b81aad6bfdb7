// The text result windows: full numbers at any font size, tiling inside the
// frame, copying rows with their header, and theta in the water headers.

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>

#include "ScriptedDialogs.h"
#include "data/TextFormat.h"
#include "output/Printing.h"
#include "report/Tables.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {
const QChar kTheta(0x03B8);

// Every line of the list is shown whole: no horizontal scrolling needed and
// no line drawn shortened.
bool ShowsWholeLines(TTextView* v) {
  QCoreApplication::processEvents();
  return v->list()->horizontalScrollBar()->maximum() == 0 && v->list()->textElideMode() == Qt::ElideNone;
}
} // namespace

class TextViews : public QObject {
  Q_OBJECT
private slots:
  // Each table and summary window opens wide enough for its widest line,
  // with the default font and with a large one.
  void windowsFitTheirText() {
    Program p;
    p.form->resize(1600, 1000);
    p.form->show();
    p.trigger("MIRunCalculate");
    for (int kind = 1; kind <= 14; ++kind) {
      auto* v = p.form->windows().show<TRsltView>("TRsltView", kind);
      v->frame()->close();
      QTRY_VERIFY(!p.form->windows().find("TRsltView"));
      v = p.form->windows().show<TRsltView>("TRsltView", kind);
      QVERIFY2(ShowsWholeLines(v), qPrintable(v->windowTitle()));
    }
    for (const char* cls : {"TNPKView", "TCorrView"})
      QVERIFY2(ShowsWholeLines(p.form->windows().show<TTextView>(cls)), cls);
    for (int kind = 16; kind <= 19; ++kind)
      QVERIFY(ShowsWholeLines(p.form->windows().show<TTextView>("TSummView", kind)));

    TRsltView big(p.form->ws(), kTableNBalance);
    QFont font = ResultFont();
    font.setPointSize(22);
    big.setTextFont(font);
    big.show();
    QVERIFY(ShowsWholeLines(&big));
    QVERIFY(big.width() > 2 * p.form->windows().find("TRsltView")->width() * 3 / 4);
  }

  // Tile gives every window a place inside the frame, however small the
  // frame; a window smaller than its text scrolls.
  void tileKeepsWindowsInside() {
    Program p;
    p.form->resize(640, 480);
    p.form->show();
    p.form->windows().closeAll(); // the editors the example's files opened
    p.trigger("MIRunCalculate");
    for (const char* a :
         {"MIViewNitrogenBalance", "MISummaryWaterBalance", "MISummaryMineralisation",
          "MISummaryNitrogenBalance", "MISummaryMineralBalance", "MISummaryNmodelledvsNmeasured"})
      p.trigger(a);
    p.trigger("MIWindowTile");
    QCoreApplication::processEvents();
    const QRect area = p.form->mdiArea()->viewport()->rect();
    const QList<QMdiSubWindow*> subs = p.form->mdiArea()->subWindowList();
    QCOMPARE(subs.size(), 6);
    for (QMdiSubWindow* sub : subs) QVERIFY2(area.contains(sub->geometry()), qPrintable(sub->windowTitle()));
  }

  // Copy puts the header and the selected rows (all rows when none is
  // selected) on the clipboard; the context menu offers Copy and Select All.
  void copyRowsWithHeader() {
    Program p;
    p.form->show();
    p.trigger("MIRunCalculate");
    p.trigger("MIViewMineralNitrogen");
    auto* v = p.form->windows().get<TRsltView>("TRsltView");
    QStringList names;
    for (QAction* a : v->actions()) names << a->objectName() + '=' + a->text();
    QCOMPARE(names, QStringList({"Copy=&Copy", "SelectAll=Select &All"}));
    const QStringList rows = v->lines();
    v->list()->item(2)->setSelected(true);
    v->list()->item(4)->setSelected(true);
    v->actions()[0]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), v->headerText() + '\n' + rows[2] + '\n' + rows[4] + '\n');
    // Ctrl+A stays Save As of the frame; Ctrl+C copies, as the user presses it.
    v->actions()[1]->trigger();
    QApplication::setActiveWindow(p.form.get());
    QVERIFY(QTest::qWaitForWindowActive(p.form.get()));
    v->list()->setFocus();
    QTest::keyClick(v->list(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), (QStringList{v->headerText()} + rows).join('\n') + '\n');
    QCOMPARE(v->list()->selectionMode(), QAbstractItemView::ExtendedSelection);
  }

  // The water tables' headers hold the code-page byte for theta: shown and
  // printed as theta, written to text files as the byte.
  void thetaInWaterHeaders() {
    Program p;
    p.trigger("MIRunCalculate");
    for (int kind : {3, 7}) {
      const std::string raw = TableHeader(kind);
      QVERIFY(raw.find('\xE9') != std::string::npos);
      auto* v = p.form->windows().show<TRsltView>("TRsltView", kind);
      QVERIFY2(v->headerText().contains(kTheta) && !v->headerText().contains(QChar(0xE9)),
               qPrintable(v->headerText()));
      QCOMPARE(CoreText(raw).size(), qsizetype(raw.size())); // one character per byte: columns kept
      OutText listing(true);
      WriteTable(p.form->ws(), listing, kind, 1, 52);
      bool printed = false;
      for (const QStringList& page : SplitPages(listing.text()))
        for (const QString& line : page) printed |= line.contains(kTheta);
      QVERIFY(printed);
    }
    p.form->ws().options.PrntType = 2;
    p.dlg.files.enqueue(p.data("water.PRN"));
    p.form->output().PrintTable(3);
    const QByteArray file = ReadAll(p.data("water.PRN"));
    QVERIFY(file.contains('\xE9') && !file.contains("\xCE\xB8"));
  }
};

QTEST_MAIN(TextViews)
#include "test_text_views.moc"
