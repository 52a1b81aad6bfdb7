// Running the `kelmar` program from the command-line tests: a scratch
// directory per test, the program run there with its output captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kelmar::test {

namespace fs = std::filesystem;

inline std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct CliResult {
  int code = -1; // exit status, -1 when the program did not exit normally
  std::string out, err;
};

// Runs `kelmar args` in `dir`, with no input; what it printed is kept in
// out.txt and err.txt there and returned.
inline CliResult RunKelmar(const fs::path& dir, const std::string& args) {
  const std::string cmd =
      "cd '" + dir.string() + "' && exec '" KELMAR_EXE "' " + args + " >out.txt 2>err.txt </dev/null";
  const int st = std::system(cmd.c_str());
  return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, Slurp(dir / "out.txt"), Slurp(dir / "err.txt")};
}

// A fresh directory named after the running test, removed afterwards.
class CliFixture : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("kelmar_" + std::string(info->test_suite_name()) + "_" +
                                       std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  void CopyExamples(std::initializer_list<const char*> files) {
    for (const char* f : files) fs::copy_file(fs::path(KELMAR_EXAMPLES) / f, dir / f);
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const { return Slurp(dir / name); }
  // Runs kelmar in the directory, keeps what it printed in out and err, and
  // returns its exit code.
  int Kelmar(const std::string& args) {
    CliResult r = RunKelmar(dir, args);
    out = std::move(r.out), err = std::move(r.err);
    return r.code;
  }

  fs::path dir;
  std::string out, err;
};

} // namespace kelmar::test
