// The kinds of child window the frame can hold. A new window is one class
// and one registration here; menus reach it through its class key.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "calib/AutoDialog.h"
#include "calib/CorrWindows.h"
#include "calib/MRunView.h"
#include "calib/PriceView.h"
#include "dialogs/RangeDialogs.h"
#include "documents/DocumentSet.h"
#include "optim/Targets.h"
#include "run/RunControl.h"
#include "shell/MainForm.h"
#include "shell/WindowRegistry.h"
#include "views/GraphCommands.h"
#include "views/GraphView.h"
#include "views/InfoView.h"
#include "views/ResultViews.h"

namespace kelmar::gui {

void TMainForm::registerWindows() {
  Workspace& ws = *ws_;
  WindowRegistry& r = *windows_;

  // The one table window; choosing another table shows it in the same window.
  r.add({QStringLiteral("TRsltView"),
         [&ws](int kind) -> TIniForm* { return kind >= 1 && kind <= 14 ? new TRsltView(ws, kind) : nullptr; },
         kResultWindow | kCentred,
         {},
         [](TIniForm* f, int kind) { static_cast<TRsltView*>(f)->setKind(kind); }});
  r.add(
      {QStringLiteral("TSummView"),
       [&ws](int kind) -> TIniForm* { return kind >= 16 && kind <= 19 ? new TSummView(ws, kind) : nullptr; },
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
         kScenarioWindow | kEditor | kCommitLast,
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
