#include "launch.h"

#include <cctype>

#include "ndr_config.h"

namespace ndr {
namespace {

#ifdef _WIN32
constexpr char kNativeSeparator = '\\';
#else
constexpr char kNativeSeparator = '/';
#endif

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size())
    return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[text.size() - suffix.size() + i]);
    const auto b = static_cast<unsigned char>(suffix[i]);
    if (std::tolower(a) != std::tolower(b))
      return false;
  }
  return true;
}

// The batch program's file for POSIX: the viewer's own folder first, so that
// an installed set of tools starts its own companions.
std::string BatchProgramFile(const std::string& caption) {
  std::string stem = caption;
  if (EndsWithNoCase(stem, ".exe"))
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

ProgramLaunch EditorLaunch(const std::string& path) {
  ProgramLaunch launch;
  launch.commandLine = "EditPad.exe " + path;
  launch.argv = {NDR_EDITOR, NativePath(path)};
  return launch;
}

}  // namespace ndr
