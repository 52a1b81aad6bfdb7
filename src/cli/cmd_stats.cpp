// kelmar stats: a summary file read back as the MultiRun window shows it - the
// lines with their low/high/avg/SE rows, the correlation matrix of the
// included items with its significant coefficients marked, or the ten
// histogram classes of one item.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "Command.h"
#include "CommandSupport.h"
#include "Validators.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "optim/CorrMatrix.h"
#include "optim/Histogram.h"
#include "report/SumFile.h"

namespace kelmar::cli {

namespace {

struct StatsOptions {
  std::string sumFile;
  std::string items;
  std::string corr;
  std::string hist;
};

void Print(const OutText& out) {
  std::fwrite(out.text().data(), 1, out.text().size(), stdout);
  std::fflush(stdout);
}

void PrintHistogram(const Histogram& h, int decimals, OutText& out) {
  out.line("Histogram of " + h.title + ": Number in category");
  out.line(" class      from        to  count");
  const int d = decimals + 2;
  for (int k = 0; k < kHistogramClasses; ++k) {
    auto [from, to] = h.bar(k);
    LineBuilder b;
    b.integer(k + 1, 6).real(from, 10, d).real(to, 10, d).integer(h.Count[k], 7).text(" ");
    out.line(b.str() + Repeat('#', std::min(h.Count[k], 60)));
  }
  out.line("values: " + std::to_string(h.total()) + "  class width: " + FmtFixed(h.w, 6, d));
}

// An item given by name (case-insensitive) or number.
int ItemNumber(const std::string& text) {
  for (int i = 0; i < kSummaryItemCount; ++i)
    if (EqualsIgnoreCase(kSummaryItems[i].name, text)) return i + 1;
  if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos && text.size() <= 3) {
    int n = std::stoi(text);
    if (n >= 1 && n <= kSummaryItemCount) return n;
  }
  return 0;
}

int Stats(const StatsOptions& o) {
  ItemSelection sel{};
  sel.fill(true);
  if (!o.items.empty()) sel = ParseItemSelection(o.items);
  int histItem = 0;
  if (!o.hist.empty()) {
    histItem = ItemNumber(o.hist);
    // Whether the item is shown depends on --items too: checked here, not by the option.
    if (!sel[histItem - 1]) {
      ReportError("--hist: item " + std::string(kSummaryItems[histItem - 1].name) + " is not among --items");
      return kExitUsage;
    }
  }
  SumFileData data;
  if (int rc = ExitOnFileError([&] { data = ReadSumFile(o.sumFile); }); rc != kExitOk) return rc;
  if (data.lines.empty()) {
    ReportError(o.sumFile + " holds no summary lines.");
    return kExitOk;
  }
  const SumGrid grid = BuildSumGrid(data, sel);
  OutText out;
  if (histItem > 0) {
    const auto at = std::find(grid.Items.begin(), grid.Items.end(), histItem);
    const int column = kFirstItemColumn + static_cast<int>(at - grid.Items.begin());
    try {
      PrintHistogram(SummaryHistogram(grid, column), kSummaryItems[histItem - 1].decimals, out);
    } catch (const Refusal& e) {
      ReportError(e.what());
      return kExitUsage;
    }
  }
  if (!o.corr.empty()) {
    const CorrMatrix m = SummaryCorrMatrix(grid);
    try {
      WriteCorFile(o.corr, m);
    } catch (const FileError& e) {
      ReportError(std::string("Error saving correlation matrix !\r") + e.what());
      return kExitFile;
    }
    for (const std::string& line : CorrMatrixLines(m, SummaryCorrStatus(m))) out.line(line);
  }
  if (histItem == 0 && o.corr.empty())
    for (const std::string& line : SumGridLines(grid)) out.line(line);
  Print(out);
  return kExitOk;
}

const RegisterCommand registerStats([](CLI::App& app, int& exitCode) {
  auto o = std::make_shared<StatsOptions>();
  CLI::App* cmd = app.add_subcommand(
      "stats", "Show a summary file with its statistics, the correlation matrix or a histogram of one item");
  cmd->add_option("SUM", o->sumFile, "Summary file (.SUM)")->required();
  cmd->add_option("--items", o->items, "The items shown: 76 characters 1 or 0, item 1 first (default: all)")
      ->check(SwitchesCheck(kSummaryItemCount, "76 characters 1 or 0 were expected, item 1 first", false));
  cmd->add_option("--corr", o->corr,
                  "Write the correlation matrix of the items to this .COR file and show it, "
                  "significant coefficients marked *");
  cmd->add_option("--hist", o->hist, "Show the ten histogram classes of this item (name or number)")
      ->check(CLI::Validator(
          [](std::string& t) {
            return ItemNumber(t) != 0 ? std::string()
                                      : "a summary item name or number 1..76 was expected, found '" + t + "'";
          },
          "ITEM", "item"));
  cmd->callback([o, &exitCode] { exitCode = Stats(*o); });
});

} // namespace

} // namespace kelmar::cli
