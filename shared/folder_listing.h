// Listing a folder's files through the platform's find functions, and cutting
// fixed-length platform text at its first NUL.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace ndr {

#ifdef _WIN32
using FindEntry = WIN32_FIND_DATAA;
#else
// The fields of WIN32_FIND_DATAA that the programs read, filled from stat(2).
struct FindFileTime {
  std::uint32_t dwLowDateTime;
  std::uint32_t dwHighDateTime;
};
struct FindEntry {
  std::uint32_t dwFileAttributes;
  FindFileTime ftCreationTime;
  FindFileTime ftLastAccessTime;
  FindFileTime ftLastWriteTime;
  std::uint32_t nFileSizeHigh;
  std::uint32_t nFileSizeLow;
  std::uint32_t dwReserved0;
  std::uint32_t dwReserved1;
  char cFileName[260];
  char cAlternateFileName[14];
};
#endif

constexpr std::uint32_t kAttributeDirectory = 0x10;

inline std::uint64_t EntrySize(const FindEntry& entry) {
  return (std::uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
}
inline bool EntryIsEmpty(const FindEntry& entry) {
  return entry.nFileSizeHigh == 0 && entry.nFileSizeLow == 0;
}

// Cuts text at its first NUL; text without a NUL loses its trailing spaces.
std::string RTrimNull(std::string_view text);

// Whether name matches pattern as the platform's listing matches it: "*" any
// run of characters, "?" any one, without regard to case; a name without a dot
// also matches as if it ended in one ("*.*" matches README).
bool WildcardMatches(const std::string& pattern, const std::string& name);

// Calls onFile(entry, name) for each file of folder matching pattern ("*" and
// "?", without regard to case), in the platform's order; folders are skipped.
// A missing folder, or one without matching files, gives no call. The caller
// may move or delete the current file meanwhile.
using FileVisitor = std::function<void(const FindEntry& entry, const std::string& name)>;
void ListFolder(const std::string& folder, const std::string& pattern, const FileVisitor& onFile);

// The same loop, ended early when onFile returns false. Returns false when it
// was ended so.
using FileVisitorWhile = std::function<bool(const FindEntry& entry, const std::string& name)>;
bool ListFolderWhile(const std::string& folder, const std::string& pattern,
                     const FileVisitorWhile& onFile);

}  // namespace ndr
