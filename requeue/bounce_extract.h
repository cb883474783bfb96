// Rebuilding the message that a bounce carries back as an outgoing queue pair:
// the bounce test that finds where the copy begins, the header lines left out,
// and the copy itself into a ".q0"/".q1" pair.
#pragma once

#include <string>
#include <string_view>

#include "platform.h"

namespace ndr {

// Whether the line is where the copy of a sent message begins: one of the
// two server banners anywhere in it, or a "Received: from" line from relay
// A, relay B or the machine itself. Exact, with case.
bool IsMarkerLine(std::string_view line);

// Whether a line of the copied header is left out of the ".q0" file.
bool IsDroppedHeaderLine(std::string_view line);

enum class ExtractOutcome {
  kNoCopy,     // no marker line, or nothing after it: nothing written
  kRebuilt,    // the pair is written; the bounce is untouched
  kHeaderCut,  // the file ends inside the copied header: the pair is removed
  kFailed,     // a file operation failed: see the failure; the pair is removed
};

struct ExtractFailure {
  std::string action;  // "cannot open", "cannot write"...
  std::string path;
  OsError error;
};

// Reads the bounce and writes the copy of the sent message into the pair
// q0Path/q1Path (existing files are overwritten). The bounce is only read.
// Memory stays bounded whatever the bounce holds. dateLine is the second line
// of the ".q0" file (the time of the run). durable flushes each file of the
// pair to the disk before it is closed.
ExtractOutcome ExtractBounce(const FsPath& bouncePath, const std::string& q0Path,
                             const std::string& q1Path, const std::string& dateLine,
                             ExtractFailure& failure, bool durable = false);

// The local time as "DD/MM/YYYY HH:NN:SS".
std::string QueueDateLine();

}  // namespace ndr
