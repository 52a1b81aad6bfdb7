// The kinds of child window the frame can hold. A new window is one class
// and one registration here; menus reach it through its class key.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "dialogs/RangeDialogs.h"
#include "dialogs/WeatherImportDialog.h"
#include "documents/DocumentSet.h"
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
}

} // namespace kelmar::gui
