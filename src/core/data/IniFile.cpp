#include "data/IniFile.h"

#include <charconv>
#include <cstdio>

#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "data/TextReader.h"

namespace kelmar {

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  if (FileExists(path_)) parse(ReadFileText(path_));
}

IniFile IniFile::FromText(std::string_view text) {
  IniFile f;
  f.parse(text);
  return f;
}

void IniFile::parse(std::string_view text) {
  Section* cur = nullptr;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[') {
      auto close = line.find(']');
      cur = &findOrAdd(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      continue;
    }
    auto eq = line.find('=');
    if (eq == std::string::npos || cur == nullptr) continue;
    std::string key = Trim(line.substr(0, eq));
    std::string value = Trim(line.substr(eq + 1));
    bool replaced = false;
    for (Entry& e : cur->entries)
      if (EqualsIgnoreCase(e.key, key)) {
        e.value = value;
        replaced = true;
      }
    if (!replaced) cur->entries.push_back({key, value});
  }
}

const IniFile::Section* IniFile::find(std::string_view section) const {
  for (const Section& s : sections_)
    if (EqualsIgnoreCase(s.name, section)) return &s;
  return nullptr;
}

IniFile::Section& IniFile::findOrAdd(std::string_view section) {
  for (Section& s : sections_)
    if (EqualsIgnoreCase(s.name, section)) return s;
  sections_.push_back({std::string(section), {}});
  return sections_.back();
}

const IniFile::Entry* IniFile::findKey(std::string_view section, std::string_view key) const {
  const Section* s = find(section);
  if (!s) return nullptr;
  for (const Entry& e : s->entries)
    if (EqualsIgnoreCase(e.key, key)) return &e;
  return nullptr;
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const {
  return findKey(section, key) != nullptr;
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
  const Entry* e = findKey(section, key);
  return e ? e->value : std::string(def);
}

long IniFile::readInteger(std::string_view section, std::string_view key, long def) const {
  const Entry* e = findKey(section, key);
  if (!e) return def;
  std::string_view v = e->value;
  int base = 10;
  if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
    v.remove_prefix(2);
    base = 16;
  } else if (!v.empty() && v[0] == '$') {
    v.remove_prefix(1);
    base = 16;
  }
  long out = 0;
  auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), out, base);
  if (v.empty() || ec != std::errc() || p != v.data() + v.size()) return def;
  return out;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
  return readInteger(section, key, def ? 1 : 0) != 0;
}

double IniFile::readFloat(std::string_view section, std::string_view key, double def) const {
  const Entry* e = findKey(section, key);
  if (!e) return def;
  double out = 0;
  auto [p, ec] = std::from_chars(e->value.data(), e->value.data() + e->value.size(), out);
  if (e->value.empty() || ec != std::errc() || p != e->value.data() + e->value.size()) return def;
  return out;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
  Section& s = findOrAdd(section);
  for (Entry& e : s.entries)
    if (EqualsIgnoreCase(e.key, key)) {
      e.value = std::string(value);
      return;
    }
  s.entries.push_back({std::string(key), std::string(value)});
}

void IniFile::writeInteger(std::string_view section, std::string_view key, long value) {
  writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

void IniFile::writeFloat(std::string_view section, std::string_view key, double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.9g", value);
  writeString(section, key, buf);
}

std::vector<std::string> IniFile::sectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const Section* s = find(section))
    for (const Entry& e : s->entries) keys.push_back(e.key);
  return keys;
}

void IniFile::eraseSection(std::string_view section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it)
    if (EqualsIgnoreCase(it->name, section)) {
      sections_.erase(it);
      return;
    }
}

std::string IniFile::text() const {
  std::string t;
  bool first = true;
  for (const Section& s : sections_) {
    if (!first) t += kCrLf;
    first = false;
    t += "[" + s.name + "]";
    t += kCrLf;
    for (const Entry& e : s.entries) {
      t += e.key + "=" + e.value;
      t += kCrLf;
    }
  }
  return t;
}

void IniFile::save() const { WriteFileAtomic(path_, text()); }

} // namespace kelmar
