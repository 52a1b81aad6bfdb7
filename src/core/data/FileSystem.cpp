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

namespace {

// The file a save replaces: a symbolic link is followed to the file it names,
// so that the link stays a link and its target gets the new content.
std::string ResolveLinks(const std::string& path) {
  std::string p = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(p, ec)) return p;
    fs::path t = fs::read_symlink(p, ec);
    if (ec) throw FileError("Cannot write " + path + ": " + ec.message());
    p = t.is_absolute() ? t.string() : (fs::path(p).parent_path() / t).lexically_normal().string();
  }
  throw FileError("Cannot write " + path + ": too many levels of symbolic links");
}

// The process's file-creation mask, read without changing it (umask() would
// change it for every thread for a moment).
mode_t CurrentUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    unsigned mask = 022;
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    std::fclose(f);
    return static_cast<mode_t>(mask);
  }
  return 022;
}

} // namespace

void WriteFileAtomic(const std::string& path, std::string_view text) {
  const std::string target = ResolveLinks(path);
  // A write-protected file is never replaced, whoever saves: the permission
  // bits decide, not access(), which lets root write anything.
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && (st.st_mode & 0222) == 0)
    throw FileError("Cannot write " + path + ": the file is write-protected");

  const std::string dir = ExtractFilePath(target);
  const std::string dirOrHere = dir.empty() ? std::string("./") : dir;
  std::string tmpl = dirOrHere + "." + ExtractFileName(target) + ".XXXXXX";
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
  // The new file keeps the permissions (and, where allowed, the owner) of the
  // file it replaces; a new file gets the usual ones.
  if (exists) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Only the owner may be kept by whoever is allowed to; the content matters more.
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0) failWith("Error writing ");
  } else if (::fchmod(fd, 0666 & ~CurrentUmask()) != 0) {
    failWith("Error writing ");
  }
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    throw FileError("Error writing " + path + ": " + std::strerror(err));
  }
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    throw FileError("Cannot write " + path + ": " + std::strerror(err));
  }
  // The rename is durable only once the directory entry is on disk.
  int dfd = ::open(dirOrHere.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) throw FileError("Error writing " + path + ": " + std::strerror(errno));
  if (::fsync(dfd) != 0 && errno != EINVAL) {
    int err = errno;
    ::close(dfd);
    throw FileError("Error writing " + path + ": " + std::strerror(err));
  }
  ::close(dfd);
}

} // namespace kelmar
