// Feeds arbitrary bytes to the .PAR reader and writes the table back.
// FileError and InvalidFileId are proper answers to bad input; anything else
// is a bug.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "FuzzSupport.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "data/ParFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // First byte: the four include switches.
  const kelmar::ParIncludes inc{(data[0] & 1) != 0, (data[0] & 2) != 0, (data[0] & 4) != 0,
                                (data[0] & 8) != 0};
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  kelmar::Workspace* ws = &kelmar::fuzz::FreshWorkspace();
  try {
    kelmar::LoadParText(*ws, text, "fuzz.par", inc);
  } catch (const kelmar::FileError&) {
  } catch (const kelmar::InvalidFileId&) {
  }
  kelmar::OutText out;
  kelmar::WritePar(*ws, out);
  return 0;
}
