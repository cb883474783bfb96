#include "folder_listing.h"

namespace ndr {

std::string RTrimNull(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) {
    return std::string(text.substr(0, nul));
  }
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

namespace {

// "*" and "?" as Windows matches them, without regard to case. Iterative with
// one backtrack point, so no pattern costs more than name x pattern steps.
bool MatchesExactly(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
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
bool WildcardMatches(std::string_view pattern, std::string_view name) {
  if (MatchesExactly(pattern, name)) {
    return true;
  }
  return name.find('.') == std::string_view::npos &&
         MatchesExactly(pattern, std::string(name) + ".");
}

bool ListFolderWhile(const std::string& folder, const std::string& pattern,
                     const FileVisitorWhile& onFile, OsError* error) {
  FolderReader reader;
  OsError reason;
  if (!reader.Open(folder, &reason)) {
    if (error) {
      *error = reason;
    }
    return IsNoSuchFile(reason);
  }
  FindEntry entry;
  while (reader.Next(entry)) {
    if ((entry.dwFileAttributes & kAttributeDirectory) == 0 &&
        WildcardMatches(pattern, entry.cFileName) && !onFile(entry, entry.cFileName)) {
      return true;
    }
  }
  if (reader.Failed() && error) {
    *error = reader.Error();
  }
  return !reader.Failed();
}

bool ListFolder(const std::string& folder, const std::string& pattern, const FileVisitor& onFile,
                OsError* error) {
  return ListFolderWhile(
      folder, pattern,
      [&](const FindEntry& entry, const std::string& name) {
        onFile(entry, name);
        return true;
      },
      error);
}

}  // namespace ndr
