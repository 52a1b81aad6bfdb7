// The contract of `kelmar plot`: every graph of the example in every format,
// exit codes of refused requests, and no partial output.
#include <gtest/gtest.h>

#include "CliSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "data/GraphSetupFile.h"

namespace fs = std::filesystem;
using namespace kelmar;

namespace {

using Result = kelmar::test::CliResult;
using kelmar::test::Slurp;

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto i = text.find(what); i != std::string::npos; i = text.find(what, i + 1)) ++n;
  return n;
}

// Width and height from a PNG's header; 0 when it is not a PNG.
std::pair<int, int> PngSize(const std::string& b) {
  if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0)
    return {0, 0};
  auto be = [&](std::size_t at) {
    return (uint8_t(b[at]) << 24) | (uint8_t(b[at + 1]) << 16) | (uint8_t(b[at + 2]) << 8) |
           uint8_t(b[at + 3]);
  };
  return {int(be(16)), int(be(20))};
}

class CliPlot : public kelmar::test::CliFixture {
protected:
  void SetUp() override {
    CliFixture::SetUp();
    CopyExamples({"SANDY6.DAT", "SANDY6.ENV", "SANDY6.MIN"});
    if (Kelmar("plot --help").code != 0) GTEST_SKIP() << "built without the graph renderer";
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir / "ro", fs::perms::owner_all, ec);
    CliFixture::TearDown();
  }

  Result Kelmar(const std::string& args) { return kelmar::test::RunKelmar(dir, args); }
  // Files of the directory other than the inputs and the captured output.
  std::vector<std::string> Extra() const {
    std::vector<std::string> v;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      std::string n = e.path().filename().string();
      if (n.rfind("SANDY6.", 0) == 0 || n == "TEXT.GSA" || n == "out.txt" || n == "err.txt" ||
          e.is_directory())
        continue;
      v.push_back(n);
    }
    return v;
  }
};

const char* const kNames[] = {"Cumulative Nitrogen Balance",
                              "Temperature",
                              "Environment",
                              "Water Flow",
                              "Soil pF",
                              "Organic Matter",
                              "C/N Ratio Organic Matter",
                              "Sources of Mineralisation",
                              "Nitrogen Flow",
                              "Mineral Nitrogen",
                              "N-modelled vs N-measured"};

} // namespace

TEST_F(CliPlot, EveryGraphOfTheExampleInEveryFormat) {
  std::string all;
  for (int k = 0; k <= 10; ++k) {
    SCOPED_TRACE(k);
    const std::string n = std::to_string(k);
    Result png = Kelmar("plot SANDY6.DAT --graph " + n + " --size 480x300 -o g" + n + ".png");
    ASSERT_EQ(png.code, 0) << png.err;
    EXPECT_EQ(PngSize(Slurp(dir / ("g" + n + ".png"))), std::make_pair(480, 300));
    Result svg = Kelmar("plot SANDY6.DAT --graph " + n + " -o g" + n + ".svg");
    ASSERT_EQ(svg.code, 0) << svg.err;
    std::string text = Slurp(dir / ("g" + n + ".svg"));
    std::string name = kNames[k];
    EXPECT_NE(text.find(">" + name), std::string::npos);
    EXPECT_NE(text.find(k == 10 ? "Measured [kg N/ha] -&gt;" : "Week -&gt;"), std::string::npos);
    all += " --graph " + n;
  }
  Result pdf = Kelmar("plot SANDY6.DAT" + all + " -o all.pdf");
  ASSERT_EQ(pdf.code, 0) << pdf.err;
  std::string b = Slurp(dir / "all.pdf");
  EXPECT_EQ(b.compare(0, 4, "%PDF"), 0);
  EXPECT_EQ(Count(b, "/Type /Page\n") + Count(b, "/Type /Page\r"), 11u);
  EXPECT_TRUE(pdf.err.empty()) << pdf.err;
}

TEST_F(CliPlot, GraphsByNameAndTheirSetupFile) {
  GraphSetupStore store;
  store.EnsureInitialised();
  store.setups[9].GraphTitle = "Nmin on sand";
  SaveAllGraphSetups((dir / "MY.GSA").string(), store);
  Result r = Kelmar("plot SANDY6.DAT --graph 'mineral NITROGEN' --setup MY.GSA --range 53-156 -o g.svg");
  ASSERT_EQ(r.code, 0) << r.err;
  std::string svg = Slurp(dir / "g.svg");
  EXPECT_NE(svg.find(">Nmin on sand"), std::string::npos);
  EXPECT_EQ(svg.find(">Mineral Nitrogen"), std::string::npos);
}

TEST_F(CliPlot, RefusedRequestsWriteNothing) {
  struct Case {
    std::string args;
    int code;
    std::string message;
  };
  std::ofstream(dir / "TEXT.GSA", std::ios::binary) << "\x14Kelmar 459 Data File and more";
  const Case cases[] = {
      {"--graph Printing -o g.png", 2, "--graph"},
      {"--graph 11 -o g.png", 2, "--graph"},
      {"--graph 9 --size 0x300 -o g.png", 2, "--size"},
      {"--graph 9 --size big -o g.png", 2, "--size"},
      {"--graph 9 --range 10-5 -o g.png", 2, "--range"},
      {"--graph 9 -o g.gif", 2, ".png, .svg or .pdf"},
      {"--graph 9 --graph 0 -o g.png", 2, ".pdf"},
      {"--graph 9 --setup TEXT.GSA -o g.png", 3, "Invalid file ID!: Kelmar 459 Data File"},
      {"--graph 9 --setup NONE.GSA -o g.png", 4, "Error loading all graphs setup !"},
      {"--graph 9 -o missing/g.png", 4, "missing/g.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Result r = Kelmar("plot SANDY6.DAT " + c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(Extra().empty()) << Extra().front();
  }
  Result r = Kelmar("plot NONE.DAT --graph 9 -o g.png");
  EXPECT_EQ(r.code, 4);
  EXPECT_TRUE(Extra().empty());
}

TEST_F(CliPlot, UnwritableOutputKeepsThePreviousFile) {
  fs::create_directories(dir / "ro");
  std::ofstream(dir / "ro" / "g.pdf") << "previous";
  fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  if (::access((dir / "ro").c_str(), W_OK) == 0) GTEST_SKIP() << "the directory stays writable (root)";
  Result r = Kelmar("plot SANDY6.DAT --graph 0 --graph 1 -o ro/g.pdf");
  EXPECT_EQ(r.code, 4) << r.err;
  EXPECT_EQ(Slurp(dir / "ro" / "g.pdf"), "previous");
  fs::permissions(dir / "ro", fs::perms::owner_all);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "ro"), fs::directory_iterator()), 1);
}
