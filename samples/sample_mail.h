// Realistic sample mail for tests, benchmarks and the demo drive: bounces that
// carry back a copy of a message the remailer sent, ordinary message files and
// outgoing queue pairs. Everything is deterministic from the seed, so a test
// or a benchmark sees the same files on every run and platform.
//
// A bounce is the returned-mail notice of a mail server (its own header lines,
// an empty line, the notice text), then the copy of the sent message: the
// trace lines it picked up on its way out (one of them the marker line the
// requeuer looks for), its header lines (Message-ID, Date, Comments,
// X-Remailer-Contact, continuation lines folded with spaces or a tab), an
// empty line and its body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ndr::samples {

// Which trace line marks the start of the copied message.
enum class Marker {
  kServerBanner,  // the remailer's own server banner, anywhere in the line
  kArgoBanner,    // the second server banner, anywhere in the line
  kRelayA,        // "Received: from " + relay A's host name
  kRelayB,        // "Received: from " + relay B's host name
  kLoopback,      // "Received: from 127.0.0.1"
  kNone,          // no recognisable trace line: not a copy the requeuer takes
};
constexpr Marker kAllMarkers[] = {Marker::kServerBanner, Marker::kArgoBanner, Marker::kRelayA,
                                  Marker::kRelayB, Marker::kLoopback};

enum class LineEnd { kCrLf, kCr, kLf };

struct BounceOptions {
  Marker marker = Marker::kServerBanner;
  LineEnd lineEnd = LineEnd::kCrLf;
  bool headerRunsIntoEof = false;  // the file ends inside the copied header
  bool eightBitSubject = false;    // Latin-1 bytes in both subjects
  bool lastLineUnended = false;    // the final line has no line end
  std::size_t targetBytes = 4096;  // about this size; the body is padded to it
};

struct Bounce {
  std::string bytes;  // the whole file
  // The bounce's own header values, as written.
  std::string from, to, subject, date;
  // The copied message's values, as written (sentDate is its "Date: " text).
  std::string sentTo, sentSubject, sentDate;
  // The marker line and the copied message's body lines (after its empty line).
  std::string markerLine;
  std::vector<std::string> sentBody;
};

Bounce MakeBounce(std::uint64_t seed, const BounceOptions& options = {});

// Options of a realistic mix for demo drives and benchmarks: mostly CR LF
// bounces with one of the five markers, some without a marker, a few 8-bit,
// CR-only, LF-only or cut-off ones.
BounceOptions MixedBounceOptions(std::uint64_t seed, std::size_t targetBytes = 4096);

// One of the five markers' lines, or a trace line that passes none of them.
std::string MarkerLine(Marker marker, std::uint64_t seed);

// A mail "Date: " value in one of many forms: with and without the day name,
// numeric zones, GMT/UT, obsolete zone names and two-digit years, comments.
std::string SampleDate(std::uint64_t seed);

// An ordinary message file (not a bounce) of about targetBytes, CR LF lines.
std::string MakeMessage(std::uint64_t seed, std::size_t targetBytes = 2048);

// An outgoing queue pair as the requeuer writes it: ".q0" with the queue
// header and message header, ".q1" with the body.
struct QueuePair {
  std::string q0, q1;
};
QueuePair MakeQueuePair(std::uint64_t seed);

// Writes bytes into a file (drive paths such as P:\x are mapped as the
// programs map them). False when the file cannot be written.
bool WriteSampleFile(const std::string& path, std::string_view bytes);

}  // namespace ndr::samples
