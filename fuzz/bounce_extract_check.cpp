#include <string>
#include <vector>

#include "bounce_extract.h"
#include "mail_model.h"
#include "properties.h"
#include "test_support.h"

namespace ndr::fuzz {

namespace {

const std::string kDateLine = "07/12/2026 01:02:03";

struct Expected {
  ExtractOutcome outcome = ExtractOutcome::kNoCopy;
  std::string q0, q1;
};

// What ExtractBounce is to do with a bounce of these bytes.
Expected Model(std::string_view bytes) {
  Expected expected;
  const std::vector<std::string_view> lines = SplitMailLines(bytes);
  std::size_t i = 0;
  while (i < lines.size() && !IsMarkerLine(lines[i])) {
    ++i;
  }
  if (i + 1 >= lines.size()) {
    return expected;  // no marker line, or the marker is the last line
  }
  expected.q0 = "RELI_MAILOUT\r\n" + kDateLine + "\r\n\r\n";
  // The marker's own continuation lines go with it.
  while (i + 1 < lines.size() && !lines[i + 1].empty() &&
         (lines[i + 1][0] == ' ' || lines[i + 1][0] == '\t')) {
    ++i;
  }
  for (++i; i < lines.size(); ++i) {
    if (!IsDroppedHeaderLine(lines[i])) {
      expected.q0.append(lines[i]).append("\r\n");
    }
    if (lines[i].empty()) {
      break;
    }
  }
  if (i == lines.size()) {
    expected.outcome = ExtractOutcome::kHeaderCut;
    return expected;
  }
  for (++i; i < lines.size(); ++i) {
    expected.q1.append(lines[i]).append("\r\n");
  }
  expected.outcome = ExtractOutcome::kRebuilt;
  return expected;
}

const char* Name(ExtractOutcome outcome) {
  switch (outcome) {
    case ExtractOutcome::kNoCopy:
      return "no copy";
    case ExtractOutcome::kRebuilt:
      return "rebuilt";
    case ExtractOutcome::kHeaderCut:
      return "header cut";
    case ExtractOutcome::kFailed:
      return "failed";
  }
  return "?";
}

// A pair left by an earlier bounce, longer than most new ones.
std::string StalePair() {
  std::string stale;
  while (stale.size() < 4096) {
    stale += "stale line of an earlier pair\r\n";
  }
  return stale;
}

std::string CheckPair(const std::string& q0Path, const std::string& q1Path,
                      const Expected& expected, bool stale) {
  const bool q0Exists = testsupport::FileExists(q0Path);
  const bool q1Exists = testsupport::FileExists(q1Path);
  if (expected.outcome == ExtractOutcome::kNoCopy && stale) {
    const bool untouched = testsupport::ReadBytes(q0Path) == StalePair() &&
                           testsupport::ReadBytes(q1Path) == StalePair();
    return untouched ? "" : "the pair waiting there was changed although no copy was found";
  }
  if (expected.outcome != ExtractOutcome::kRebuilt) {
    return q0Exists || q1Exists ? "a pair file is left although no copy was rebuilt" : "";
  }
  if (!q0Exists || !q1Exists) {
    return "the rebuilt pair is incomplete";
  }
  const std::string q0 = testsupport::ReadBytes(q0Path);
  const std::string q1 = testsupport::ReadBytes(q1Path);
  if (q0 != expected.q0) {
    return "the .q0 file holds \"" + q0 + "\", not \"" + expected.q0 + "\"";
  }
  if (q1 != expected.q1) {
    // Nothing from before the marker line, nothing of the header, every
    // later line byte for byte.
    return "the .q1 file holds \"" + q1 + "\", not the bounce's lines after the copied header";
  }
  return "";
}

}  // namespace

std::string CheckBounceExtract(std::string_view input) {
  static const std::string bounce = ScratchPath("bounce.cnm");
  static const std::string q0Path = ScratchPath("WWWWWW.q0");
  static const std::string q1Path = ScratchPath("WWWWWW.q1");
  WriteNewFile(bounce, input);
  // Every other input finds a pair waiting, which a rebuilt one overwrites.
  const bool stale = input.size() % 2 == 1;
  if (stale) {
    WriteNewFile(q0Path, StalePair());
    WriteNewFile(q1Path, StalePair());
  } else {
    RemoveFile(q0Path);
    RemoveFile(q1Path);
  }
  ExtractFailure failure;
  const ExtractOutcome outcome = ExtractBounce(bounce, q0Path, q1Path, kDateLine, failure);
  if (outcome == ExtractOutcome::kFailed) {
    return "failed: " + failure.action + " " + failure.path + ": " + failure.error.Describe();
  }
  std::string result;
  if (input.size() <= kModelInputLimit) {
    const Expected expected = Model(input);
    if (outcome != expected.outcome) {
      return std::string("the outcome is \"") + Name(outcome) + "\", not \"" +
             Name(expected.outcome) + "\"";
    }
    result = CheckPair(q0Path, q1Path, expected, stale);
  }
  if (result.empty() && testsupport::ReadBytes(bounce) != input) {
    result = "the bounce changed";
  }
  return result;
}

}  // namespace ndr::fuzz
