// Every command of the program, declared once; the menus and the speed bar
// are built from these declarations (Menus.cpp).
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include "documents/DocumentSet.h"
#include "editors/DirEdit.h"
#include "help/HelpTopics.h"
#include "output/OutputRouter.h"
#include "report/Tables.h"
#include "run/RunControl.h"
#include "shell/ActionTable.h"
#include "shell/CommandItems.h"
#include "shell/Icons.h"
#include "shell/MainForm.h"
#include "shell/WindowRegistry.h"
#include "views/CoreText.h"
#include "views/GraphCommands.h"
#include "views/GraphView.h"

namespace kelmar::gui {

using namespace commands;

void DeclareCommands(TMainForm& f, ActionTable& t) {
  DocumentSet& docs = *f.docs_;
  RunControl& run = *f.run_;
  OutputRouter& out = *f.output_;
  WindowRegistry& win = *f.windows_;
  GraphCommands& graphs = *f.graphCommands_;
  auto graphActive = [&graphs] { return graphs.activeGraph() != nullptr; };
  QMdiArea* mdi = f.mdi_;
  QStyle* st = f.style();
  // A command that opens a window: live once the window kind is registered.
  auto open = [&win](const char* cls, int number = 0) -> std::function<void()> {
    if (!win.has(L(cls))) return {};
    return [&win, cls, number] { win.show(L(cls), number); };
  };
  auto icon = [st](QStyle::StandardPixmap p) { return WithDisabledForm(st->standardIcon(p)); };

  // File
  t.add({L("MIFileOpen"),
         L("&Load..."),
         L("Load a scenario, or the series of the active editor"),
         QKeySequence(Qt::CTRL | Qt::Key_L),
         [&docs] { docs.OpenAny(); },
         {},
         icon(QStyle::SP_DialogOpenButton)});
  t.add({L("MIFileSaveAny"),
         L("Save &As..."),
         L("Save the scenario, or the series of the active editor, as"),
         QKeySequence(Qt::CTRL | Qt::Key_A),
         [&docs] { docs.SaveAnyAs(); },
         {},
         icon(QStyle::SP_DialogSaveButton)});
  t.add({L("MIFileLoad"), L("&Load..."), L("Load a scenario with its companion files"), {}, [&docs] {
           docs.LoadScenario();
         }});
  t.add({L("MIFileInsert"),
         L("&Insert..."),
         L("Insert the crops and applications of another scenario"),
         {},
         [&docs] { docs.InsertScenario(false); }});
  t.add(
      {L("MIFileAppend"), L("A&ppend..."), L("Append another scenario behind the current run"), {}, [&docs] {
         docs.InsertScenario(true);
       }});
  t.add({L("MIFileSave"), L("&Save"), L("Save the scenario"), {}, [&docs] { docs.SaveScenario(); }});
  t.add({L("MIFileSaveAs"), L("Save &As..."), L("Save the scenario under another name"), {}, [&docs] {
           docs.SaveScenarioAs();
         }});
  for (const SeriesItem& s : kSeriesItems) {
    const QString n = L("MIFile") + L(s.name);
    const SeriesKind k = s.kind;
    t.add({n + L("New"), L("&New"), L("Start an empty series"), {}, [&docs, k] { docs.SeriesNew(k); }});
    t.add({n + L("Load"), L("&Load..."), L("Load a series file"), {}, [&docs, k] { docs.SeriesLoad(k); }});
    t.add({n + L("Insert"), L("&Insert..."), L("Insert a series file at a chosen week"), {}, [&docs, k] {
             docs.SeriesInsert(k);
           }});
    t.add({n + L("Save"), L("&Save"), L("Save the series"), {}, [&docs, k] { docs.SeriesSave(k); }});
    t.add({n + L("SaveAs"), L("Save &As..."), L("Save the series under another name"), {}, [&docs, k] {
             docs.SeriesSaveAs(k);
           }});
    t.add({L("MIFileExtr") + L(s.extractName),
           L(s.extract),
           L("Save the weeks of the range as a new file"),
           {},
           [&docs, k] { docs.SeriesExtract(k); }});
  }
  t.add({L("MIFileEnviImport"),
         L("Import &Daily Weather..."),
         L("Make a weekly environment file from daily weather"),
         {},
         open("TWeatherImportDialog")});
  t.add({L("MIFileSaveResults"),
         L("Save &Results..."),
         L("Save the graph data of the range to a text file"),
         {},
         [&docs] { docs.SaveResults(); }});
  t.add({L("MIFileSaveSummary"),
         L("Save Summary..."),
         L("Add the summary of the run to a summary file"),
         {},
         [&docs] { docs.SaveSummary(); }});
  Command changeDir{
      L("MIFileChangeDir"), L("&Change dir..."), L("Change the current directory"), {}, [&docs] {
        docs.ChangeDir();
      }};
  changeDir.visible = false;
  t.add(changeDir);
  t.add({L("MIFileExit"), L("E&xit"), L("Quit Kelmar"), {}, [&f] { f.close(); }});

  // Edit
  const QColor editColour(0x2e, 0x7d, 0x32);
  const std::pair<const char*, const char*> editGlyphs[] = {
      {"MIEditParameters", "Par"},  {"MIEditSoil", "So"},       {"MIEditCrops", "Cr"},
      {"MIEditApplications", "Ap"}, {"MIEditSubSoilOM", "SOM"}, {"MIEditEnvironment", "En"},
      {"MIEditIrrigation", "Ir"},   {"MIEditNmineral", "Nm"},   {"MIEditOmon", "OM"}};
  for (int i = 0; i < 9; ++i) {
    const EditorItem& e = kEditorItems[i];
    t.add({L(e.name),
           L(e.caption),
           L(e.hint),
           e.key,
           open(e.cls),
           {},
           GlyphIcon(L(editGlyphs[i].second), editColour)});
  }
  t.add({L("MIEditShiftUp"), L("Shift &Up"), L("Increase all crops and applications by 1 year"), {}, [&docs] {
           docs.ShiftRotation(+1);
         }});
  t.add({L("MIEditShiftDown"),
         L("Shift &Down"),
         L("Decrease all crops and applications by 1 year"),
         {},
         [&docs] { docs.ShiftRotation(-1); }});

  // Run
  t.add({L("MIRunCalculate"), L("&Calculate"), L("Calculate the model"), QKeySequence(Qt::Key_F9),
         [&run] { run.Calculate(); }});
  Command sbCalc{
      L("SBRunCalculate"),       L("Calculate"), L("Calculate model"), {}, [&run] { run.Calculate(); }, {},
      icon(QStyle::SP_MediaPlay)};
  sbCalc.checkable = true;
  t.add(sbCalc);
  t.add({L("MIRunRepeat"),
         L("R&epeat"),
         L("Recalculate using the same time-axis and the final water, OM and N state"),
         {},
         [&run] { run.Repeat(); }});
  t.add({L("MIRunContinue"),
         L("C&ontinue"),
         L("Recalculate using the final time, water, OM and N state"),
         {},
         [&run] { run.Continue(); }});
  t.add({L("MIRunParmFitting"), L("Parameter &Fitting..."),
         L("Select and step the auto-changeable parameters"), QKeySequence(Qt::CTRL | Qt::Key_F),
         open("TAutoDialog")});
  t.add(
      {L("MIRunBackup"), L("&Backup"), L("Backup auto-changeable parameters"), {}, [&run] { run.Backup(); }});
  t.add(
      {L("MIRunRestore"), L("&Restore"), L("Restore auto-changeable parameters and recalculate"), {}, [&run] {
         run.Restore();
       }});
  t.add({L("MIRunIncrease"), L("&Increase"), L("Increase selected auto-changeable parameter and recalculate"),
         QKeySequence(Qt::Key_F8), [&run] { run.Increase(); }});
  t.add({L("MIRunDecrease"), L("&Decrease"), L("Decrease selected auto-changeable parameter and recalculate"),
         QKeySequence(Qt::Key_F7), [&run] { run.Decrease(); }});
  t.add({L("MIRunNextParameter"), L("Ne&xt Parameter"), L("Select the next auto-changeable parameter"),
         QKeySequence(Qt::CTRL | Qt::Key_F8), [&run, &win] {
           run.NextParameter();
           if (TIniForm* fit = win.find(L("TAutoDialog"))) fit->Refresh();
         }});
  t.add({L("MIRunPreviousParameter"), L("&Previous Parameter"),
         L("Select the previous auto-changeable parameter"), QKeySequence(Qt::CTRL | Qt::Key_F7),
         [&run, &win] {
           run.PreviousParameter();
           if (TIniForm* fit = win.find(L("TAutoDialog"))) fit->Refresh();
         }});
  t.add({L("MIRunPrice"),
         L("Price &Algoritm..."),
         L("Fit the marked parameters with Price's algorithm"),
         {},
         open("TPriceView")});
  t.add({L("MIMultiRun"),
         L("&MultiRun..."),
         L("Run a series of scenarios or environments"),
         {},
         open("TMRunView")});
  t.add({L("MIRunSensitivity"),
         L("&Sensitivity..."),
         L("Global sensitivity of the outputs to the marked parameters (Morris, Sobol)"),
         {},
         open("TSensitivityView")});

  // View
  const QColor viewColour(0x15, 0x65, 0xc0);
  for (int i = 0; i < 14; ++i) {
    const int kind = i + 1;
    QIcon glyph;
    if (kind == kTableWaterBalance) glyph = GlyphIcon(L("W"), viewColour);
    if (kind == kTableNBalance) glyph = GlyphIcon(L("N"), viewColour);
    t.add({L("MIView") + L(kViewItems[i].name),
           L(kViewItems[i].caption),
           L("Show the table ") + CoreText(TableTitle(kind)).mid(5),
           {},
           [&win, kind] { win.show(L("TRsltView"), kind); },
           {},
           glyph});
  }
  t.add({L("MIModifyRange"), L("Modify &Range..."), L("Modify the range of weeks shown"),
         QKeySequence(Qt::CTRL | Qt::Key_R), [&run] { run.ModifyRange(); }});
  t.add({L("MINextRange"), L("Ne&xt Range"), L("Set range to the following range"),
         QKeySequence(Qt::CTRL | Qt::Key_Right), [&run] { run.NextRange(); }});
  t.add({L("MIPreviousRange"), L("&Previous Range"), L("Set range to the preceding range"),
         QKeySequence(Qt::CTRL | Qt::Key_Left), [&run] { run.PreviousRange(); }});

  // Summary
  const QColor summColour(0x6a, 0x1b, 0x9a);
  const QKeySequence summKeys[6] = {QKeySequence(Qt::ALT | Qt::Key_8),
                                    QKeySequence(Qt::ALT | Qt::Key_9),
                                    {},
                                    QKeySequence(Qt::ALT | Qt::Key_0),
                                    {},
                                    {}};
  for (int i = 0; i < 6; ++i) {
    const int kind = 16 + i;
    const QString cls = kind == kSummaryNmVsNi           ? L("TCorrView")
                        : kind == kSummaryMineralBalance ? L("TNPKView")
                                                         : L("TSummView");
    QIcon glyph;
    if (kind == kSummaryWater) glyph = GlyphIcon(QStringLiteral("\u03a3W"), summColour);
    if (kind == kSummaryNBalance) glyph = GlyphIcon(QStringLiteral("\u03a3N"), summColour);
    t.add({L("MISummary") + L(kSummItems[i].name),
           L(kSummItems[i].caption),
           L("Show the ") + CoreText(TableTitle(kind)),
           summKeys[i],
           [&win, cls, kind] { win.show(cls, kind); },
           {},
           glyph});
  }

  // Graph
  for (int g = 0; g < 11; ++g) {
    const QKeySequence key =
        g == 10 ? QKeySequence(Qt::CTRL | Qt::Key_F10) : QKeySequence(Qt::CTRL | (Qt::Key_0 + g));
    t.add({L("MIGraph") + L(kGraphItems[g].name),
           L(kGraphItems[g].caption),
           L("Show a graph"),
           key,
           open("TGraphView", g),
           {},
           g == 9 ? GlyphIcon(L("G"), QColor(0xc6, 0x28, 0x28)) : QIcon()});
  }
  t.add({L("MICustGraph"),
         L("C&ustomize"),
         L("Customize the active graph"),
         {},
         [&graphs] { graphs.Customize(graphs.activeGraph()); },
         graphActive});
  t.add({L("MIExportGraph"),
         L("E&xport Graph..."),
         L("Export the active graph to a PNG, SVG or PDF file"),
         {},
         [&graphs] { graphs.ExportActive(); },
         graphActive});
  t.add({L("MIInfoView"), L("&InfoView"), L("Show some results for a selected week always on top"),
         QKeySequence(Qt::CTRL | Qt::Key_I), [&run] { run.ToggleInfoView(); }});
  t.add({L("MIIncrInfoWk"), L("Ne&xt InfoWeek"), L("Show the next week in the Info View"),
         QKeySequence(Qt::CTRL | Qt::Key_PageUp), [&run] { run.NextInfoWeek(); }});
  t.add({L("MIDecrInfoWk"), L("&Previous InfoWeek"), L("Show the previous week in the Info View"),
         QKeySequence(Qt::CTRL | Qt::Key_PageDown), [&run] { run.PreviousInfoWeek(); }});

  // Print
  t.add({L("MIPrintPrint"),
         L("Print"),
         L("Print selected data or results"),
         QKeySequence(Qt::CTRL | Qt::Key_P),
         [&out, &graphs] {
           if (TGraphView* g = graphs.activeGraph())
             graphs.PrintActive(g);
           else
             out.PrintActive();
         },
         {},
         GlyphIcon(L("P"), QColor(0x45, 0x5a, 0x64))});
  const std::pair<const char*, Doc> data[] = {{"Scenario", Doc::Scenario},
                                              {"Environment", Doc::Environment},
                                              {"Irrigation", Doc::Irrigation},
                                              {"Nmineral", Doc::Nmineral},
                                              {"Omon", Doc::Omon}};
  const char* dataCaptions[] = {"&Scenario", "&Environment", "&Irrigation", "&N-Mineral", "&Organic Matter"};
  const char* dataHints[] = {"Print the scenario", "Print the environment", "Print the irrigation",
                             "Print the measured mineral N", "Print the measured organic matter"};
  for (int i = 0; i < 5; ++i) {
    const Doc d = data[i].second;
    t.add({L("MIPrint") + L(data[i].first), L(dataCaptions[i]), L(dataHints[i]), {}, [&out, d] {
             out.PrintData(d);
           }});
  }
  for (int i = 0; i < 14; ++i) {
    const int kind = i + 1;
    t.add({L("MIPrintView") + L(kViewItems[i].name),
           L(kViewItems[i].caption),
           L("Print a result table"),
           {},
           [&out, kind] { out.PrintTable(kind); }});
  }
  for (int i = 0; i < 6; ++i) {
    const int kind = 16 + i;
    t.add({L("MIPrintSummary") + L(kSummItems[i].name),
           L(kSummItems[i].caption),
           L("Print a summary"),
           {},
           [&out, kind] { out.PrintTable(kind); }});
  }
  for (int g = 0; g < 11; ++g)
    t.add({L("MIPrintGraph") + L(kGraphItems[g].name),
           L(kGraphItems[g].caption),
           L("Print a graph"),
           {},
           [&graphs, g] { graphs.PrintGraph(g); }});
  t.add({L("MIPrintGraphSOM"),
         L("SOM, Nm&ineral and Nbalance"),
         L("Print three graphs on one page"),
         {},
         [&graphs] {
           graphs.PrintComposite({5, 9, 0});
         }});
  t.add({L("MIPrintGraphWaterFlowPFNFlow"),
         L("W&aterFlow, Soil pF and NFlow"),
         L("Print three graphs on one page"),
         {},
         [&graphs] {
           graphs.PrintComposite({3, 4, 8});
         }});

  // Options
  t.add({L("MIOptionsPrinterSetUp"), L("Printer Set&up..."), L("Choose and set up the printer"), {}, [&out] {
           out.PrinterSetup();
         }});
  const Options& opt = f.ws().options;
  t.add({L("MIOptionsDirEdit"), L("Directory &Edit..."),
         L("Change the focused parameter in every scenario of the data directory"),
         QKeySequence(Qt::CTRL | Qt::Key_E), [&f] { RunDirEdit(f.services_, nullptr); },
         [&opt] { return opt.has(kOptDirEdit); }});
  t.add({L("MIOptionsKelmarOptions"),
         L("Kelmar &Options..."),
         L("Change the Kelmar program options"),
         {},
         [&f] { f.editOptions(); }});
  t.add({L("MIOptionsSave"), L("&Save Kelmar Options"), L("Save some Kelmar program settings"), {}, [&f] {
           f.saveOptions();
         }});
  t.add(
      {L("MIOptionsDelete"), L("&Delete Kelmar Options"), L("Delete the Kelmar program settings"), {}, [&f] {
         f.deleteOptions();
       }});
  t.add({L("MISaveGrphCust"), L("S&ave Graphs Setup..."), L("Save the setup of all graphs"), {}, [&graphs] {
           graphs.SaveAllSetups();
         }});
  t.add({L("MILoadGrphCust"), L("&Load Graphs Setup..."), L("Load the setup of all graphs"), {}, [&graphs] {
           graphs.LoadAllSetups();
         }});

  // Window
  t.add({L("MIWindowSendToBack"), L("Send To &Back"), L("Send the active window to the back"), {}, [mdi] {
           QMdiSubWindow* sub = mdi->activeSubWindow();
           if (!sub) return;
           sub->lower();
           mdi->activateNextSubWindow();
         }});
  t.add({L("MIWindowCascade"),
         L("&Cascade"),
         L("Cascade the windows"),
         {},
         [mdi] { mdi->cascadeSubWindows(); },
         {},
         GlyphIcon(L("Ca"), QColor(0x60, 0x7d, 0x8b))});
  t.add({L("MIWindowTile"),
         L("&Tile"),
         L("Tile the windows"),
         {},
         [mdi] { mdi->tileSubWindows(); },
         {},
         GlyphIcon(L("Ti"), QColor(0x60, 0x7d, 0x8b))});
  t.add({L("MIWindowArrangeIcons"), L("&Arrange Icons"), L("Arrange the minimised windows"), {}, [mdi] {
           int x = 0;
           for (QMdiSubWindow* w : mdi->subWindowList())
             if (w->isMinimized()) {
               w->move(x, mdi->viewport()->height() - w->height());
               x += w->width();
             }
         }});
  t.add({L("MIWindowMinimizeAll"), L("&Minimize All"), L("Minimise every window"), {}, [mdi] {
           const QList<QMdiSubWindow*> subs = mdi->subWindowList();
           for (auto it = subs.rbegin(); it != subs.rend(); ++it) (*it)->showMinimized();
         }});
  t.add({L("MIWindowRestoreAll"), L("&Restore All"), L("Restore every window"), {}, [mdi] {
           for (QMdiSubWindow* sub : mdi->subWindowList()) sub->showNormal();
         }});
  t.add({L("MIWindowCloseAll"),
         L("C&lose All"),
         L("Close every window"),
         {},
         [&win] { win.closeAll(); },
         {},
         GlyphIcon(QStringLiteral("\u00d7"), QColor(0xb7, 0x1c, 0x1c))});

  // Help
  t.add({L("MIHelpContents"),
         L("&Contents"),
         L("Show the contents of the help"),
         {},
         [&f] { f.ShowHelp(kHelpContents); },
         {},
         GlyphIcon(L("?"), QColor(0x00, 0x83, 0x8f))});
  t.add({L("MIHelpSearch"), L("&Search for Help On..."), L("Search the help"), {}, [&f] { f.SearchHelp(); }});
  t.add({L("MIHelpHowToUse"), L("&How to Use Help"), L("How to use the help"), {}, [&f] {
           f.ShowHelp(kHelpHowToUse);
         }});
  t.add({L("MIHelpAbout"), L("&About..."), L("About Kelmar"), {}, [&f] { f.about(); }});
}

} // namespace kelmar::gui
