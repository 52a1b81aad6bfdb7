// The appearance of one graph: titles, axes, grid, colours, font and the
// styles of its four series. One record per graph kind lives as long as the
// program; records are saved in ".GSA" (all kinds) and ".GSU" (one graph)
// files, 500 bytes each (see GraphSetupFile.h for the byte layout).
//
// Colours are 32-bit values 0x00BBGGRR (red in the low byte). Line and grid
// styles are pen styles: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "records/FixedString.h"

namespace kelmar {

using GraphColor = uint32_t; // 0x00BBGGRR

inline constexpr GraphColor kColorBlack = 0x000000;
inline constexpr GraphColor kColorRed = 0x0000FF;
inline constexpr GraphColor kColorGreen = 0x008000;
inline constexpr GraphColor kColorBlue = 0xFF0000;
inline constexpr GraphColor kColorYellow = 0x00FFFF;
inline constexpr GraphColor kColorGrey = 0x808080;
inline constexpr GraphColor kColorWhite = 0xFFFFFF;
inline constexpr GraphColor kColorButtonFace = 0xF0F0F0; // background of a new graph
inline constexpr GraphColor kColorCropBar = 0xFFFFCC;    // light blue

constexpr int ColorRed(GraphColor c) { return static_cast<int>(c & 0xFF); }
constexpr int ColorGreen(GraphColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int ColorBlue(GraphColor c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr GraphColor MakeColor(int r, int g, int b) {
  return static_cast<GraphColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

enum GraphPenStyle : uint8_t {
  kPenSolid = 0,
  kPenDash = 1,
  kPenDot = 2,
  kPenDashDot = 3,
  kPenDashDotDot = 4
};

// Point shapes, coded as stored in the setup record.
enum PointShape : uint8_t {
  ps_Square = 0,
  ps_Circle = 1,
  ps_Diamond = 2,
  ps_Triangle = 3, // flat side up, point down
  ps_Cross = 4,
  ps_Plus = 5,
};

// Bits of FontSetup::Style.
enum FontStyleBit : uint8_t {
  kFontBold = 0x01,
  kFontItalic = 0x02,
  kFontUnderline = 0x04,
  kFontStrikeOut = 0x08
};

inline constexpr int kGraphSeriesCount = 4;
inline constexpr int kGraphKindCount = 11;   // kinds 0..10
inline constexpr int kGraphPrintSlot = 11;   // window slot of a graph being printed
inline constexpr int kGraphScatterKind = 10; // N-modelled vs N-measured
inline constexpr int kGraphSetupSize = 500;  // bytes of one record in a file

// File identifiers (20 characters, stored after a length byte).
inline constexpr std::string_view kGraphSetupAllId = "Kelmar 421 Grph Cust"; // .GSA
inline constexpr std::string_view kGraphSetupOneId = "zkGraph101 Grph Cust"; // .GSU

struct SeriesSetup {
  bool Active = false;
  FixedString<32> Title;
  bool HasLine = true;
  int32_t LineWidth = 1;         // pixels at 100 %
  uint8_t LineStyle = kPenSolid; // GraphPenStyle
  GraphColor LineColor = kColorBlack;
  bool HasPoints = false;
  int32_t PointSize = 8;          // pixels at 100 %
  uint8_t PointShape = ps_Square; // PointShape
  GraphColor PointColor = kColorBlack;
  bool FillPoints = false;

  friend bool operator==(const SeriesSetup&, const SeriesSetup&) = default;
};

struct FontSetup {
  FixedString<32> Name{"Arial"};
  int32_t Size = 8;  // points
  uint8_t Style = 0; // FontStyleBit set
  GraphColor Color = kColorBlack;

  friend bool operator==(const FontSetup&, const FontSetup&) = default;
};

struct GraphSetup {
  FixedString<79> GraphTitle;
  FixedString<32> XAxisTitle;
  FixedString<32> YAxisTitle;
  GraphColor AxisColor = kColorBlack;
  float XMin = 0, XMax = 1, YMin = 0, YMax = 1; // hand-set limits (used when not automatic)
  bool XAuto = true, YAuto = true;
  bool GridLines = true;
  uint8_t GridStyle = kPenDot; // GraphPenStyle
  GraphColor GridColor = kColorGrey;
  GraphColor BackColor = kColorButtonFace;
  FontSetup Font;
  std::array<SeriesSetup, kGraphSeriesCount> Series{};

  friend bool operator==(const GraphSetup&, const GraphSetup&) = default;
};

// Names of the graph kinds 0..10 ("Cumulative Nitrogen Balance" ...); the
// window caption is "Graph " + name. Out of range: "".
std::string_view GraphKindName(int kind);

// The kind whose name equals text case-insensitively, or a number 0..10;
// -1 when text names no kind.
int GraphKindFromText(std::string_view text);

// The setup a graph kind starts with: its name as title, its axis titles, and
// the series of the kind active with their legends and default styles.
GraphSetup DefaultGraphSetup(int kind);

// The eleven setups of the program, one per kind, and whether they have been
// built yet (they are built when the first graph is opened).
struct GraphSetupStore {
  std::array<GraphSetup, kGraphKindCount> setups{};
  bool initialised = false;

  // Builds the defaults when not yet done.
  void EnsureInitialised() {
    if (initialised) return;
    for (int k = 0; k < kGraphKindCount; ++k) setups[k] = DefaultGraphSetup(k);
    initialised = true;
  }
};

} // namespace kelmar
