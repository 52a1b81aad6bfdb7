#include "Progress.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kelmar::cli {

namespace {

// Signal handling is process-wide by nature, so these are too: the flag the
// handler sets (a handler may only touch a flag of this type), the handler
// that was there before, and how many Progress objects share ours.
volatile std::sig_atomic_t g_interrupted = 0;
struct sigaction g_previous {};
int g_installed = 0; // nesting count of live Progress objects

void OnInterrupt(int) { g_interrupted = 1; }

int TerminalWidth() {
  winsize ws{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col >= 20) return ws.ws_col;
  return 80;
}

} // namespace

Progress::Progress() : tty_(::isatty(STDERR_FILENO) == 1) {
  if (g_installed++ == 0) {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    // The handler removes itself: a second Ctrl+C takes the default action.
    sa.sa_flags = SA_RESETHAND;
    ::sigaction(SIGINT, &sa, &g_previous);
  }
  start_ = lastDraw_ = std::chrono::steady_clock::now();
}

Progress::~Progress() {
  finish();
  if (--g_installed == 0) ::sigaction(SIGINT, &g_previous, nullptr);
}

bool Progress::Interrupted() { return g_interrupted != 0; }

void Progress::start(std::string_view caption, long total) {
  finish();
  caption_ = caption;
  total_ = total;
  done_ = 0;
  note_.clear();
  start_ = std::chrono::steady_clock::now();
  draw(true);
}

void Progress::update(long done, std::string_view note) {
  done_ = done;
  note_ = note;
  draw(total_ > 0 && done >= total_);
}

void Progress::finish() {
  if (tty_ && shown_) {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
  }
  shown_ = false;
}

std::string Progress::FormatSeconds(double seconds) {
  long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
  return buf;
}

std::string Progress::Line(std::string_view caption, long done, long total, double elapsed,
                           std::string_view note, int width) {
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on "literal" + string.
  std::string counts = std::to_string(done);
  std::string times(" ");
  times.append(FormatSeconds(elapsed));
  if (total > 0) {
    counts.append("/").append(std::to_string(total));
    if (done > 0 && done < total)
      times.append(", ").append(FormatSeconds(elapsed / done * (total - done))).append(" left");
  }
  // The bar keeps its width from step to step: room is kept for the counts
  // and times, and a long note is cut at the end of the line instead.
  std::string line(caption);
  const int room = width - 1 - static_cast<int>(line.size()) - 36;
  if (total > 0 && room >= 10) {
    const int bar = std::min(room, 20);
    const long filled = std::min<long>(bar, done * bar / total);
    line.append(" [").append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(bar - filled), '.').append("]");
  }
  line.append(" ").append(counts).append(times);
  if (!note.empty()) line.append("  ").append(note);
  if (static_cast<int>(line.size()) > width - 1) line.resize(static_cast<std::size_t>(width - 1));
  return line;
}

void Progress::draw(bool force) {
  if (!tty_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && shown_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const std::string line = Line(caption_, done_, total_, elapsed, note_, TerminalWidth());
  std::fprintf(stderr, "\r%s\033[K", line.c_str());
  std::fflush(stderr);
  shown_ = true;
}

} // namespace kelmar::cli
