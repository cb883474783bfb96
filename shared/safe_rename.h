// The one move operation of every program: moves a message file, or a
// ".q0"/".q1" queue pair, into another folder without ever replacing a file.
#pragma once

#include <set>
#include <string>

namespace ndr {

constexpr int kMaxCollisionDraws = 100000;

// Moves fileName from sourceFolder into targetFolder under its lower-cased
// name, or under a fresh "~col" name when that is taken. Failures are
// swallowed: a file that cannot move stays where it is.
//
// The source is the entry of exactly that name. A ".q0" name moves its pair:
// the ".q1" first and the ".q0" last, the ".q1" going back when the ".q0"
// cannot follow, so that no ".q0" ever stands in the target without its
// body; a pair without its ".q1" moves the ".q0" alone. After
// kMaxCollisionDraws names drawn in vain the file stays where it is.
void MySafeRename(const std::string& sourceFolder, const std::string& targetFolder,
                  const std::string& fileName);

// The same move, telling whether the file (for a pair, its ".q0") left the
// source folder, and under which name it arrived (newName, may be null).
bool SafeRename(const std::string& sourceFolder, const std::string& targetFolder,
                const std::string& fileName, std::string* newName = nullptr,
                int maxDraws = kMaxCollisionDraws);

// A fresh collision base (lower case) under which a pair could arrive in
// folder: neither half's name taken there, and none of drawn. False when
// folder is missing or maxDraws names were drawn in vain.
bool DrawFreePairBase(const std::string& folder, const std::set<std::string>& drawn,
                      std::string& base, int maxDraws = kMaxCollisionDraws);

// "~COL" and four characters of A-Z, 1-9, 0 drawn from the program's
// unseeded generator.
std::string CollisionName();
// Starts the generator's sequence again, as at the start of the program.
void RestartCollisionNames();
// The ".q1" partner of a name ending in ".q0" (any case): the name with its
// last three characters replaced by ".q1"; "" for any other name.
std::string QueuePartnerName(const std::string& q0Name);
// The partner as stored in folder: QueuePartnerName, or when no entry has
// that name, an entry of folder spelled so in another case. The derived
// name when neither exists (found, when given, tells which).
std::string StoredQueuePartner(const std::string& folder, const std::string& q0Name,
                               bool* found = nullptr);
// The two halves of a name split at its first dot, lower-cased.
std::string FileBase(const std::string& fileName);
std::string FileExt(const std::string& fileName);

}  // namespace ndr
