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
  return Generator()() / 4294967296.0;
}

bool IsNotFound(const OsError& error) {
#ifdef _WIN32
  return error.code == ERROR_FILE_NOT_FOUND || error.code == ERROR_PATH_NOT_FOUND;
#else
  return error.code == ENOENT;
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
                std::string& movedFrom, bool& missing) {
  missing = false;
  std::vector<std::string> spellings{name};
#ifndef _WIN32
  if (LowerCase(name) != name) {
    spellings.push_back(LowerCase(name));
  }
#endif
  bool scanned = false;
  for (std::size_t i = 0; i < spellings.size(); ++i) {
    OsError error;
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

bool IsFreeFor(const std::string& folder, const std::string& candidate, const std::string& ext,
               bool pair) {
  if (!pair) {
    return !OrdinaryFileExists(folder + "\\" + candidate + ext);
  }
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
  bool bodyMoved = MoveStored(sourceFolder, PartnerName(fileName), target1, bodyFrom, bodyMissing);
  if (!bodyMoved && !bodyMissing) {
    return false;  // the body is stuck: keep the pair together where it is
  }
  if (MoveStored(sourceFolder, fileName, target0, headFrom, headMissing)) {
    return true;
  }
  if (bodyMoved) {
    MoveNoReplace(target1, sourceFolder + "\\" + bodyFrom);
  }
  return false;
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
  if (!PathExists(sourceFolder) || !PathExists(targetFolder)) {
    return false;
  }
  std::string base = FileBase(fileName), ext = FileExt(fileName);
  bool pair = ext == ".q0";
  std::string candidate = base;
  for (int draws = 0; !IsFreeFor(targetFolder, candidate, ext, pair); ++draws) {
    if (draws >= maxDraws) {
      return false;
    }
    candidate = LowerCase(CollisionName());
  }
  bool moved;
  if (pair) {
    moved = MovePair(sourceFolder, targetFolder, fileName, candidate);
  } else {
    std::string from;
    bool missing;
    moved =
        MoveStored(sourceFolder, fileName, targetFolder + "\\" + candidate + ext, from, missing);
  }
  if (moved && newName) {
    *newName = candidate + ext;
  }
  return moved;
}

void MySafeRename(const std::string& sourceFolder, const std::string& targetFolder,
                  const std::string& fileName) {
  SafeRename(sourceFolder, targetFolder, fileName);
}

}  // namespace ndr
