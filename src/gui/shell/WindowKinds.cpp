// The kinds of child window the frame can hold. A new window is one class
// and one registration here; menus reach it through its class key.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "calib/AutoDialog.h"
#include "calib/CorrWindows.h"
#include "calib/MRunView.h"
#include "calib/PriceView.h"
#include "dialogs/RangeDialogs.h"
#include "dialogs/WeatherImportDialog.h"
#include "documents/DocumentSet.h"
#include "editors/EditParm.h"
#include "editors/EditRecords.h"
#include "editors/EditSoil.h"
#include "editors/SeriesEditors.h"
#include "optim/Targets.h"
#include "report/Tables.h"
#include "run/RunControl.h"
#include "shell/MainForm.h"
#include "shell/WindowRegistry.h"
#include "views/GraphCommands.h"
#include "views/GraphView.h"
#include "views/InfoView.h"
#include "views/ResultViews.h"
#include "views/SensitivityView.h"

namespace kelmar::gui {

void TMainForm::registerWindows() {
  Workspace& ws = *ws_;
  WindowRegistry& r = *windows_;

  // The one table window; choosing another table shows it in the same window.
  const auto isTable = [](int kind) { return kind >= kTableEnvironment && kind <= kTableCumulativeN; };
  r.add({QStringLiteral("TRsltView"),
         [&ws, isTable](int kind) -> TIniForm* { return isTable(kind) ? new TRsltView(ws, kind) : nullptr; },
         kResultWindow | kCentred,
         {},
         [isTable](TIniForm* f, int kind) {
           if (!isTable(kind)) return false;
           static_cast<TRsltView*>(f)->setKind(kind);
           return true;
         }});
  r.add({QStringLiteral("TSummView"),
         [&ws](int kind) -> TIniForm* {
           return kind >= kSummaryWater && kind <= kSummaryNBalance ? new TSummView(ws, kind) : nullptr;
         },
         kResultWindow | kPerNumber | kCentred});
  r.add({QStringLiteral("TNPKView"), [&ws](int) -> TIniForm* { return new TNPKView(ws); },
         kResultWindow | kOptionsWindow | kCentred});
  r.add({QStringLiteral("TCorrView"), [&ws](int) -> TIniForm* { return new TCorrView(ws); },
         kResultWindow | kOptionsWindow | kCentred});
  r.add({QStringLiteral("TInfoView"), [&ws](int) -> TIniForm* { return new TInfoView(ws); },
         kResultWindow | kOptionsWindow | kFloating});

  // The eleven graph windows, one per kind; a double click customises one.
  r.add({QStringLiteral("TGraphView"),
         [this](int kind) -> TIniForm* {
           if (kind < 0 || kind >= kGraphKindCount) return nullptr;
           auto* g = new TGraphView(services_, *graphs_, kind);
           g->onCustomize = [this](TGraphView* v) { graphCommands_->Customize(v); };
           return g;
         },
         kResultWindow | kOptionsWindow | kPerNumber});

  // Global sensitivity analysis; it runs over a copy of the workspace and
  // shows the marked parameters of the scenario loaded.
  r.add({QStringLiteral("TSensitivityView"),
         [this](int) -> TIniForm* { return new TSensitivityView(services_); }, kScenarioWindow});

  // Daily weather to a weekly environment file.
  r.add({QStringLiteral("TWeatherImportDialog"),
         [this](int) -> TIniForm* { return new TWeatherImportDialog(services_); }, kCentred});
  // The scenario editors. Their edits are committed before every command
  // that reads the scenario; the crop and application editors follow the
  // selected record wherever it is set.
  const auto editor = [this](const char* cls, auto make, QSize size = {}) {
    windows_->add({QString::fromLatin1(cls),
                   [this, make](int) -> TIniForm* {
                     TMyDialog* d = make();
                     d->adjustSize();
                     connect(d, &TMyDialog::modifiedChanged, this, [this] { scheduleIdle(); });
                     return d;
                   },
                   kScenarioWindow | kEditor,
                   size.isValid() ? std::function<QSize(TIniForm*)>([size](TIniForm*) { return size; })
                                  : std::function<QSize(TIniForm*)>(),
                   {},
                   {},
                   Doc::Scenario});
  };
  editor("TParmDialog", [this] { return new TParmDialog(services_); });
  editor("TSoilDialog", [this] { return new TSoilDialog(services_); });
  editor(
      "TCropDialog", [this] { return new TCropDialog(services_); }, QSize(620, 320));
  editor(
      "TApplDialog", [this] { return new TApplDialog(services_); }, QSize(780, 420));
  editor("TSSOMDialog", [this] { return new TSSOMDialog(services_); });
  // The four series editors, one window each, committed before commands and
  // the target of File > Load and Save As while active.
  for (SeriesKind k :
       {SeriesKind::Environment, SeriesKind::Irrigation, SeriesKind::Nmineral, SeriesKind::Omon}) {
    r.add({SeriesEditorClass(k),
           [this, k](int) -> TIniForm* {
             TSeriesEditor* e = nullptr;
             switch (k) {
             case SeriesKind::Environment:
               e = new TEnviDialog(services_);
               break;
             case SeriesKind::Irrigation:
               e = new TIrriDialog(services_);
               break;
             case SeriesKind::Nmineral:
               e = new TNminDialog(services_);
               break;
             case SeriesKind::Omon:
               e = new TOmonDialog(services_);
               break;
             }
             connect(e, &TMyDialog::modifiedChanged, this, [this] { scheduleIdle(); });
             return e;
           },
           kEditor,
           {},
           {},
           {},
           DocOf(k)});
  }

  // The Range dialog sits at the lower right of the frame and follows the
  // range wherever it changes.
  r.add({QStringLiteral("TRangeDialog"),
         [this, &ws](int) -> TIniForm* {
           auto* d = new TRangeDialog(ws);
           d->setSelectWeek(services_.selectWeek);
           connect(d, &TRangeDialog::rangeChanged, windows_, &WindowRegistry::RefreshResultWindows);
           connect(d, &TMyDialog::modifiedChanged, this, [this] { scheduleIdle(); });
           return d;
         },
         kScenarioWindow,
         [](TIniForm* f) { return f->sizeHint() + QSize(20, 40); },
         {},
         [](QMdiSubWindow* sub, QMdiArea* mdi) {
           sub->move(std::max(0, mdi->viewport()->width() - sub->width() - 10),
                     std::max(0, mdi->viewport()->height() - sub->height() - 100));
         }});

  // The fitting window edits the parameters in place; its edits are
  // committed after those of every other editor.
  r.add({QStringLiteral("TAutoDialog"),
         [this](int) -> TIniForm* {
           auto* d = new TAutoDialog(services_);
           connect(d, &TMyDialog::modifiedChanged, this, [this] { scheduleIdle(); });
           // Other marks make another search: a population drawn for the old ones is void.
           d->onMarksChanged = [this] {
             if (auto* p = windows_->get<TPriceView>(QStringLiteral("TPriceView"))) p->ResetParms();
           };
           return d;
         },
         kScenarioWindow | kEditor,
         {},
         {},
         {},
         Doc::Scenario});
  r.add({QStringLiteral("TPriceView"), [this](int) -> TIniForm* { return new TPriceView(services_); }, 0});
  r.add({QStringLiteral("TMRunView"), [this](int) -> TIniForm* { return new TMRunView(services_); }, 0});
  // The correlation matrices take their numbers from the window they belong to.
  r.add({QStringLiteral("TCorrMatrix"),
         [this](int) -> TIniForm* {
           return new TCorrMatrixView(services_, TCorrMatrixView::kPriceSets,
                                      [this]() -> std::optional<CorrMatrix> {
                                        auto* p = windows_->get<TPriceView>(QStringLiteral("TPriceView"));
                                        if (!p || p->busy() || !PopulationGuard(p->alg().PriceState).empty())
                                          return std::nullopt;
                                        return PriceCorrMatrix(p->alg());
                                      });
         },
         0});
  r.add({QStringLiteral("TCorrMatrx"),
         [this](int) -> TIniForm* {
           return new TCorrMatrixView(services_, TCorrMatrixView::kSummaries,
                                      [this]() -> std::optional<CorrMatrix> {
                                        auto* m = windows_->get<TMRunView>(QStringLiteral("TMRunView"));
                                        if (!m || m->busy() || m->state() != kMRunShown) return std::nullopt;
                                        return SummaryCorrMatrix(m->sums());
                                      });
         },
         0});
}

} // namespace kelmar::gui
