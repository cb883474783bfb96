#include "launch.h"

#include "ndr_config.h"

namespace ndr {
namespace {

// The batch program's file for POSIX: the viewer's own folder first, so that
// an installed set of tools starts its own companions.
std::string BatchProgramFile(const std::string& caption) {
  std::string stem = caption;
  if (EndsWithIgnoreCase(stem, ".exe"))
    stem.resize(stem.size() - 4);
  if (stem.empty())
    return stem;
  std::string ownFolder = OwnProgramFolder();
  if (!ownFolder.empty()) {
    std::string beside = ownFolder;
    if (beside.back() != kNativeSeparator)
      beside += kNativeSeparator;
    beside += stem;
    if (OrdinaryFileExists(beside))
      return beside;
  }
  return stem;  // searched on the PATH
}

// A relative path (a relative drives folder) gets "./" in front, so that it
// cannot begin with "-".
std::string AbsolutePath(const std::string& path) {
  const bool hasDrive = path.size() > 1 && path[1] == ':';
  if ((!path.empty() && path.front() == kNativeSeparator) || hasDrive)
    return path;
  std::string relative = {'.', kNativeSeparator};
  return relative += path;
}

}  // namespace

ProgramLaunch FolderWindowLaunch(bool twoPanes, const std::string& folder) {
  ProgramLaunch launch;
  launch.commandLine = (twoPanes ? "EXPLORER.EXE /n,/e," : "EXPLORER.EXE /n,") + folder;
  launch.argv = {"xdg-open", NativePath(folder)};
  return launch;
}

ProgramLaunch BatchProgramLaunch(const std::string& caption, const std::string& folder) {
  ProgramLaunch launch;
  launch.commandLine = caption + " " + folder;
  launch.argv = {BatchProgramFile(caption), NativePath(folder)};
  return launch;
}

// The path reaches the editor as exactly one argument naming the file: on
// POSIX an absolute path (so a name such as -x.cnm is never taken for an
// option); on Windows quoted when it holds a blank, which would otherwise
// split it (a Windows name cannot hold a quote).
ProgramLaunch EditorLaunch(const FsPath& file) {
  ProgramLaunch launch;
  const std::string path = file.Joined();
  const bool hasBlank = path.find_first_of(" \t") != std::string::npos;
  launch.commandLine = "EditPad.exe " + (hasBlank ? "\"" + path + "\"" : path);
  launch.argv = {NDR_EDITOR, AbsolutePath(NativePath(file))};
  return launch;
}

}  // namespace ndr
