// The families of commands that the command table declares and the menus
// list: tables, summaries, graphs, series and editors.
#pragma once

#include <QKeySequence>
#include <QString>

#include "records/Scenario.h"

namespace kelmar::gui {

namespace commands {

inline QString L(const char* s) { return QString::fromLatin1(s); }

struct NamedItem {
  const char* name;
  const char* caption;
};
// The result tables 1..14.
inline constexpr NamedItem kViewItems[14] = {
    {"Environment", "&Environment"},
    {"CropDevelopment", "&Crop Development"},
    {"GroundWaterTable", "&Ground Water Table"},
    {"WaterBalanceTopSoil", "Water Balance &TopSoil"},
    {"WaterBalanceSubSoil", "Water Balance &SubSoil"},
    {"WaterBalance", "&Water Balance"},
    {"CorrectionFactor", "Correction &Factor"},
    {"OrganicMatterTopSoil", "&Organic Matter TopSoil"},
    {"OrganicMatterSubSoil", "Organic &Matter SubSoil"},
    {"NitrogenBalanceTopSoil", "&Nitrogen Balance TopSoil"},
    {"NitrogenBalanceSubSoil", "Nitrogen Balance S&ubSoil"},
    {"NitrogenBalance", "Nitrogen &Balance"},
    {"MineralNitrogen", "M&ineral Nitrogen"},
    {"CumulativeNbalance", "C&umulative N balance"},
};
// The summaries 16..21.
inline constexpr NamedItem kSummItems[6] = {
    {"WaterBalance", "&Water Balance"},
    {"Mineralisation", "&Mineralisation"},
    {"MineralisationSubSoil", "Mineralisation &SubSoil"},
    {"NitrogenBalance", "&Nitrogen Balance"},
    {"NmodelledvsNmeasured", "N-modelled vs N-&measured"},
    {"MineralBalance", "Mineral &Balance"},
};
// The graphs 0..10.
inline constexpr NamedItem kGraphItems[11] = {
    {"CumulativeNbalance", "C&umulative N balance"},
    {"Temperature", "&Temperature"},
    {"Environment", "&Environment"},
    {"WaterFlow", "&WaterFlow"},
    {"SoilpF", "Soil &pF"},
    {"OrganicMatter", "&Organic Matter"},
    {"OrganicNitrogen", "Organic &Nitrogen"},
    {"SourcesofMineralisation", "&Sources of Mineralisation"},
    {"NitrogenFlow", "Nitrogen &Flow"},
    {"MineralNitrogen", "&Mineral Nitrogen"},
    {"NmodelledvsNmeasured", "N-modelled vs N-measu&red"},
};
struct SeriesItem {
  SeriesKind kind;
  const char* name; // Envi, Irri, Nmin, Omon
  const char* menu;
  const char* extract;
  const char* extractName;
};
inline constexpr SeriesItem kSeriesItems[4] = {
    {SeriesKind::Environment, "Envi", "&Environment", "&Environment...", "Environment"},
    {SeriesKind::Irrigation, "Irri", "Irri&gation", "&Irrigation...", "Irrigation"},
    {SeriesKind::Nmineral, "Nmin", "N-&Mineral", "&N-Mineral...", "Nmineral"},
    {SeriesKind::Omon, "Omon", "&Organic Matter", "&Organic Matter...", "Omon"},
};
struct EditorItem {
  const char* name;
  const char* caption;
  const char* hint;
  const char* cls; // the editor's window class
  QKeySequence key;
};
inline const EditorItem kEditorItems[9] = {
    {"MIEditParameters", "Scenario &Parameters", "Edit the scenario parameters", "TParmDialog",
     QKeySequence(Qt::ALT | Qt::Key_1)},
    {"MIEditSoil", "&Soil", "Edit the soil layers", "TSoilDialog", QKeySequence(Qt::ALT | Qt::Key_2)},
    {"MIEditCrops", "&Crops", "Edit the crop rotation", "TCropDialog", QKeySequence(Qt::ALT | Qt::Key_3)},
    {"MIEditApplications", "&Applications", "Edit the applications", "TApplDialog",
     QKeySequence(Qt::ALT | Qt::Key_4)},
    {"MIEditSubSoilOM", "Su&bSoil OM", "Edit the subsoil organic matter", "TSSOMDialog", {}},
    {"MIEditEnvironment", "&Environment", "Edit the environment", "TEnviDialog",
     QKeySequence(Qt::ALT | Qt::Key_5)},
    {"MIEditIrrigation", "&Irrigation", "Edit the irrigation", "TIrriDialog",
     QKeySequence(Qt::ALT | Qt::Key_6)},
    {"MIEditNmineral", "N-&Mineral", "Edit the measured mineral N", "TNminDialog",
     QKeySequence(Qt::ALT | Qt::Key_7)},
    {"MIEditOmon", "&Organic Matter", "Edit the measured organic matter", "TOmonDialog", {}},
};

} // namespace commands

} // namespace kelmar::gui
