// Feeds arbitrary bytes to the readers of the graph setup files: all eleven
// setups (.GSA) and one setup (.GSU), and the record decoder itself. What
// loads must save to bytes that load back to the same setups and save again
// to the same bytes. InvalidFileId and FileError are the proper answers to a
// foreign or damaged file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/GraphSetupFile.h"
#include "data/TextReader.h"

using namespace kelmar;
using kelmar::fuzz::Check;

namespace {

// The readers take a path: one scratch file per process, in memory where the
// system offers it.
const std::string& Scratch(const char* ext) {
  static const std::string dir = [] {
    const char* shm = "/dev/shm";
    return std::string(access(shm, W_OK) == 0 ? shm : "/tmp") + "/kelmar-fuzz-" + std::to_string(getpid());
  }();
  static const std::string gsa = dir + ".GSA", gsu = dir + ".GSU", out = dir + "-out.bin";
  static const bool cleanUp = [] {
    std::atexit([] {
      for (const std::string* p : {&gsa, &gsu, &out}) std::remove(p->c_str());
    });
    return true;
  }();
  (void)cleanUp;
  return ext[0] == 'A' ? gsa : ext[0] == 'U' ? gsu : out;
}

void Write(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}

void CheckRecord(const uint8_t* bytes) {
  const GraphSetupBytes once = EncodeGraphSetup(DecodeGraphSetup(bytes));
  const GraphSetupBytes twice = EncodeGraphSetup(DecodeGraphSetup(once.data()));
  Check(once == twice, "graph setup record round trip");
}

void CheckAll(const uint8_t* data, size_t size) {
  Write(Scratch("A"), data, size);
  GraphSetupStore store;
  try {
    LoadAllGraphSetups(Scratch("A"), store);
  } catch (const InvalidFileId&) {
    return;
  } catch (const FileError&) {
    return;
  }
  SaveAllGraphSetups(Scratch("O"), store);
  const std::string once = ReadFileText(Scratch("O"));
  GraphSetupStore back;
  Check(LoadAllGraphSetups(Scratch("O"), back) == kGraphKindCount, "saved setups do not load");
  SaveAllGraphSetups(Scratch("O"), back);
  Check(ReadFileText(Scratch("O")) == once, "all graph setups round trip");
}

void CheckOne(const uint8_t* data, size_t size) {
  Write(Scratch("U"), data, size);
  GraphSetup g;
  try {
    g = LoadGraphSetup(Scratch("U"));
  } catch (const InvalidFileId&) {
    return;
  } catch (const FileError&) {
    return;
  }
  SaveGraphSetup(Scratch("O"), g);
  const std::string once = ReadFileText(Scratch("O"));
  SaveGraphSetup(Scratch("O"), LoadGraphSetup(Scratch("O")));
  Check(ReadFileText(Scratch("O")) == once, "graph setup round trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t at = kGraphSetupIdSize; at + kGraphSetupSize <= size; at += kGraphSetupSize)
    CheckRecord(data + at);
  // A file of one setup is a tenth the size of a file of all of them.
  if (size < static_cast<size_t>(kGraphSetupOneFileSize) * 2)
    CheckOne(data, size);
  else
    CheckAll(data, size);
  return 0;
}
