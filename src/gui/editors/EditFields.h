// The numeric fields the scenario editors show: caption, unit, limits,
// decimals and where the value lives in a scenario. One table per editor; the
// editors build their inputs from it and Directory Edit reads and writes the
// same field in other scenario files through it.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "records/Scenario.h"

namespace kelmar::gui {

struct FieldDef {
  QString key;     // object name of the input: "THL1"
  QString caption; // label with its access key: "Thic&kness"
  QString unit;    // shown after the input: "[5-100cm]"; may be empty
  double min = 0;
  double max = 0;
  int decimals = 0;
  bool whole = false; // an integer field
  // The field in a scenario, for a record number where the editor has one
  // (a crop); exactly one of the two is set.
  std::function<float*(Scenario&, int item)> real = {};
  std::function<int32_t*(Scenario&, int item)> integer = {};

  double get(Scenario& s, int item) const {
    return real ? double(*real(s, item)) : double(*integer(s, item));
  }
  void set(Scenario& s, int item, double v) const {
    if (real)
      *real(s, item) = static_cast<float>(v);
    else
      *integer(s, item) = static_cast<int32_t>(v);
  }
  // The value as the input shows it.
  QString text(Scenario& s, int item) const;
  // Reads an input's text (empty counts as 0); false when it is no number or
  // outside the limits.
  bool parse(const QString& text, double& v) const;
};

// "Value must be between %g and %g !".
QString LimitMessage(const FieldDef& f);

std::vector<FieldDef> ParameterFields(); // Scenario Parameters, without Title and EnviFile
std::vector<FieldDef> SoilFields();      // THL, IFi, NMIN of both layers
std::vector<FieldDef> SoilParameterFields(int layer);
std::vector<FieldDef> SubSoilOMFields();
std::vector<FieldDef> CropParameterFields(); // of the crop given as item

} // namespace kelmar::gui
