// Feeds arbitrary bytes to the scenario reader and to the merge of another
// scenario file. FileError and InvalidFileId are the expected answers to bad
// input; anything else (a crash, a sanitizer report, another exception) is a
// bug. A failed load must leave the scenario as it was. Whatever loads must
// also be written, read back and written again to the same text, and print as
// a listing.
#include <cstdint>
#include <memory>
#include <string_view>

#include "FuzzSupport.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "data/ScenarioFile.h"
#include "data/TextFormat.h"

using namespace kelmar;

namespace {

std::string Written(const Workspace& ws, bool listing = false) {
  OutText out(listing);
  WriteScenario(ws, out);
  return out.text();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  Workspace& ws = kelmar::fuzz::FreshWorkspace(0);
  bool loaded = false;
  try {
    LoadScenarioText(ws, text, "fuzz.dat");
    loaded = true;
  } catch (const FileError&) {
  } catch (const InvalidFileId&) {
  }
  // A failed load takes over nothing of the file.
  static const std::string untouched = Written(*MakeWorkspace());
  fuzz::Check(loaded || Written(ws) == untouched, "a failed load changed the scenario");
  if (loaded) {
    const std::string first = Written(ws);
    Workspace& back = kelmar::fuzz::FreshWorkspace(1);
    LoadScenarioText(back, first, "fuzz.dat"); // must not throw
    fuzz::Check(Written(back) == first, "scenario round trip");
  }

  for (bool append : {false, true}) {
    Workspace& merged = kelmar::fuzz::FreshWorkspace(1);
    try {
      InsertScenarioText(merged, text, "fuzz.dat", append);
    } catch (const FileError&) {
    } catch (const InvalidFileId&) {
    }
    Written(merged, true);
  }
  return 0;
}
