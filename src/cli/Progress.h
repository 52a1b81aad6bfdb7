// Progress of a long command (a calibration, a batch of runs) on standard
// error, and Ctrl+C handling. The bar shows the steps done, the total, the
// elapsed and the estimated remaining time; it is drawn only when standard
// error is a terminal, so redirected output stays clean.
//
// While a Progress exists, the first Ctrl+C only sets a flag (Interrupted())
// that the command's abort callback returns, so the command stops at its next
// step and keeps what it has written; a second Ctrl+C ends the program at once.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace kelmar::cli {

class Progress {
public:
  Progress();
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Starts a phase: its caption and its number of steps (0: not known).
  void start(std::string_view caption, long total);
  // `done` steps of the phase are finished; `note` is shown after the times.
  // Redraws at most ten times a second, and always at the last step.
  void update(long done, std::string_view note = {});
  // Clears the bar (the phase is over).
  void finish();

  // True once Ctrl+C has been pressed while a Progress existed.
  static bool Interrupted();

  // "1:05" or "2:03:04".
  static std::string FormatSeconds(double seconds);
  // The text of the bar, without the terminal control characters.
  static std::string Line(std::string_view caption, long done, long total, double elapsed,
                          std::string_view note, int width);

private:
  void draw(bool force);

  bool tty_;
  bool shown_ = false;
  std::string caption_;
  std::string note_;
  long total_ = 0;
  long done_ = 0;
  std::chrono::steady_clock::time_point start_, lastDraw_;
};

} // namespace kelmar::cli
