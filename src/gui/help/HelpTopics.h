// Where the user guide describes each window: the help context numbers the
// windows report (TIniForm::HelpContext) and the page and section they open.
#pragma once

#include <QString>
#include <QStringList>
#include <span>

#include "report/Tables.h"

class QTextDocument;

namespace kelmar::gui {

inline constexpr const char* kHelpContentsPage = "index.md";
inline constexpr const char* kHelpOnHelpPage = "help.md";

// Contexts that follow from a window's kind.
constexpr int TableHelpContext(int kind) { return 1380 + 10 * (kind - kTableEnvironment); } // tables 1..14
constexpr int SummaryHelpContext(int kind) { return 1540 + 10 * (kind - kSummaryWater); } // summaries 16..19
constexpr int GraphHelpContext(int kind) { return 1610 + 10 * kind; }                     // graphs 0..10

// Windows with a number of their own.
enum HelpContextNumber : int {
  kHelpContents = 0,
  kHelpModifyRange = 1370,
  kHelpNmodVsNmeas = 1580,
  kHelpMineralBalance = 1590,
  kHelpInfoView = 1600,
  kHelpCustomizeGraph = 1715,
  kHelpOptions = 1720,
  kHelpDirectoryEdit = 1730,
  kHelpHowToUse = 1740,
  kHelpScenarioEditor = 2000,
  kHelpSoilEditor = 2010,
  kHelpCropsEditor = 2020,
  kHelpApplicationsEditor = 2030,
  kHelpSubSoilOMEditor = 2040,
  kHelpSeriesEditors = 2050,
  kHelpParmFitting = 2660,
  kHelpPrice = 2670,
  kHelpMultiRun = 2680,
  kHelpCorrelation = 2690,
};

struct HelpTopic {
  int context;
  const char* page;   // file name in the help directory
  const char* anchor; // the section's anchor; empty: the top of the page
};

// Every context the program uses, in ascending order.
std::span<const HelpTopic> HelpTopics();
// The topic of a context; a context without one opens the contents page.
HelpTopic HelpTopicFor(int context);

// The anchor of a heading as the guide's links name it: lower case, letters,
// digits, '-' and '_' kept, blanks become '-', everything else dropped.
QString HeadingAnchor(const QString& heading);
// The anchors of every heading of a document, in order; a heading whose
// anchor is already taken gets "-1", "-2", ... appended.
QStringList HeadingAnchors(const QTextDocument& doc);

} // namespace kelmar::gui
