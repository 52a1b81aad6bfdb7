// Feeds arbitrary bytes to the series reader, then writes what was loaded.
// A FileError or InvalidFileId is the reader's proper answer to bad input;
// any other exception, crash or sanitizer report is a bug.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "FuzzSupport.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "data/SeriesFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: the kind; second: the start week (1 loads, more inserts).
  const auto kind = static_cast<kelmar::SeriesKind>(data[0] % kelmar::kSeriesCount);
  const int startWeek = data[1] < 128 ? 1 : 1 + (data[1] - 128) * 4 + (data[0] >> 2) % 4;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
  kelmar::Workspace* ws = &kelmar::fuzz::FreshWorkspace();
  try {
    kelmar::LoadSeriesText(*ws, kind, text, "fuzz.series", startWeek);
  } catch (const kelmar::FileError&) {
  } catch (const kelmar::InvalidFileId&) {
  }
  if (kelmar::CountSeriesData(*ws, kind) > 0) {
    kelmar::OutText out(data[0] & 0x80);
    kelmar::WriteSeries(*ws, kind, out, 1, 520);
    kelmar::WriteSeriesExtract(*ws, kind, out, startWeek, 520);
  }
  return 0;
}
