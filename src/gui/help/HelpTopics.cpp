#include "help/HelpTopics.h"

#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <array>

namespace kelmar::gui {

namespace {

constexpr const char* kDesktop = "desktop.md";

// The weekly tables share one section, as do the summaries, the graphs and
// the editors; every other window has a section of its own.
constexpr std::array kTopics = std::to_array<HelpTopic>({
    {kHelpModifyRange, kDesktop, "modify-range"},
    {TableHelpContext(1), kDesktop, "weekly-tables"},
    {TableHelpContext(2), kDesktop, "weekly-tables"},
    {TableHelpContext(3), kDesktop, "weekly-tables"},
    {TableHelpContext(4), kDesktop, "weekly-tables"},
    {TableHelpContext(5), kDesktop, "weekly-tables"},
    {TableHelpContext(6), kDesktop, "weekly-tables"},
    {TableHelpContext(7), kDesktop, "weekly-tables"},
    {TableHelpContext(8), kDesktop, "weekly-tables"},
    {TableHelpContext(9), kDesktop, "weekly-tables"},
    {TableHelpContext(10), kDesktop, "weekly-tables"},
    {TableHelpContext(11), kDesktop, "weekly-tables"},
    {TableHelpContext(12), kDesktop, "weekly-tables"},
    {TableHelpContext(13), kDesktop, "weekly-tables"},
    {TableHelpContext(14), kDesktop, "weekly-tables"},
    {SummaryHelpContext(16), kDesktop, "summaries"},
    {SummaryHelpContext(17), kDesktop, "summaries"},
    {SummaryHelpContext(18), kDesktop, "summaries"},
    {SummaryHelpContext(19), kDesktop, "summaries"},
    {kHelpNmodVsNmeas, kDesktop, "n-modelled-vs-n-measured"},
    {kHelpMineralBalance, kDesktop, "mineral-balance"},
    {kHelpInfoView, kDesktop, "info-view"},
    {GraphHelpContext(0), kDesktop, "graphs"},
    {GraphHelpContext(1), kDesktop, "graphs"},
    {GraphHelpContext(2), kDesktop, "graphs"},
    {GraphHelpContext(3), kDesktop, "graphs"},
    {GraphHelpContext(4), kDesktop, "graphs"},
    {GraphHelpContext(5), kDesktop, "graphs"},
    {GraphHelpContext(6), kDesktop, "graphs"},
    {GraphHelpContext(7), kDesktop, "graphs"},
    {GraphHelpContext(8), kDesktop, "graphs"},
    {GraphHelpContext(9), kDesktop, "graphs"},
    {GraphHelpContext(10), kDesktop, "graphs"},
    {kHelpCustomizeGraph, kDesktop, "customize-graph"},
    {kHelpOptions, kDesktop, "kelmar-options"},
    {kHelpDirectoryEdit, kDesktop, "directory-edit"},
    {kHelpHowToUse, kHelpOnHelpPage, ""},
    {kHelpScenarioEditor, kDesktop, "editors"},
    {kHelpSoilEditor, kDesktop, "editors"},
    {kHelpCropsEditor, kDesktop, "editors"},
    {kHelpApplicationsEditor, kDesktop, "editors"},
    {kHelpSubSoilOMEditor, kDesktop, "editors"},
    {kHelpSeriesEditors, kDesktop, "editors"},
    {kHelpParmFitting, kDesktop, "parameter-fitting"},
    {kHelpPrice, kDesktop, "price-algoritm"},
    {kHelpMultiRun, kDesktop, "multirun"},
    {kHelpCorrelation, kDesktop, "correlation-matrix-and-histograms"},
});

static_assert(std::is_sorted(kTopics.begin(), kTopics.end(),
                             [](const HelpTopic& a, const HelpTopic& b) { return a.context < b.context; }));

} // namespace

std::span<const HelpTopic> HelpTopics() { return kTopics; }

HelpTopic HelpTopicFor(int context) {
  const auto it = std::lower_bound(kTopics.begin(), kTopics.end(), context,
                                   [](const HelpTopic& t, int c) { return t.context < c; });
  if (it != kTopics.end() && it->context == context) return *it;
  return {context, kHelpContentsPage, ""};
}

QString HeadingAnchor(const QString& heading) {
  QString out;
  for (const QChar c : heading.toLower()) {
    if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
      out += c;
    else if (c == QLatin1Char(' '))
      out += QLatin1Char('-');
  }
  return out;
}

QStringList HeadingAnchors(const QTextDocument& doc) {
  QStringList out;
  QSet<QString> taken;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    if (b.blockFormat().headingLevel() == 0) continue;
    const QString base = HeadingAnchor(b.text());
    QString a = base;
    for (int n = 1; taken.contains(a); ++n) a = base + QLatin1Char('-') + QString::number(n);
    taken.insert(a);
    out << a;
  }
  return out;
}

} // namespace kelmar::gui
