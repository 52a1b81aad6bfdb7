// The help: every help context a window reports leads to a section of the
// guide that exists, the guide's own links hold, and F1, Contents, Search
// and How to Use Help open what they should.

#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <map>
#include <set>

#include "ScriptedDialogs.h"
#include "help/HelpTopics.h"
#include "help/HelpWindow.h"
#include "shell/WindowRegistry.h"

using namespace kelmar;
using namespace kelmar::gui;

namespace {

QString DocsDir() { return QDir(QStringLiteral(KELMAR_EXAMPLES "/../docs")).canonicalPath(); }

QTextDocument* ReadMarkdown(const QString& path, QObject* owner) {
  auto* doc = new QTextDocument(owner);
  doc->setMarkdown(QString::fromUtf8(ReadAll(path)));
  return doc;
}

// The anchors of every page of the guide.
std::map<QString, QStringList> GuideAnchors(QObject* owner) {
  std::map<QString, QStringList> out;
  for (const QString& page : QDir(DocsDir()).entryList({"*.md"}, QDir::Files))
    out[page] = HeadingAnchors(*ReadMarkdown(QDir(DocsDir()).filePath(page), owner));
  return out;
}

// The program's help directory holds a copy of the guide.
void InstallGuide(Program& p) {
  const QDir docs(DocsDir());
  QDirIterator it(DocsDir(), QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString src = it.next();
    const QString dst = QDir(p.tmp.filePath("help")).filePath(docs.relativeFilePath(src));
    QDir().mkpath(QFileInfo(dst).absolutePath());
    QVERIFY(QFile::copy(src, dst));
  }
}

// Every help context the windows report: each registered kind opened with
// every number it accepts.
std::set<int> WindowContexts(TMainForm& f) {
  std::set<int> out;
  WindowRegistry& r = f.windows();
  for (const QString& cls : r.kindKeys())
    for (int n = 0; n <= 30; ++n)
      if (TIniForm* w = r.show(cls, n)) {
        out.insert(w->HelpContext());
        // A new window for the next number: an open one would be reused.
        r.closeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      }
  return out;
}

} // namespace

class Help : public QObject {
  Q_OBJECT
private slots:
  void headingsAreNamedAsTheLinksNameThem_data() {
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("anchor");
    QTest::newRow("words") << "Modify Range"
                           << "modify-range";
    QTest::newRow("slashes") << "N/P/K balance"
                             << "npk-balance";
    QTest::newRow("brackets") << "Weekly series (.ENV, .IRR, .MIN, .OM)"
                              << "weekly-series-env-irr-min-om";
    QTest::newRow("commas") << "Mineral nitrogen, leaching and denitrification"
                            << "mineral-nitrogen-leaching-and-denitrification";
    QTest::newRow("hyphen kept") << "N-modelled vs N-measured"
                                 << "n-modelled-vs-n-measured";
    QTest::newRow("digits") << "The 51 fittable parameters"
                            << "the-51-fittable-parameters";
  }
  void headingsAreNamedAsTheLinksNameThem() {
    QFETCH(QString, heading);
    QFETCH(QString, anchor);
    QCOMPARE(HeadingAnchor(heading), anchor);
  }

  // A heading that repeats gets a number, so each section can be reached;
  // headings in code blocks are no headings.
  void repeatedHeadingsAreNumbered() {
    QTextDocument doc;
    doc.setMarkdown("# Menus\n\n## File\n\ntext\n\n## File\n\n```\n# not a heading\n```\n\n## File\n");
    QCOMPARE(HeadingAnchors(doc), QStringList({"menus", "file", "file-1", "file-2"}));
  }

  // The topic map and the windows agree: every context a window reports has
  // a topic, and every topic is a page and section of the guide.
  void everyHelpContextLeadsToASectionOfTheGuide() {
    const auto anchors = GuideAnchors(this);
    std::set<int> contexts;
    for (const HelpTopic& t : HelpTopics()) {
      QVERIFY2(!contexts.count(t.context), qPrintable(QString::number(t.context)));
      contexts.insert(t.context);
    }
    Program p;
    const std::set<int> used = WindowContexts(*p.form);
    QVERIFY(used.size() >= 14 + 4 + 4);
    for (int c : used)
      QVERIFY2(c == kHelpContents || contexts.count(c),
               qPrintable(QStringLiteral("context %1 has no topic").arg(c)));
    for (const HelpTopic& t : HelpTopics()) {
      const QString where = QStringLiteral("%1 -> %2#%3").arg(t.context).arg(t.page, t.anchor);
      QVERIFY2(anchors.count(t.page), qPrintable(where));
      QVERIFY2(!*t.anchor || anchors.at(t.page).contains(t.anchor), qPrintable(where));
    }
    QCOMPARE(QString(HelpTopicFor(12345).page), QString(kHelpContentsPage));
    QCOMPARE(QString(HelpTopicFor(TableHelpContext(13)).anchor), QString("weekly-tables"));
  }

  // Every link from one page of the guide to another (or to a section), and
  // every picture, finds its target.
  void everyLinkOfTheGuideResolves() {
    const auto anchors = GuideAnchors(this);
    QStringList broken;
    int links = 0;
    for (const auto& [page, own] : anchors) {
      QTextDocument* doc = ReadMarkdown(QDir(DocsDir()).filePath(page), this);
      for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
          const QTextCharFormat f = it.fragment().charFormat();
          if (f.isImageFormat()) {
            ++links;
            if (!QFileInfo::exists(QDir(DocsDir()).filePath(f.toImageFormat().name())))
              broken << page + ": " + f.toImageFormat().name();
            continue;
          }
          const QString href = f.anchorHref();
          if (href.isEmpty() || QUrl(href).scheme().startsWith("http")) continue;
          ++links;
          const QUrl url(href);
          const QString target = url.path().isEmpty() ? page : url.path();
          const QString file = QDir(DocsDir()).filePath(target);
          if (!QFileInfo::exists(file))
            broken << page + ": " + href;
          else if (url.hasFragment() && target.endsWith(".md") &&
                   (!anchors.count(target) || !anchors.at(target).contains(url.fragment())))
            broken << page + ": " + href;
        }
    }
    QVERIFY(links > 100);
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join('\n')));
  }

  // F1 opens the section of the window that has the focus; in the frame
  // without a child window, the contents.
  void f1OpensTheSectionOfTheWindowInFront_data() {
    QTest::addColumn<QString>("cls");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("anchor");
    QTest::newRow("table") << "TRsltView" << 13 << "desktop.md"
                           << "weekly-tables";
    QTest::newRow("summary") << "TSummView" << 19 << "desktop.md"
                             << "summaries";
    QTest::newRow("mineral balance") << "TNPKView" << 0 << "desktop.md"
                                     << "mineral-balance";
    QTest::newRow("range") << "TRangeDialog" << 0 << "desktop.md"
                           << "modify-range";
    QTest::newRow("info view") << "TInfoView" << 0 << "desktop.md"
                               << "info-view";
    QTest::newRow("no window") << "" << 0 << "index.md"
                               << "";
  }
  void f1OpensTheSectionOfTheWindowInFront() {
    QFETCH(QString, cls);
    QFETCH(int, number);
    QFETCH(QString, page);
    QFETCH(QString, anchor);
    Program p;
    InstallGuide(p);
    p.form->show();
    p.form->windows().closeAll(); // the editors the example's files opened
    QWidget* target = p.form.get();
    if (!cls.isEmpty()) {
      TIniForm* w = p.form->windows().show(cls, number);
      QVERIFY(w);
      target = w->focusWidget() ? w->focusWidget() : w;
    }
    QTest::keyClick(target, Qt::Key_F1);
    THelpWindow* h = p.form->helpWindow();
    QVERIFY(h && h->isVisible());
    QCOMPARE(h->currentPage(), page);
    QCOMPARE(h->currentAnchor(), anchor);
    QVERIFY(p.dlg.asked.isEmpty());
    // The section is in view: past the top of the page, unless it is the top.
    QTRY_VERIFY(anchor.isEmpty() || h->browser()->verticalScrollBar()->value() > 0);
    // F1 with a modifier is somebody else's key.
    h->showContext(kHelpContents);
    QTest::keyClick(target, Qt::Key_F1, Qt::ShiftModifier);
    QCOMPARE(h->currentPage(), QString("index.md"));
  }

  void helpMenuCommands() {
    Program p;
    InstallGuide(p);
    p.form->show();
    p.trigger("MIHelpHowToUse");
    THelpWindow* h = p.form->helpWindow();
    QVERIFY(h && h->isVisible());
    QCOMPARE(h->currentPage(), QString("help.md"));
    // Contents is the contents page even with a window in front.
    p.form->windows().show("TRsltView", 1);
    p.trigger("MIHelpContents");
    QCOMPARE(h->currentPage(), QString("index.md"));
    QCOMPARE(h->currentAnchor(), QString());
    QVERIFY(h->results()->isHidden());
    // Search opens the window ready for words; a query lists sections whose
    // heading holds the words first, and choosing one opens it.
    p.trigger("MIHelpSearch");
    QVERIFY(h->searchBox()->text().isEmpty());
    h->searchBox()->setText("modify range");
    QTest::keyClick(h->searchBox(), Qt::Key_Return);
    QVERIFY(h->results()->isVisible());
    QVERIFY(h->results()->count() > 1);
    QCOMPARE(h->results()->item(0)->text(), QString::fromUtf8("The desktop program \u203a Modify Range"));
    const QRect r = h->results()->visualItemRect(h->results()->item(0));
    QTest::mouseClick(h->results()->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(h->currentPage(), QString("desktop.md"));
    QCOMPARE(h->currentAnchor(), QString("modify-range"));
    // Words are found in the text too, whatever their case.
    h->search("nuptm");
    QVERIFY(h->results()->count() > 0);
    h->search("xyzzy plugh");
    QCOMPARE(h->results()->count(), 1);
    QCOMPARE(h->results()->item(0)->text(), QString("(nothing found)"));
    QTest::mouseClick(h->results()->viewport(), Qt::LeftButton, {},
                      h->results()->visualItemRect(h->results()->item(0)).center());
    QCOMPARE(h->currentAnchor(), QString("modify-range"));
    // One help window, whatever opens it.
    p.trigger("MIHelpContents");
    QCOMPARE(p.form->findChildren<THelpWindow*>().size(), 1);
  }

  // F1 in the options dialog, which waits for its answer, opens its section
  // in a help window that the dialog does not block; once the dialog is
  // gone the help window is an ordinary window again.
  void f1InAModalDialog() {
    Program p;
    InstallGuide(p);
    p.form->show();
    QString page, anchor;
    bool modal = false;
    QTimer::singleShot(0, [&] {
      QWidget* d = QApplication::activeModalWidget();
      QVERIFY(d);
      QTest::keyClick(d, Qt::Key_F1);
      if (THelpWindow* h = p.form->helpWindow()) {
        page = h->currentPage(), anchor = h->currentAnchor(), modal = h->isModal();
        h->close();
      }
      d->close();
    });
    p.trigger("MIOptionsKelmarOptions");
    QCOMPARE(page, QString("desktop.md"));
    QCOMPARE(anchor, QString("kelmar-options"));
    QVERIFY(modal);
    p.trigger("MIHelpContents");
    QVERIFY(p.form->helpWindow()->isVisible());
    QVERIFY(!p.form->helpWindow()->isModal());
  }

  // Links, sections of another page, Back and Forward; Back returns to the
  // place, Forward to the section.
  void linksAndHistory() {
    Program p;
    InstallGuide(p);
    p.form->show();
    p.trigger("MIHelpContents");
    THelpWindow* h = p.form->helpWindow();
    QToolButton* back = h->findChild<QToolButton*>("HelpBack");
    QToolButton* forward = h->findChild<QToolButton*>("HelpForward");
    QVERIFY(!back->isEnabled());
    h->browser()->setSource(QUrl("desktop.md#info-view"));
    QCOMPARE(h->currentPage(), QString("desktop.md"));
    QCOMPARE(h->currentAnchor(), QString("info-view"));
    const int infoView = h->browser()->verticalScrollBar()->value();
    QVERIFY(infoView > 0);
    // A section of the same page: the page only scrolls.
    h->browser()->setSource(QUrl("#starting-and-ending"));
    QVERIFY(h->browser()->verticalScrollBar()->value() < infoView);
    QVERIFY(back->isEnabled());
    QTest::mouseClick(back, Qt::LeftButton);
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(h->currentPage(), QString("index.md"));
    QVERIFY(forward->isEnabled());
    QTest::mouseClick(forward, Qt::LeftButton);
    QCOMPARE(h->currentAnchor(), QString("info-view"));
    QCOMPARE(h->browser()->verticalScrollBar()->value(), infoView);
    QTest::mouseClick(h->findChild<QToolButton*>("HelpHome"), Qt::LeftButton);
    QCOMPARE(h->currentPage(), QString("index.md"));
    QVERIFY(h->browser()->toPlainText().contains("Kelmar user guide"));
  }

  // Without the guide the program says where it looked; nothing opens.
  void withoutTheGuideTheUserIsTold() {
    Program p;
    p.form->show();
    p.trigger("MIHelpContents");
    QCOMPARE(p.dlg.texts(), QStringList({"No help is installed: the help pages are looked for in " +
                                         p.tmp.filePath("help") + "."}));
    QVERIFY(!p.form->helpWindow() || !p.form->helpWindow()->isVisible());
  }

  // The help window keeps its place from one session to the next.
  void theHelpWindowKeepsItsPlace() {
    Program p;
    InstallGuide(p);
    p.trigger("MIHelpContents");
    THelpWindow* h = p.form->helpWindow();
    h->setGeometry(QRect(70, 80, 500, 400));
    QVERIFY(p.form->Shutdown());
    p.start({"SANDY6.DAT"});
    p.trigger("MIHelpContents");
    QCOMPARE(p.form->helpWindow()->size(), QSize(500, 400));
  }
};

QTEST_MAIN(Help)
#include "test_help.moc"
