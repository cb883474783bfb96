#include "safe_rename.h"

#include <random>
#include <vector>

#include "platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>

#include <cerrno>
#endif

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

bool IsNotFound(const OsError& error) {
#ifdef _WIN32
  return error.code == ERROR_FILE_NOT_FOUND || error.code == ERROR_PATH_NOT_FOUND;
#else
  return error.code == ENOENT;
#endif
}

bool IsAlreadyThere(const OsError& error) {
#ifdef _WIN32
  return error.code == ERROR_ALREADY_EXISTS || error.code == ERROR_FILE_EXISTS;
#else
  return error.code == EEXIST;
#endif
}

// Other spellings of name stored in folder, where the file system tells case
// apart. Only reached when neither the given nor the lower-cased name exists.
std::vector<std::string> OtherSpellings(const std::string& folder, const std::string& name) {
  std::vector<std::string> found;
#ifndef _WIN32
  DIR* dir = ::opendir(NativePath(folder).c_str());
  if (dir == nullptr) {
    return found;
  }
  while (struct dirent* item = ::readdir(dir)) {
    std::string stored = item->d_name;
    if (stored != name && stored != LowerCase(name) && EqualsIgnoreCase(stored, name) &&
        item->d_type != DT_DIR) {
      found.push_back(stored);
    }
  }
  ::closedir(dir);
#else
  (void)folder;
  (void)name;
#endif
  return found;
}

// Moves the file stored in folder under name, in whatever case, to target.
// missing tells that no spelling of it was found; movedFrom names the one moved.
bool MoveStored(const std::string& folder, const std::string& name, const std::string& target,
                std::string& movedFrom, bool& missing, OsError& error) {
  missing = false;
  std::vector<std::string> spellings{name};
#ifndef _WIN32
  if (LowerCase(name) != name) {
    spellings.push_back(LowerCase(name));
  }
#endif
  bool scanned = false;
  for (std::size_t i = 0; i < spellings.size(); ++i) {
    if (MoveNoReplace(folder + "\\" + spellings[i], target, &error)) {
      movedFrom = spellings[i];
      return true;
    }
    if (!IsNotFound(error)) {
      return false;
    }
    if (i + 1 == spellings.size() && !scanned) {
      scanned = true;
      std::vector<std::string> others = OtherSpellings(folder, name);
      spellings.insert(spellings.end(), others.begin(), others.end());
    }
  }
  missing = true;
  return false;
}

bool IsFreeForPair(const std::string& folder, const std::string& candidate) {
  return candidate != kReservedPairBase && !OrdinaryFileExists(folder + "\\" + candidate + ".q0") &&
         !OrdinaryFileExists(folder + "\\" + candidate + ".q1");
}

// The ".q1" partner of a ".q0" name, in the case the name was given.
std::string PartnerName(const std::string& fileName) {
  std::string partner = fileName;
  partner.back() = '1';
  return partner;
}

bool MovePair(const std::string& sourceFolder, const std::string& targetFolder,
              const std::string& fileName, const std::string& candidate) {
  std::string target0 = targetFolder + "\\" + candidate + ".q0";
  std::string target1 = targetFolder + "\\" + candidate + ".q1";
  std::string bodyFrom, headFrom;
  bool bodyMissing = false, headMissing = false;
  OsError error;
  bool bodyMoved =
      MoveStored(sourceFolder, PartnerName(fileName), target1, bodyFrom, bodyMissing, error);
  if (!bodyMoved && !bodyMissing) {
    return false;  // the body is stuck: keep the pair together where it is
  }
  if (MoveStored(sourceFolder, fileName, target0, headFrom, headMissing, error)) {
    return true;
  }
  if (bodyMoved) {
    MoveNoReplace(target1, sourceFolder + "\\" + bodyFrom);
  }
  return false;
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
// the usual case costs one rename. A name taken by an ordinary file makes
// the next candidate; one taken otherwise (a folder, a hidden file) stops it.
bool MoveSingleFreely(Move& move) {
  // Within one folder the own name must count as taken, while Windows would
  // let the file move onto itself: there the name is tested first.
  bool sameFolder = EqualsIgnoreCase(move.sourceFolder, move.targetFolder);
  move.candidate = move.base;
  for (;;) {
    std::string target = move.targetFolder + "\\" + move.candidate + move.ext;
    if (sameFolder && OrdinaryFileExists(target)) {
      if (!DrawCandidate(move)) {
        return false;
      }
      continue;
    }
    std::string from;
    bool missing = false;
    OsError error;
    if (MoveStored(move.sourceFolder, move.fileName, target, from, missing, error)) {
      return true;
    }
    if (missing || !IsAlreadyThere(error) || !OrdinaryFileExists(target)) {
      return false;
    }
    if (!DrawCandidate(move)) {
      return false;
    }
  }
}

// A pair needs both names free before either half moves.
bool MovePairFreely(Move& move) {
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
  // A bare name only: anything else could reach outside the source folder.
  if (fileName.empty() || fileName.find_first_of("\\/") != std::string::npos) {
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

void MySafeRename(const std::string& sourceFolder, const std::string& targetFolder,
                  const std::string& fileName) {
  SafeRename(sourceFolder, targetFolder, fileName);
}

}  // namespace ndr
