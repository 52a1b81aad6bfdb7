// Feeds arbitrary bytes to the reader of the Price search's state file, for a
// scenario with two fitted parameters. What loads must write back to the same
// text, show as a grid, a .PS text, a status line and a correlation matrix
// (.COR text), and go on searching: the state the search then reaches must
// load again. The evaluation draws random targets, so no model run is made.
// InvalidFileId and FileError are the proper answers to a bad state.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "optim/CorrMatrix.h"
#include "optim/PriceAlg.h"
#include "optim/PriceSets.h"

using namespace kelmar;
using kelmar::fuzz::Check;

namespace {

// The fitted parameters of every input: the first two of the table.
std::unique_ptr<Workspace> MakeFitted() {
  auto ws = MakeWorkspace();
  for (int i = 1; i <= ParmTable::size(); ++i) ws->parms[i].fit = i <= 2 ? 1 : 0;
  return ws;
}

struct Search {
  std::unique_ptr<Workspace> pristine = MakeFitted();
  std::unique_ptr<Workspace> ws = MakeFitted();
  TPriceAlg alg{*ws};
  TPriceAlg back{*ws};

  Search() {
    alg.SetNParms();
    back.SetNParms();
  }
  void Reset() {
    *ws = *pristine;
    alg.Rng.seed(1);
  }
};

Search& TheSearch() {
  static Search s;
  return s;
}

void CheckRoundTrip(Search& s) {
  const std::string text = PriceStateText(s.alg);
  LoadPriceStateText(s.back, text, "FUZZ.PST"); // what was written must load
  Check(PriceStateText(s.back) == text, "state round trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t control = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  Search& s = TheSearch();
  s.Reset();
  try {
    LoadPriceStateText(s.alg, text, "FUZZ.PST");
  } catch (const InvalidFileId&) {
    return 0;
  } catch (const FileError&) {
    return 0;
  }
  CheckRoundTrip(s);

  PriceGrid grid;
  grid.Reset(s.alg);
  grid.SortBy(s.alg, control % PriceGrid::ColumnCount(s.alg));
  (void)PriceSetsText(s.alg, grid);
  (void)PriceStatusLine(s.alg);
  const CorrMatrix m = PriceCorrMatrix(s.alg);
  (void)CorFileText(m);
  (void)CorrMatrixLines(m, ParameterCorrStatus(m));

  if (control & 0x80) {
    // A short search from the loaded state; its checkpoints must load again.
    s.alg.NIterPSet = 1;
    s.alg.Resume();
    if (s.alg.PriceState == kPriceInitialised || s.alg.PriceState == kPriceIterated) s.alg.Iterate();
    CheckRoundTrip(s);
  }
  return 0;
}
