#include "message_reader.h"

#include <cstddef>
#include <limits>

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

// Stores the value when the line is that header; true when it was.
bool TakeText(const std::string& line, const std::string& name, std::string& field) {
  std::string value = HeaderValue(line, name);
  if (value.empty())
    return false;
  field = std::move(value);
  return true;
}

bool TakeDate(const std::string& line, DateTime& field) {
  const std::string value = HeaderValue(line, kDate);
  if (value.empty())
    return false;
  field = InternetDateToDate(value);
  return true;
}

// Most lines of a message name none of the fields; their first letter says
// so without trying each name in turn.
char FirstLetter(const std::string& line) {
  const char c = line.empty() ? '\0' : line[0];
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
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
  if (line.size() < name.size())
    return {};
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto a = static_cast<unsigned char>(line[i]);
    const auto b = static_cast<unsigned char>(name[i]);
    // ASCII only: 8-bit characters of the code page are compared as they are.
    const auto upperA = (a >= 'a' && a <= 'z') ? a - 'a' + 'A' : a;
    const auto upperB = (b >= 'a' && b <= 'z') ? b - 'a' + 'A' : b;
    if (upperA != upperB)
      return {};
  }
  return line.substr(name.size());
}

void ReadMessage(MessageInfo& info) {
  MessageInfo fresh;
  fresh.FileName = std::move(info.FileName);
  info = std::move(fresh);
  std::uint64_t length = 0;
  if (info.FileName.empty() || !OrdinaryFileLength(info.FileName, length))
    return;
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  info.Size = static_cast<std::int64_t>(length < kMax ? length : kMax);

  // One reader serves every call: its 64 KiB buffer is neither put on the
  // stack nor allocated and cleared again for each file of a scan.
  static thread_local LineReader reader;
  if (!reader.Open(info.FileName))
    return;  // gone or locked since the check
  ReadLines(reader, info);
  reader.Close();
}

}  // namespace ndr
