// The program's initialisation file: sections in square brackets, one
// "key=value" line per key, booleans as 1 and 0, integers in decimal. Section
// and key names are matched case-insensitively and written as given, blanks
// included, so files written by other tools stay readable both ways.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

class IniFile {
public:
  IniFile() = default;
  // Reads the file when it exists; a missing file is an empty one.
  explicit IniFile(std::string path);
  static IniFile FromText(std::string_view text);

  const std::string& path() const { return path_; }
  void setPath(std::string path) { path_ = std::move(path); }

  bool hasKey(std::string_view section, std::string_view key) const;
  std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
  // A value that is no whole number gives the default.
  long readInteger(std::string_view section, std::string_view key, long def) const;
  bool readBool(std::string_view section, std::string_view key, bool def) const;
  double readFloat(std::string_view section, std::string_view key, double def) const;

  void writeString(std::string_view section, std::string_view key, std::string_view value);
  void writeInteger(std::string_view section, std::string_view key, long value);
  void writeBool(std::string_view section, std::string_view key, bool value);
  void writeFloat(std::string_view section, std::string_view key, double value);

  std::vector<std::string> sectionKeys(std::string_view section) const;
  void eraseSection(std::string_view section);

  std::string text() const; // the file's text, CR LF line ends
  // Writes the file (atomically) to path(); throws FileError.
  void save() const;

private:
  struct Entry {
    std::string key, value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  void parse(std::string_view text);
  const Section* find(std::string_view section) const;
  Section& findOrAdd(std::string_view section);
  const Entry* findKey(std::string_view section, std::string_view key) const;

  std::string path_;
  std::vector<Section> sections_;
};

} // namespace kelmar
