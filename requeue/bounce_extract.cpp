#include "bounce_extract.h"

#include <cstdio>
#include <ctime>

#include "ascii.h"
#include "ndr_config.h"
#include "text_file.h"

namespace ndr {

namespace {

// The marker tests look at no more of a line than this; the copy itself
// passes lines of any length on in pieces of kChunk bytes.
constexpr std::size_t kMarkerPrefix = 64 * 1024;
constexpr std::size_t kChunk = 64 * 1024;

constexpr std::string_view kServerBanner = "by Wren's Mercury SMTP (Server) (Mercury/32 v3.21c)";
constexpr std::string_view kArgoBanner = "(ArGoSoft Mail Server, Version 1.5 (1.5.0.8))";
constexpr std::string_view kReceivedFrom = "Received: from ";

constexpr std::string_view kDroppedPrefixes[] = {
    "Message-ID: ", "Date: ", "Comments: ", "   ", "X-Remailer-Contact: ", "        "};

bool StartsWith(std::string_view line, std::string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

// An empty relay name would make every "Received: from " line a marker.
bool IsFromHost(std::string_view line, std::string_view host) {
  return !host.empty() && StartsWith(line, kReceivedFrom) &&
         StartsWith(line.substr(kReceivedFrom.size()), host);
}

void RemovePair(const std::string& q0Path, const std::string& q1Path) {
  RemoveFile(q0Path);
  RemoveFile(q1Path);
}

ExtractOutcome Fail(ExtractFailure& failure, const char* action, const FsPath& path,
                    const OsError& error) {
  failure = ExtractFailure{action, path.Joined(), error};
  return ExtractOutcome::kFailed;
}

// Copies the rest of the current line, its first piece already in chunk.
bool CopyLineRest(LineReader& reader, LineWriter* writer, std::string& chunk, bool ended) {
  if (writer && !writer->Write(chunk)) {
    return false;
  }
  while (!ended && reader.ReadChunk(chunk, kChunk, ended)) {
    if (writer && !writer->Write(chunk)) {
      return false;
    }
  }
  return writer == nullptr || writer->Write("\r\n");
}

bool IsContinuationLine(std::string_view line) {
  return !line.empty() && IsAsciiBlank(line[0]);
}

// Header lines up to and including the first empty one, from the line after
// the marker. The lines that continue the marker line (folded, they begin
// with a blank or a tab) go with it: written, they would begin the rebuilt
// header with a line of no field. False in headerEnded when the file ended
// first.
bool CopyHeader(LineReader& reader, LineWriter& writer, bool& headerEnded) {
  std::string chunk;
  bool ended = false;
  bool inMarker = true;
  headerEnded = false;
  while (!headerEnded && reader.ReadChunk(chunk, kChunk, ended)) {
    headerEnded = chunk.empty() && ended;
    inMarker = inMarker && IsContinuationLine(chunk);
    LineWriter* target = inMarker || IsDroppedHeaderLine(chunk) ? nullptr : &writer;
    if (!CopyLineRest(reader, target, chunk, ended)) {
      return false;
    }
  }
  return true;
}

bool CopyBody(LineReader& reader, LineWriter& writer) {
  std::string chunk;
  bool ended = false;
  while (reader.ReadChunk(chunk, kChunk, ended)) {
    if (!writer.Write(chunk) || (ended && !writer.Write("\r\n"))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool IsMarkerLine(std::string_view line) {
  return line.find(kServerBanner) != std::string_view::npos ||
         line.find(kArgoBanner) != std::string_view::npos || IsFromHost(line, NDR_RELAY_A) ||
         IsFromHost(line, NDR_RELAY_B) || IsFromHost(line, "127.0.0.1");
}

bool IsDroppedHeaderLine(std::string_view line) {
  for (std::string_view prefix : kDroppedPrefixes) {
    if (StartsWith(line, prefix)) {
      return true;
    }
  }
  return false;
}

std::string QueueDateLine() {
  std::time_t now = std::time(nullptr);
  std::tm local = *std::localtime(&now);
  char text[64];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", local.tm_mday, local.tm_mon + 1,
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

ExtractOutcome ExtractBounce(const FsPath& bouncePath, const std::string& q0Path,
                             const std::string& q1Path, const std::string& dateLine,
                             ExtractFailure& failure, bool durable) {
  LineReader reader;
  OsError error;
  if (!reader.Open(bouncePath, &error)) {
    return Fail(failure, "cannot open", bouncePath, error);
  }
  std::string line;
  bool found = false;
  while (!found && reader.ReadLine(line, kMarkerPrefix)) {
    found = IsMarkerLine(line);
  }
  if (reader.Failed()) {
    return Fail(failure, "cannot read", bouncePath, reader.Error());
  }
  if (!found || reader.AtEnd()) {
    return ExtractOutcome::kNoCopy;
  }

  LineWriter head;
  if (!head.Open(q0Path, &error)) {
    return Fail(failure, "cannot create", q0Path, error);
  }
  bool headerEnded = false;
  bool written = head.WriteLine("RELI_MAILOUT") && head.WriteLine(dateLine) && head.WriteLine("") &&
                 CopyHeader(reader, head, headerEnded);
  written = written && (!durable || head.Sync(&error));
  if (!head.Close(&error) || !written) {
    RemovePair(q0Path, q1Path);
    return Fail(failure, "cannot write", q0Path, written ? error : head.Error());
  }
  if (reader.Failed()) {
    RemovePair(q0Path, q1Path);
    return Fail(failure, "cannot read", bouncePath, reader.Error());
  }
  if (!headerEnded) {
    RemovePair(q0Path, q1Path);
    return ExtractOutcome::kHeaderCut;
  }

  LineWriter body;
  if (!body.Open(q1Path, &error)) {
    RemovePair(q0Path, q1Path);
    return Fail(failure, "cannot create", q1Path, error);
  }
  written = CopyBody(reader, body);
  written = written && (!durable || body.Sync(&error));
  if (!body.Close(&error) || !written) {
    RemovePair(q0Path, q1Path);
    return Fail(failure, "cannot write", q1Path, written ? error : body.Error());
  }
  if (reader.Failed()) {
    RemovePair(q0Path, q1Path);
    return Fail(failure, "cannot read", bouncePath, reader.Error());
  }
  return ExtractOutcome::kRebuilt;
}

}  // namespace ndr
