// Failures of the file layer, and commands refused. A read error names the file, the line and what
// was expected there; an invalid identifier carries the identifier read and
// the program's own message text.
#pragma once

#include <stdexcept>
#include <string>

namespace kelmar {

class FileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class InvalidFileId : public std::runtime_error {
public:
  InvalidFileId(std::string id, const std::string& message)
      : std::runtime_error(message), id_(std::move(id)) {}
  const std::string& id() const { return id_; }

private:
  std::string id_;
};

// A command refused, in the program's own words (the text of the message
// box the desktop program shows, or the command line prints).
class Refusal : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

} // namespace kelmar
