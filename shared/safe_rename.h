// The one move operation of every program: moves a message file, or a
// ".q0"/".q1" queue pair, into another folder without ever replacing a file.
#pragma once

#include <string>

namespace ndr {

// Moves fileName from sourceFolder into targetFolder under its lower-cased
// name, or under a fresh "~col" name when that is taken. Failures are
// swallowed: a file that cannot move stays where it is.
void MySafeRename(const std::string& sourceFolder, const std::string& targetFolder,
                  const std::string& fileName);

// "~COL" and four characters of A-Z, 1-9, 0 drawn from the program's
// unseeded generator.
std::string CollisionName();
// The two halves of a name split at its first dot, lower-cased.
std::string FileBase(const std::string& fileName);
std::string FileExt(const std::string& fileName);

}  // namespace ndr
