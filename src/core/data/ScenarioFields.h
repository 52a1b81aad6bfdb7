// The numeric fields of a scenario as its editors show them: key, caption,
// unit, editing limits and where the value lives in a scenario. One table per
// editor; the editors build their inputs and grid columns from them, and
// Directory Edit reads and writes the same field in other scenario files
// through them, so the limits a user meets are the same everywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/FieldLimits.h"
#include "records/Scenario.h"

namespace kelmar {

struct ScenarioField {
  std::string key;     // the input's name: "THL1"; a grid column's header
  std::string caption; // label with its access key: "Thic&kness"; a grid column's header
  std::string unit;    // shown after the input: "[5-100cm]"; a grid column's hint; may be empty
  FieldLimits limits;  // Integer or Real
  // The field in a scenario, for a record number where the editor has one
  // (a crop or application); exactly one of the two is set.
  std::function<float*(Scenario&, int item)> real = {};
  std::function<int32_t*(Scenario&, int item)> integer = {};

  bool whole() const { return limits.type == FieldType::Integer; }
  double get(Scenario& s, int item) const {
    return real ? static_cast<double>(*real(s, item)) : static_cast<double>(*integer(s, item));
  }
  void set(Scenario& s, int item, double v) const;
  // The value as an input shows it: whole numbers plainly, reals in fixed
  // notation with the field's decimals.
  std::string text(Scenario& s, int item) const;
  // Reads typed text (empty counts as 0); false when it is no number or
  // outside the limits.
  bool parse(std::string_view text, double& v) const;
  // "Value must be between %g and %g !".
  std::string limitMessage() const { return NumInputRangeMessage(limits.min, limits.max); }
};

std::vector<ScenarioField> ParameterFields();              // Scenario Parameters, without Title and EnviFile
std::vector<ScenarioField> SoilFields();                   // THL, IFi, NMIN of both layers
std::vector<ScenarioField> SoilParameterFields(int layer); // 1 TopSoil, 2 SubSoil
std::vector<ScenarioField> SubSoilOMFields();
std::vector<ScenarioField> CropParameterFields(); // of the crop given as item
// The grid columns of the crop and application editors after number and
// name: header as key and caption, hint as unit.
std::vector<ScenarioField> CropGridFields();
std::vector<ScenarioField> ApplGridFields();

} // namespace kelmar
