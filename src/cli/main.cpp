#include <iostream>

#include "Command.h"
#include "Version.h"

namespace kelmar::cli {

std::vector<CommandSetup>& CommandRegistry() {
  static std::vector<CommandSetup> registry;
  return registry;
}

void ReportError(const std::string& message) {
  // Messages carry CR as their line break, as in the message boxes; a terminal wants LF.
  std::string text = message;
  for (char& c : text)
    if (c == '\r') c = '\n';
  std::cerr << text << '\n';
}

} // namespace kelmar::cli

int main(int argc, char** argv) {
  using namespace kelmar::cli;
  CLI::App app{"Kelmar: nitrogen dynamics of arable crop rotations, week by week.\n"
               "Exit status: 0 success, 2 usage error, 3 invalid file identifier,\n"
               "4 read or write error, 5 floating-point fault in a run, 130 interrupted.\n"
               "User guide: docs/index.md (in the desktop program: Help > Contents)."};
  app.require_subcommand(1);
  app.set_version_flag("--version", kelmar::kVersionText);
  int exitCode = kExitOk;
  for (auto& setup : CommandRegistry()) setup(app, exitCode);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : kExitUsage;
  }
  return exitCode;
}
