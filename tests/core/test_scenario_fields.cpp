// The field tables of the scenario editors: every field reaches a value of
// its own, the soil tables reach their own layer, and what a field shows
// reads back within its limits to the value it came from.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "Workspace.h"
#include "data/ScenarioFields.h"

using namespace kelmar;

namespace {

const void* Address(const ScenarioField& f, Scenario& s, int item) {
  return f.real ? static_cast<const void*>(f.real(s, item)) : static_cast<const void*>(f.integer(s, item));
}

} // namespace

TEST(ScenarioFields, EveryFieldHasAValueOfItsOwnAndShowsWhatItHolds) {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  const std::vector<std::vector<ScenarioField>> tables{
      ParameterFields(), SoilFields(),          SoilParameterFields(1), SoilParameterFields(2),
      SubSoilOMFields(), CropParameterFields(), CropGridFields(),       ApplGridFields()};
  std::set<const void*> seen;
  for (const auto& table : tables) {
    std::set<std::string> keys;
    for (const ScenarioField& f : table) {
      SCOPED_TRACE(f.key);
      EXPECT_TRUE(keys.insert(f.key).second) << "key twice in one table";
      EXPECT_NE(f.real == nullptr, f.integer == nullptr);
      EXPECT_LT(f.limits.min, f.limits.max);
      // Crop and application fields are read from record 2.
      EXPECT_TRUE(seen.insert(Address(f, s, 2)).second) << "two fields share a value";

      const double v = f.limits.max - (f.whole() ? 1 : 0.5 * std::pow(10.0, -f.limits.decimals));
      f.set(s, 2, v);
      double back = 0;
      ASSERT_TRUE(f.parse(f.text(s, 2), back)) << f.text(s, 2);
      EXPECT_NEAR(back, v, std::pow(10.0, -f.limits.decimals)) << f.text(s, 2);

      EXPECT_FALSE(f.parse(std::to_string(f.limits.max + 1), back));
      EXPECT_FALSE(f.parse("1e", back));
      EXPECT_EQ(f.limitMessage().rfind("Value must be between ", 0), 0u);
    }
  }
  // The soil parameter tables reach their own layer.
  SoilParameterFields(2).front().set(s, 0, 0.25);
  EXPECT_FLOAT_EQ(s.Soil[1].SMO, 0.25f);
}

TEST(ScenarioFields, WholeNumbersAndDecimalsAsTheInputsShowThem) {
  auto ws = MakeWorkspace();
  Scenario& s = ws->scenario;
  const auto fields = ParameterFields();
  const auto find = [&](std::string_view key) {
    for (const ScenarioField& f : fields)
      if (f.key == key) return f;
    throw std::logic_error("no field");
  };
  s.Weeks = 312;
  s.pH = 5.5f;
  EXPECT_EQ(find("Weeks").text(s, 0), "312");
  EXPECT_EQ(find("pH").text(s, 0), "5.50");
  double v = -1;
  EXPECT_TRUE(find("NDep").parse("", v)); // an empty input is 0
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(find("NDep").parse(" 40,5 ", v)); // either decimal separator
  EXPECT_EQ(v, 40.5);
  EXPECT_FALSE(find("Weeks").parse("12.5", v));
  EXPECT_FALSE(find("Weeks").parse("1301", v));
}
