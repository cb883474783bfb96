#include "folder_listing.h"

#include <algorithm>

#include "platform.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#endif

namespace ndr {

std::string RTrimNull(std::string_view text) {
  std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) {
    return std::string(text.substr(0, nul));
  }
  std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// "*" and "?" as Windows matches them, without regard to case. Iterative with
// one backtrack point, so no pattern costs more than name x pattern steps.
bool MatchesExactly(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') {
    ++p;
  }
  return p == pattern.size();
}

}  // namespace

// Windows treats a name without a dot as if it ended in one, so "*.*" lists
// every file and "*." lists the names without an extension.
bool WildcardMatches(const std::string& pattern, const std::string& name) {
  if (MatchesExactly(pattern, name)) {
    return true;
  }
  return name.find('.') == std::string::npos && MatchesExactly(pattern, name + ".");
}

#ifdef _WIN32

bool ListFolderWhile(const std::string& folder, const std::string& pattern,
                     const FileVisitorWhile& onFile) {
  FindEntry entry;
  HANDLE handle = FindFirstFileA((folder + "\\" + pattern).c_str(), &entry);
  if (handle == INVALID_HANDLE_VALUE) {
    return true;
  }
  bool going = true;
  do {
    if ((entry.dwFileAttributes & kAttributeDirectory) == 0) {
      going = onFile(entry, RTrimNull(std::string_view(entry.cFileName, sizeof entry.cFileName)));
    }
  } while (going && FindNextFileA(handle, &entry));
  FindClose(handle);
  return going;
}

#else  // POSIX

namespace {

// 100-nanosecond intervals since 1601-01-01, the Windows file time scale.
FindFileTime ToFileTime(const struct timespec& time) {
  constexpr std::int64_t kEpochDifference = 11644473600LL;
  std::int64_t ticks =
      (static_cast<std::int64_t>(time.tv_sec) + kEpochDifference) * 10000000LL + time.tv_nsec / 100;
  std::uint64_t value = ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks);
  return FindFileTime{static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
}

void FillEntry(const std::string& name, const struct stat& info, FindEntry& entry) {
  std::memset(&entry, 0, sizeof entry);
  constexpr std::uint32_t kHidden = 0x2, kArchive = 0x20;
  entry.dwFileAttributes = S_ISDIR(info.st_mode) ? kAttributeDirectory : kArchive;
  if (name[0] == '.') {
    entry.dwFileAttributes |= kHidden;
  }
  entry.ftCreationTime = ToFileTime(info.st_ctim);
  entry.ftLastAccessTime = ToFileTime(info.st_atim);
  entry.ftLastWriteTime = ToFileTime(info.st_mtim);
  auto size = static_cast<std::uint64_t>(info.st_size);
  entry.nFileSizeHigh = static_cast<std::uint32_t>(size >> 32);
  entry.nFileSizeLow = static_cast<std::uint32_t>(size);
  std::memcpy(entry.cFileName, name.data(), std::min(name.size(), sizeof entry.cFileName - 1));
}

}  // namespace

bool ListFolderWhile(const std::string& folder, const std::string& pattern,
                     const FileVisitorWhile& onFile) {
  DIR* dir = ::opendir(NativePath(folder).c_str());
  if (dir == nullptr) {
    return true;
  }
  bool going = true;
  int dirFd = ::dirfd(dir);
  FindEntry entry;
  while (going) {
    struct dirent* item = ::readdir(dir);
    if (item == nullptr) {
      break;
    }
    std::string name = item->d_name;
    if (name == "." || name == ".." || !WildcardMatches(pattern, name)) {
      continue;
    }
    struct stat info;
    if (::fstatat(dirFd, item->d_name, &info, 0) != 0 || S_ISDIR(info.st_mode)) {
      continue;  // gone meanwhile, a dangling link, or a folder
    }
    FillEntry(name, info, entry);
    going = onFile(entry, name);
  }
  ::closedir(dir);
  return going;
}

#endif

void ListFolder(const std::string& folder, const std::string& pattern, const FileVisitor& onFile) {
  ListFolderWhile(folder, pattern, [&](const FindEntry& entry, const std::string& name) {
    onFile(entry, name);
    return true;
  });
}

}  // namespace ndr
