// Subcommands of the `kelmar` command line. Each lives in a file of its own
// and registers itself, so the list of commands is the list of files.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace kelmar::cli {

// Exit codes by category (also listed in `kelmar --help`).
enum ExitCode : int {
  kExitOk = 0,
  kExitUsage = 2,
  kExitInvalidId = 3,
  kExitFile = 4,
  kExitFloat = 5,
  kExitAborted = 130, // interrupted by Ctrl+C
};

// Adds a subcommand to `app`; the callback it installs stores its exit code in
// `exitCode`.
using CommandSetup = std::function<void(CLI::App& app, int& exitCode)>;

std::vector<CommandSetup>& CommandRegistry();

struct RegisterCommand {
  explicit RegisterCommand(CommandSetup setup) { CommandRegistry().push_back(std::move(setup)); }
};

// Writes a message in the program's words to standard error.
void ReportError(const std::string& message);

} // namespace kelmar::cli
