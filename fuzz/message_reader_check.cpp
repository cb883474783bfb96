#include <string>
#include <vector>

#include "header_text.h"
#include "internet_time.h"
#include "mail_model.h"
#include "message_reader.h"
#include "properties.h"
#include "test_support.h"

namespace ndr::fuzz {

namespace {

constexpr std::int32_t kLineLimit = 70;

// The value of the header when the line is one (name matched without regard
// to ASCII case), else empty.
std::string_view Value(std::string_view line, std::string_view name) {
  if (line.size() < name.size()) {
    return {};
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = line[i];
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
    if (c != name[i]) {
      return {};
    }
  }
  return line.substr(name.size());
}

// Sets field when the line is that header with a value; the field that a
// continuation line would go on is then that one.
void Take(std::string_view line, std::string_view name, std::string& field, std::string*& open) {
  const std::string_view value = Value(line, name);
  if (!value.empty()) {
    field = value;
    open = &field;
  }
}

void TakeDate(std::string_view line, DateTime& field) {
  const std::string_view value = Value(line, "DATE: ");
  if (!value.empty()) {
    field = InternetDateToDate(value);
  }
}

// The record the header reader is to give for a file of these bytes.
MessageInfo Model(std::string_view bytes) {
  MessageInfo info;
  info.Size = static_cast<std::int64_t>(bytes.size());
  bool inHeader = true;
  std::string* open = nullptr;  // the field last taken, for its continuation lines
  for (std::string_view line : SplitMailLines(bytes)) {
    if (++info.LL > kLineLimit) {
      break;
    }
    if (open && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      open->append(line);
      continue;
    }
    open = nullptr;
    if (inHeader && line.empty()) {
      inHeader = false;
    } else if (inHeader) {
      Take(line, "FROM: ", info.From, open);
      Take(line, "TO: ", info.To, open);
      Take(line, "SUBJECT: ", info.Subject, open);
      TakeDate(line, info.Date);
    } else {
      Take(line, "TO: ", info.To_In, open);
      Take(line, "SUBJECT: ", info.Sub_In, open);
      TakeDate(line, info.Date_In);
    }
  }
  std::string scratch;
  for (std::string* text : {&info.From, &info.To, &info.Subject, &info.To_In, &info.Sub_In})
    DecodeHeaderText(*text, scratch);
  return info;
}

std::string Differs(const char* field, const std::string& got, const std::string& want) {
  return got == want ? "" : std::string(field) + " is \"" + got + "\", not \"" + want + "\"";
}

std::string Differs(const char* field, const DateTime& got, const DateTime& want) {
  return got == want ? ""
                     : std::string(field) + " is " + std::string(FormatGridDate(got).View()) +
                           ", not " + std::string(FormatGridDate(want).View());
}

std::string Compare(const MessageInfo& got, const MessageInfo& want) {
  const std::string differences[] = {
      Differs("From", got.From, want.From),          Differs("To", got.To, want.To),
      Differs("Subject", got.Subject, want.Subject), Differs("Date", got.Date, want.Date),
      Differs("To_In", got.To_In, want.To_In),       Differs("Sub_In", got.Sub_In, want.Sub_In),
      Differs("Date_In", got.Date_In, want.Date_In)};
  for (const std::string& difference : differences) {
    if (!difference.empty()) {
      return difference;
    }
  }
  return "";
}

}  // namespace

std::string CheckMessageReader(std::string_view input) {
  static const std::string path = ScratchPath("message.cnm");
  WriteNewFile(path, input);
  MessageInfo info;
  info.FileName = path;
  ReadMessage(info);
  const MessageInfo want = Model(input);
  if (info.LL < 0 || info.LL > kLineLimit + 1) {
    return "LL is " + std::to_string(info.LL) + ", beyond the line limit";
  }
  if (info.LL != want.LL) {
    return "LL is " + std::to_string(info.LL) + ", not " + std::to_string(want.LL);
  }
  if (info.Size != want.Size) {
    return "Size is " + std::to_string(info.Size) + ", not " + std::to_string(want.Size);
  }
  if (info.FileName != path) {
    return "FileName changed to \"" + info.FileName + "\"";
  }
  std::string failure = input.size() <= kModelInputLimit ? Compare(info, want) : "";
  for (const std::string* text :
       {&info.From, &info.To, &info.Subject, &info.To_In, &info.Sub_In, &info.Reason}) {
    std::string asUtf8;
    AppendDisplayText(*text, asUtf8);
    if (failure.empty() && asUtf8 != *text)
      failure = "a text is not UTF-8: \"" + *text + "\"";
  }
  if (failure.empty() && testsupport::ReadBytes(path) != input) {
    failure = "the message file changed";
  }
  return failure;
}

}  // namespace ndr::fuzz
