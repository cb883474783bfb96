// Inside the platform layer only: what the plain and the batched opens of a
// folder scan share on POSIX systems.
#pragma once

#ifndef _WIN32

#include <fcntl.h>

namespace ndr::detail {

// Non-blocking, so that a named pipe among the files cannot stop the scan.
inline constexpr int kScanOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

}  // namespace ndr::detail

#endif
