// The program options that change what the core computes or writes. The
// desktop program edits them in its options dialog and keeps them in the INI
// file; the command line takes them from flags or an INI file.
#pragma once

#include <cstdint>

namespace kelmar {

// Bits of the option word KelmOpti.
enum KelmOptiBit : uint32_t {
  kOptNoParmBackup = 0x0001,      // no parameter backup on load/save scenario
  kOptCalcOnLoad = 0x0002,        // calculate model on loading scenario
  kOptClearGraph = 0x0004,        // clear graph on Increase/Decrease
  kOptIncludeDate = 0x0010,       // include date in data output
  kOptIncludeTime = 0x0020,       // include time in data output
  kOptMoveEnvOnContinue = 0x0040, // move environment on Continue
  kOptShowPK = 0x0080,            // show P and K, not P2O5 and K2O balance
  kOptKeepWindowPos = 0x0100,     // keep window positions
  kOptDirEdit = 0x0200,           // enable Directory Edit dialog
  kOptGraphLandscape = 0x0400,    // print graphs in landscape orientation
  kOptGraphBW = 0x0800,           // print graphs in black and white
  kOptGraphFileName = 0x1000,     // include scenario file name in graph title
  kOptGraphTitle = 0x2000,        // include scenario title in graph title
  kOptCropBars = 0x4000,          // show light blue crop bars in graphs
  kOptAutoSave = 0x8000,          // autosave Kelmar options
};

// Bits of the option word KelmOpt2.
enum KelmOpt2Bit : uint32_t {
  kOpt2CContentWithAge = 0x0001, // increase C-content organic matter with age
  kOpt2KeepTotalIOM = 0x0002,    // keep constant total IOM when repeating
};

struct Options {
  uint32_t KelmOpti = 0;
  uint32_t KelmOpt2 = 0;
  int32_t CorrOpti = 0;          // 0 same week, 1 +/- 1/2 week, 2 +/- 1 week
  float CorrRng1 = 10;           // lower limit, kg N/ha
  float CorrRng2 = 20;           // higher limit, kg N/ha
  int32_t GraphPrintScale = 100; // percent, 50..200
  int32_t PrntType = 0;          // 2 = print to a text file, 0 = printer

  bool has(KelmOptiBit b) const { return (KelmOpti & b) != 0; }
  bool has(KelmOpt2Bit b) const { return (KelmOpt2 & b) != 0; }
};

} // namespace kelmar
