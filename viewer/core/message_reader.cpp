#include "message_reader.h"

#include <cstddef>
#include <limits>
#include <string_view>

#include "internet_time.h"
#include "platform.h"
#include "text_file.h"

namespace ndr {

namespace {

constexpr std::int32_t kMaxLines = 70;
// A file with LF-only line ends is one line however large it is; only this
// much of a line is kept, far beyond any header line worth showing.
constexpr std::size_t kMaxLineKeep = 64 * 1024;

const std::string kFrom = "From: ";
const std::string kTo = "To: ";
const std::string kSubject = "Subject: ";
const std::string kDate = "Date: ";

// The value of header name in line, as a view into line; empty when the line
// is not that header (or gives no value).
std::string_view ValueOf(const std::string& line, const std::string& name) {
  if (line.size() < name.size())
    return {};
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (AsciiUpper(line[i]) != AsciiUpper(name[i]))
      return {};
  }
  return std::string_view(line).substr(name.size());
}

// Stores the value when the line is that header, reusing the field's buffer.
void TakeText(const std::string& line, const std::string& name, std::string& field) {
  const std::string_view value = ValueOf(line, name);
  if (!value.empty())
    field.assign(value);
}

void TakeDate(const std::string& line, DateTime& field) {
  const std::string_view value = ValueOf(line, kDate);
  if (!value.empty())
    field = InternetDateToDate(value);
}

// Empties every field but FileName; the strings keep their buffers for the
// next file of a scan.
void ResetRecord(MessageInfo& info) {
  info.Size = 0;
  info.Date = kEmptyDateTime;
  info.From.clear();
  info.To.clear();
  info.Subject.clear();
  info.LL = 0;
  info.To_In.clear();
  info.Sub_In.clear();
  info.Date_In = kEmptyDateTime;
}

// Most lines of a message name none of the fields; their first letter says
// so without trying each name in turn.
char FirstLetter(const std::string& line) {
  return line.empty() ? '\0' : AsciiUpper(line[0]);
}

void TakeHeaderLine(const std::string& line, MessageInfo& info) {
  switch (FirstLetter(line)) {
    case 'F':
      TakeText(line, kFrom, info.From);
      break;
    case 'T':
      TakeText(line, kTo, info.To);
      break;
    case 'S':
      TakeText(line, kSubject, info.Subject);
      break;
    case 'D':
      TakeDate(line, info.Date);
      break;
  }
}

void TakeBodyLine(const std::string& line, MessageInfo& info) {
  switch (FirstLetter(line)) {
    case 'T':
      TakeText(line, kTo, info.To_In);
      break;
    case 'S':
      TakeText(line, kSubject, info.Sub_In);
      break;
    case 'D':
      TakeDate(line, info.Date_In);
      break;
  }
}

// The next line within the line limit, counted in info.LL (71: the limit was
// passed). False at the end of the file, at the limit or on a read error.
bool NextLine(LineReader& reader, MessageInfo& info, std::string& line) {
  if (reader.AtEnd())
    return false;
  if (++info.LL > kMaxLines)
    return false;
  if (!reader.ReadLine(line, kMaxLineKeep)) {
    --info.LL;  // a read error: that line was never read
    return false;
  }
  return true;
}

void ReadLines(LineReader& reader, MessageInfo& info) {
  std::string line;
  while (NextLine(reader, info, line)) {
    if (line.empty()) {
      while (NextLine(reader, info, line))
        TakeBodyLine(line, info);
      return;
    }
    TakeHeaderLine(line, info);
  }
}

}  // namespace

std::string HeaderValue(const std::string& line, const std::string& name) {
  return std::string(ValueOf(line, name));
}

void ReadMessage(MessageInfo& info) {
  if (info.FileName.empty()) {
    ResetRecord(info);
    return;
  }
  ReadMessage(info, FsPath(info.FileName));
}

void ReadMessage(MessageInfo& info, const FsPath& file) {
  ResetRecord(info);
  // One reader serves every call: its 64 KiB buffer is neither put on the
  // stack nor allocated and cleared again for each file of a scan.
  static thread_local LineReader reader;
  std::uint64_t length = 0;
  const bool opened = reader.OpenOrdinary(file, length);
  // A file that is there but cannot be read (locked, say) still shows its size.
  if (opened || OrdinaryFileLength(file, length)) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    info.Size = static_cast<std::int64_t>(length < kMax ? length : kMax);
  }
  if (!opened)
    return;
  ReadLines(reader, info);
  reader.Close();
}

}  // namespace ndr
