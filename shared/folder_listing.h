// Listing a folder's files through the platform layer, and cutting
// fixed-length platform text at its first NUL.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform.h"

namespace ndr {

// Cuts text at its first NUL; text without a NUL loses its trailing spaces.
std::string RTrimNull(std::string_view text);

// Whether name matches pattern as the platform's listing matches it: "*" any
// run of characters, "?" any one, without regard to case; a name without a dot
// also matches as if it ended in one ("*.*" matches README).
bool WildcardMatches(std::string_view pattern, std::string_view name);

// Calls onFile(entry, name) for each file of folder matching pattern ("*" and
// "?", without regard to case), in the platform's order; folders are skipped.
// A missing folder, or one without matching files, gives no call. The caller
// may move or delete the current file meanwhile. The name is the entry's own:
// pass it on as FsPath(folder, name), never joined into one string. False,
// with the reason, when the folder could not be listed to its end (an entry
// that vanished meanwhile is no failure, nor is a missing folder).
using FileVisitor = std::function<void(const FindEntry& entry, const std::string& name)>;
bool ListFolder(const std::string& folder, const std::string& pattern, const FileVisitor& onFile,
                OsError* error = nullptr);

// The same loop, ended early (a success) when onFile returns false.
using FileVisitorWhile = std::function<bool(const FindEntry& entry, const std::string& name)>;
bool ListFolderWhile(const std::string& folder, const std::string& pattern,
                     const FileVisitorWhile& onFile, OsError* error = nullptr);

}  // namespace ndr
