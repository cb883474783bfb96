#include "safe_rename.h"

#include <random>
#include <vector>

#include "folder_listing.h"
#include "platform.h"

namespace ndr {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890";
constexpr char kReservedPairBase[] = "wwwwww";

// Never seeded: every run draws the same sequence of names.
std::mt19937& Generator() {
  static std::mt19937 generator;
  return generator;
}

// A uniform value in [0, 1).
double NextRandom() {
  return static_cast<double>(Generator()()) / 4294967296.0;
}

// Any entry takes a name, a folder or a hidden file as much as a message:
// the move onto it would fail, and on the next run again.
bool IsFreeForPair(const std::string& folder, const std::string& candidate) {
  return candidate != kReservedPairBase && !PathExists(FsPath(folder, candidate + ".q0")) &&
         !PathExists(FsPath(folder, candidate + ".q1"));
}

bool MovePair(const std::string& sourceFolder, const std::string& targetFolder,
              const std::string& fileName, const std::string& candidate) {
  const FsPath target0(targetFolder, candidate + ".q0");
  const FsPath target1(targetFolder, candidate + ".q1");
  bool bodyThere = false;
  const std::string body = StoredQueuePartner(sourceFolder, fileName, &bodyThere);
  // A body that was there when looked for and then does not move (even
  // because it has just gone) keeps the head where it is too.
  const bool bodyMoved = bodyThere && MoveNoReplace(FsPath(sourceFolder, body), target1);
  if (bodyThere && !bodyMoved) {
    return false;
  }
  if (MoveNoReplace(FsPath(sourceFolder, fileName), target0)) {
    return true;
  }
  if (bodyMoved) {
    MoveNoReplace(target1, FsPath(sourceFolder, body));
  }
  return false;
}

// A move by link then unlink cut off between the two leaves the file under
// both names: the source's other name in the target folder completes it.
bool FinishCutMove(const std::string& sourceFolder, const std::string& name,
                   const std::string& targetFolder, std::string& nameThere) {
  const FsPath source(sourceFolder, name);
  return SecondLinkIn(source, targetFolder, nameThere) && RemoveFile(source);
}

struct Move {
  const std::string& sourceFolder;
  const std::string& targetFolder;
  const std::string& fileName;
  std::string base, ext;
  int maxDraws;
  std::string candidate;
  int draws = 0;
};

// The next candidate base, or false when the move is to stop: the folders are
// looked at only before the first draw, since a missing folder also makes the
// first attempt fail, and then no name is to be drawn.
bool DrawCandidate(Move& move) {
  if (move.draws == 0 && !(PathExists(move.sourceFolder) && PathExists(move.targetFolder))) {
    return false;
  }
  if (move.draws >= move.maxDraws) {
    return false;
  }
  ++move.draws;
  move.candidate = LowerCase(CollisionName());
  return true;
}

// A single file: the no-replace move itself tells whether a name is free, so
// the usual case costs one rename. A name taken by any entry makes the next
// candidate.
bool MoveSingleFreely(Move& move) {
  std::string nameThere;
  if (FinishCutMove(move.sourceFolder, move.fileName, move.targetFolder, nameThere)) {
    move.candidate = FileBase(nameThere);
    move.ext = FileExt(nameThere);
    return true;
  }
  // Within one folder the own name must count as taken, while Windows would
  // let the file move onto itself: there the name is tested first.
  bool sameFolder = EqualsIgnoreCase(move.sourceFolder, move.targetFolder);
  move.candidate = move.base;
  for (;;) {
    const FsPath target(move.targetFolder, move.candidate + move.ext);
    if (sameFolder && PathExists(target)) {
      if (!DrawCandidate(move)) {
        return false;
      }
      continue;
    }
    OsError error;
    if (MoveNoReplace(FsPath(move.sourceFolder, move.fileName), target, &error)) {
      return true;
    }
    // Windows may report a folder in the way as access denied, not as taken.
    if (!IsNameTaken(error) && !PathExists(target)) {
      return false;
    }
    if (!DrawCandidate(move)) {
      return false;
    }
  }
}

// A pair needs both names free before either half moves.
bool MovePairFreely(Move& move) {
  // The body moves first, so a cut-off move of the body gives the base the
  // head is to join; a cut-off move of the head means the body went before.
  std::string bodyThere, headThere;
  const std::string body = QueuePartnerName(move.fileName);
  const bool bodyFinished = FinishCutMove(move.sourceFolder, body, move.targetFolder, bodyThere);
  if (FinishCutMove(move.sourceFolder, move.fileName, move.targetFolder, headThere)) {
    move.candidate = FileBase(headThere);
    return true;
  }
  if (bodyFinished && !PathExists(FsPath(move.targetFolder, FileBase(bodyThere) + ".q0"))) {
    move.candidate = FileBase(bodyThere);
    return MovePair(move.sourceFolder, move.targetFolder, move.fileName, move.candidate);
  }
  move.candidate = move.base;
  while (!IsFreeForPair(move.targetFolder, move.candidate)) {
    if (!DrawCandidate(move)) {
      return false;
    }
  }
  if (move.draws == 0 && !(PathExists(move.sourceFolder) && PathExists(move.targetFolder))) {
    return false;
  }
  return MovePair(move.sourceFolder, move.targetFolder, move.fileName, move.candidate);
}

}  // namespace

std::string CollisionName() {
  std::string name = "~COL";
  for (int i = 0; i < 4; ++i) {
    auto index = static_cast<std::size_t>(NextRandom() * 36);
    name += kAlphabet[index];
  }
  return name;
}

bool DrawFreePairBase(const std::string& folder, const std::set<std::string>& drawn,
                      std::string& base, int maxDraws) {
  if (!PathExists(folder)) {
    return false;
  }
  for (int draw = 0; draw < maxDraws; ++draw) {
    base = LowerCase(CollisionName());
    if (!drawn.count(base) && IsFreeForPair(folder, base)) {
      return true;
    }
  }
  return false;
}

void RestartCollisionNames() {
  Generator() = std::mt19937();
}

std::string FileBase(const std::string& fileName) {
  return LowerCase(fileName.substr(0, fileName.find('.')));
}

std::string FileExt(const std::string& fileName) {
  std::size_t dot = fileName.find('.');
  return dot == std::string::npos ? std::string() : LowerCase(fileName.substr(dot));
}

bool SafeRename(const std::string& sourceFolder, const std::string& targetFolder,
                const std::string& fileName, std::string* newName, int maxDraws) {
  // One entry of the source folder only: anything else could reach outside it.
  if (!IsEntryName(fileName)) {
    return false;
  }
  Move move{sourceFolder,      targetFolder, fileName, FileBase(fileName),
            FileExt(fileName), maxDraws,     {},       0};
  bool moved = move.ext == ".q0" ? MovePairFreely(move) : MoveSingleFreely(move);
  if (moved && newName) {
    *newName = move.candidate + move.ext;
  }
  return moved;
}

// The partner is found by a name this program spelled itself, derived from
// the ".q0" name: the stored file may spell it in another case (the system
// that made the pair compares names without regard to case), so any
// spelling counts, the derived one and the ".q0"'s own base first.
std::string StoredQueuePartner(const std::string& folder, const std::string& q0Name, bool* found) {
  const std::string derived = QueuePartnerName(q0Name);
  if (found) {
    *found = false;
  }
  if (derived.empty()) {
    return derived;
  }
  if (PathExists(FsPath(folder, derived))) {
    if (found) {
      *found = true;
    }
    return derived;
  }
  const std::string_view base = std::string_view(q0Name).substr(0, q0Name.size() - 3);
  std::string stored;
  ListFolderWhile(folder, derived, [&](const FindEntry&, const std::string& name) {
    if (!EqualsIgnoreCase(name, derived)) {
      return true;
    }
    if (stored.empty() || std::string_view(name).substr(0, base.size()) == base) {
      stored = name;
    }
    return std::string_view(stored).substr(0, base.size()) != base;
  });
  if (found) {
    *found = !stored.empty();
  }
  return stored.empty() ? derived : stored;
}

std::string QueuePartnerName(const std::string& q0Name) {
  if (!EndsWithIgnoreCase(q0Name, ".q0")) {
    return {};
  }
  return q0Name.substr(0, q0Name.size() - 3) + ".q1";
}

void MySafeRename(const std::string& sourceFolder, const std::string& targetFolder,
                  const std::string& fileName) {
  SafeRename(sourceFolder, targetFolder, fileName);
}

}  // namespace ndr
