#include "data/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "data/Errors.h"

namespace fs = std::filesystem;

namespace kelmar {

std::string ExpandFileName(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(path), ec);
  if (ec) return path;
  return p.lexically_normal().string();
}

std::string ExtractFilePath(const std::string& path) {
  auto i = path.find_last_of('/');
  return i == std::string::npos ? std::string() : path.substr(0, i + 1);
}

std::string ExtractFileName(const std::string& path) {
  auto i = path.find_last_of('/');
  return i == std::string::npos ? path : path.substr(i + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  auto i = name.find_last_of('.');
  return i == std::string::npos ? std::string() : name.substr(i);
}

std::string ChangeFileExt(const std::string& path, std::string_view ext) {
  std::string dir = ExtractFilePath(path);
  std::string name = ExtractFileName(path);
  auto i = name.find_last_of('.');
  if (i != std::string::npos) name.erase(i);
  return dir + name + std::string(ext);
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string FindFileCaseInsensitive(const std::string& path) {
  if (FileExists(path)) return path;
  std::string dir = ExtractFilePath(path);
  std::string name = ExtractFileName(path);
  std::error_code ec;
  fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec);
  if (ec) return {};
  std::vector<std::string> hits;
  for (const auto& e : it) {
    if (!e.is_regular_file(ec)) continue;
    std::string n = e.path().filename().string();
    if (EqualsIgnoreCase(n, name)) hits.push_back(n);
  }
  if (hits.empty()) return {};
  std::sort(hits.begin(), hits.end()); // deterministic when several match
  return dir + hits.front();
}

std::vector<std::string> ListFiles(const std::string& dir, std::string_view ext) {
  std::vector<std::string> out;
  std::error_code ec;
  fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec);
  if (ec) return out;
  for (const auto& e : it) {
    if (!e.is_regular_file(ec)) continue;
    std::string n = e.path().filename().string();
    if (EqualsIgnoreCase(ExtractFileExt(n), ext)) out.push_back(e.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

void WriteFileAtomic(const std::string& path, std::string_view text) {
  std::string dir = ExtractFilePath(path);
  std::string tmpl = (dir.empty() ? std::string("./") : dir) + "." + ExtractFileName(path) + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) throw FileError("Cannot write " + path + ": " + std::strerror(errno));
  std::string tmp(name.data());
  auto failWith = [&](const std::string& what) {
    int err = errno;
    ::close(fd);
    ::unlink(tmp.c_str());
    throw FileError(what + path + ": " + std::strerror(err));
  };
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      failWith("Error writing ");
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) failWith("Error writing ");
  // Keep the permissions of the file being replaced; a new file gets the usual ones.
  struct stat st {};
  mode_t mode = 0666;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  ::fchmod(fd, mode);
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    throw FileError("Error writing " + path + ": " + std::strerror(err));
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    throw FileError("Cannot write " + path + ": " + std::strerror(err));
  }
}

} // namespace kelmar
