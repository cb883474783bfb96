// The command lines the viewer starts: folder windows, the batch programs and
// the text editor. Each carries the Windows command line and the POSIX argv,
// so nothing is ever parsed by a shell.
#pragma once

#include <string>

#include "platform.h"

namespace ndr {

// "EXPLORER.EXE /n,/e," + folder (two panes) or "EXPLORER.EXE /n," + folder;
// POSIX: the desktop's folder opener on the folder.
ProgramLaunch FolderWindowLaunch(bool twoPanes, const std::string& folder);

// caption + " " + folder, caption being "ndr_Requeue.exe" or the like. POSIX:
// the program without ".exe", beside the viewer if it is there, else found on
// the PATH, with the folder as its one argument.
ProgramLaunch BatchProgramLaunch(const std::string& caption, const std::string& folder);

// "EditPad.exe " + the file's path (quoted only when it holds a blank);
// POSIX: the configured editor on the file's absolute path.
ProgramLaunch EditorLaunch(const FsPath& file);

}  // namespace ndr
