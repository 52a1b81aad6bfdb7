// Feeds arbitrary bytes to the library readers: the name list and the copy of
// one entry into the scenario. FileError and InvalidFileId are proper answers
// to bad input; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "FuzzSupport.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "data/LibraryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: the library kind and the soil layer; second: the entry index.
  const auto kind = static_cast<kelmar::LibraryKind>(data[0] % 3);
  const int index = static_cast<int>(data[1]) - 8;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
  kelmar::Workspace* ws = &kelmar::fuzz::FreshWorkspace();
  if (data[0] & 0x40) ws->scenario.CropCount = kelmar::kMaxCrops - 1;
  try {
    kelmar::LibraryEntryNamesText(text, "fuzz.lib", kind);
  } catch (const kelmar::FileError&) {
  } catch (const kelmar::InvalidFileId&) {
  }
  try {
    switch (kind) {
    case kelmar::LibraryKind::Soil:
      kelmar::ReadSoilEntryText(*ws, text, "fuzz.soi", index, (data[0] & 0x80) ? 2 : 1);
      break;
    case kelmar::LibraryKind::Crop:
      kelmar::AddCropFromLibraryText(*ws, text, "fuzz.cro", index);
      kelmar::AddCropFromLibraryText(*ws, text, "fuzz.cro", index);
      break;
    case kelmar::LibraryKind::Application:
      kelmar::AddApplicationFromLibraryText(*ws, text, "fuzz.app", index);
      break;
    }
  } catch (const kelmar::FileError&) {
  } catch (const kelmar::InvalidFileId&) {
  }
  return 0;
}
