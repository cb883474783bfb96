// Crossing between the core's 8-bit strings and Qt's QString, and between
// native paths and the drive form ("P:\...") in which the core writes them.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ndr {

// The core's texts are UTF-8; only a file name on a POSIX disk may be other
// bytes. Valid UTF-8 is taken as such, anything else as Latin-1, so that no
// byte is ever lost or replaced.
QString FromCore(std::string_view text);
// For paths and typed folder names: the encoding the platform layer expects.
std::string ToCore(const QString& text);

// The inverse of NativePath: a path below the drives folder,
// <drives>/x:/a/b, becomes X:\a\b; on Windows, P:/a/b becomes P:\a\b. Any
// other path keeps its text with backslashes as separators. "" stays "".
std::string DrivePathFromNative(const QString& nativePath, const QString& drivesFolder);
// The same with the drives folder the programs were built with.
std::string DrivePathFromNative(const QString& nativePath);

}  // namespace ndr
