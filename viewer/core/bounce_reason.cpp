#include "bounce_reason.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "ascii.h"
#include "header_text.h"

namespace ndr {

namespace {

// The server's words are cut here: more is rarely more reason, and the grid
// keeps a row of every bounce in a folder.
constexpr std::size_t kMaxWords = 200;

enum class ReasonClass { UnknownUser, MailboxFull, UnknownHost, Blocked, TooBig, Expired, Other };
constexpr std::array<std::string_view, 7> kClassNames = {
    "unknown-user", "mailbox-full", "unknown-host", "blocked", "too-big", "expired", "other"};

// What servers say under a generic code, class by class, in the order they
// are tried: "Recipient address rejected: User unknown" is an unknown user
// before it is a refusal. In lower case.
struct ClassWords {
  ReasonClass reasonClass;
  std::array<std::string_view, 16> words;
};
constexpr ClassWords kClassWords[] = {
    {ReasonClass::UnknownUser,
     {"user unknown", "unknown user", "no such user", "no such mailbox", "no such recipient",
      "no mailbox", "user not found", "recipient not found", "unknown recipient",
      "invalid recipient", "invalid mailbox", "does not exist", "doesn't exist", "doesn't have a",
      "mailbox unavailable"}},
    {ReasonClass::MailboxFull,
     {"mailbox full", "mailbox is full", "quota", "insufficient storage", "exceeded storage",
      "storage allocation", "full mailbox"}},
    {ReasonClass::TooBig,
     {"too big", "too large", "message size", "size limit", "exceeds the maximum size"}},
    {ReasonClass::UnknownHost,
     {"host not found", "host unknown", "unknown host", "domain not found", "name not found",
      "no such domain", "unrouteable", "unroutable", "domain does not exist", "no mx", "null mx",
      "nxdomain", "name or service not known"}},
    {ReasonClass::Expired,
     {"timed out", "timeout", "expired", "retry time", "gave up", "giving up", "delayed",
      "not yet been delivered", "deferred", "too long"}},
    {ReasonClass::Blocked,
     {"spam", "blocked", "blacklist", "blocklist", "denied", "policy", "relay", "reputation",
      "authenticat", "not permitted", "not authorized", "refused", "rejected", "prohibited",
      "dmarc", "unsolicited"}},
};

// From the bounce's own header: words of a mail server's notice.
constexpr std::string_view kDaemonSenders[] = {"mailer-daemon", "postmaster", "mail delivery",
                                               "delivery subsystem", "mail administrator"};
constexpr std::string_view kNoticeSubjects[] = {
    "undeliver",     "undelivered",   "delivery status",       "failure notice",
    "returned mail", "delivery fail", "mail delivery",         "nondeliver",
    "non-deliver",   "not delivered", "delivery report",       "delayed mail",
    "unzustellbar",  "non remis",     "could not be delivered"};

template <std::size_t N>
bool ContainsAny(std::string_view text, const std::string_view (&lowerNeedles)[N]) {
  for (std::string_view needle : lowerNeedles) {
    if (FindIgnoreCase(text, needle) != std::string_view::npos)
      return true;
  }
  return false;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The first CR or LF of text from `from` on; the text's size when none.
// Sixteen bytes are looked at together: a head's lines are short and many.
std::size_t FindLineEnd(std::string_view text, std::size_t from) {
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; from + 16 <= text.size(); from += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
    const auto ends = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf))));
    if (ends != 0)
      return from + static_cast<std::size_t>(std::countr_zero(ends));
  }
#endif
  while (from < text.size() && text[from] != '\r' && text[from] != '\n')
    ++from;
  return from;
}

// The lines of a text, whatever its line ends (CR LF, LF or CR): views into
// it.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (at_ >= text_.size())
      return false;
    const std::size_t end = FindLineEnd(text_, at_);
    line = text_.substr(at_, end - at_);
    const bool crLf = end + 1 < text_.size() && text_[end] == '\r' && text_[end + 1] == '\n';
    at_ = end + (crLf ? 2 : 1);
    return true;
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

bool IsContinuation(std::string_view line) {
  return !line.empty() && IsAsciiBlank(line[0]);
}

// The value of header field name ("status:") in line; false when the line is
// not that field.
bool FieldValue(std::string_view line, std::string_view name, std::string_view& value) {
  // Most lines are other fields or text: where the colon stands tells at once.
  if (line.size() < name.size() || line[name.size() - 1] != ':' ||
      !StartsWithIgnoreCase(line, name))
    return false;
  value = line.substr(name.size());
  while (!value.empty() && IsAsciiBlank(value.front()))
    value.remove_prefix(1);
  return true;
}

struct HeadFacts {
  bool report = false;      // a multipart/report
  bool fromServer = false;  // sent and named as a mail server's notice
};

// Reads the header up to its empty line. A line's first letter picks the
// one field it can be; the sender's words are weighed only while no other
// field has told.
HeadFacts ReadHeader(Lines& lines) {
  HeadFacts facts;
  std::string_view line, value;
  bool inContentType = false;
  while (lines.Next(line) && !line.empty()) {
    if (IsContinuation(line)) {
      facts.report |= inContentType && FindIgnoreCase(line, "multipart/report") != line.npos;
      continue;
    }
    inContentType = false;
    switch (AsciiLower(line[0])) {
      case 'c':
        inContentType = FieldValue(line, "content-type:", value);
        facts.report |= inContentType && FindIgnoreCase(value, "multipart/report") != value.npos;
        break;
      case 'f':
        if (!facts.fromServer && FieldValue(line, "from:", value))
          facts.fromServer = ContainsAny(value, kDaemonSenders);
        break;
      case 's':
        if (!facts.fromServer && FieldValue(line, "subject:", value))
          facts.fromServer = ContainsAny(value, kNoticeSubjects);
        break;
      case 'r':
        if (FieldValue(line, "return-path:", value))
          facts.fromServer |= value.starts_with("<>");
        break;
      default:
        break;
    }
  }
  return facts;
}

// One recipient's fields of a delivery-status part.
struct Recipient {
  std::string_view status;
  const char* diagnosticBegin = nullptr;  // the Diagnostic-Code's value and
  const char* diagnosticEnd = nullptr;    // its continuation lines
  bool failed = false, delayed = false;
  int Rank() const { return failed ? 0 : (delayed ? 1 : 2); }
  std::string_view Diagnostic() const {
    return diagnosticBegin
               ? std::string_view(diagnosticBegin,
                                  static_cast<std::size_t>(diagnosticEnd - diagnosticBegin))
               : std::string_view();
  }
};

// Moves lines past the header of the delivery-status part; false when there
// is none.
bool FindDeliveryStatus(Lines& lines) {
  std::string_view line, value;
  while (lines.Next(line)) {
    if (FieldValue(line, "content-type:", value) &&
        FindIgnoreCase(value, "delivery-status") != value.npos) {
      while (lines.Next(line) && !line.empty()) {
      }
      return true;
    }
  }
  return false;
}

// The first failed recipient of the part, else the first delayed one, else
// the first with a status.
Recipient ReadRecipients(Lines& lines) {
  Recipient best, current;
  bool inDiagnostic = false;
  auto consider = [&] {
    if (!current.status.empty() && (best.status.empty() || current.Rank() < best.Rank()))
      best = current;
    current = Recipient();
  };
  std::string_view line, value;
  while (lines.Next(line) && !line.starts_with("--")) {
    if (IsContinuation(line)) {
      if (inDiagnostic)
        current.diagnosticEnd = line.data() + line.size();
      continue;
    }
    inDiagnostic = false;
    if (line.empty()) {
      consider();
    } else if (FieldValue(line, "status:", value)) {
      std::size_t end = 0;
      while (end < value.size() && (IsDigit(value[end]) || value[end] == '.'))
        ++end;
      current.status = value.substr(0, end);
    } else if (FieldValue(line, "action:", value)) {
      current.failed = FindIgnoreCase(value, "failed") != value.npos;
      current.delayed = FindIgnoreCase(value, "delayed") != value.npos;
    } else if (FieldValue(line, "diagnostic-code:", value)) {
      const std::size_t type = value.find(';');  // "smtp; 550 ..."
      value = type == value.npos ? value : value.substr(type + 1);
      current.diagnosticBegin = value.data();
      current.diagnosticEnd = value.data() + value.size();
      inDiagnostic = true;
    }
  }
  consider();
  return best;
}

// An enhanced status code (RFC 3463) of a failure, "5.1.1", standing alone.
// Found from the dots, which are few in a line, rather than byte by byte.
bool FindEnhancedCode(std::string_view line, std::string_view& code) {
  for (std::size_t dot = line.find('.', 1); dot != line.npos && dot + 3 < line.size();
       dot = line.find('.', dot + 1)) {
    const std::size_t i = dot - 1;
    if (line[i] != '4' && line[i] != '5')
      continue;
    if (i > 0 && (IsDigit(line[i - 1]) || IsAsciiLetter(line[i - 1]) || line[i - 1] == '.'))
      continue;
    std::size_t end = i + 2;
    bool valid = true;
    for (int part = 0; part < 2 && valid; ++part) {
      const std::size_t start = end;
      while (end < line.size() && IsDigit(line[end]) && end - start < 3)
        ++end;
      valid = end > start && (part == 1 || (end < line.size() && line[end++] == '.'));
    }
    const bool runsOn = end < line.size() &&
                        (IsDigit(line[end]) ||
                         (line[end] == '.' && end + 1 < line.size() && IsDigit(line[end + 1])));
    if (valid && !runsOn) {
      code = line.substr(i, end - i);
      return true;
    }
  }
  return false;
}

// An SMTP reply code of a failure (RFC 5321), "550", standing alone.
bool FindReplyCode(std::string_view line, std::string_view& code) {
  for (std::size_t i = 0; i + 3 <= line.size(); ++i) {
    if ((line[i] != '4' && line[i] != '5') || !IsDigit(line[i + 1]) || !IsDigit(line[i + 2]))
      continue;
    if (i > 0 && (IsDigit(line[i - 1]) || IsAsciiLetter(line[i - 1]) || line[i - 1] == '.'))
      continue;
    if (i + 3 < line.size() && !IsAsciiBlank(line[i + 3]) && line[i + 3] != '-' &&
        line[i + 3] != ':')
      continue;
    code = line.substr(i, 3);
    return true;
  }
  return false;
}

// Where the notice ends and the returned message begins: its trace lines,
// or the part that holds it.
bool IsCopyStart(std::string_view line) {
  std::string_view value;
  switch (line.empty() ? '\0' : AsciiLower(line[0])) {
    case 'r':
      return FieldValue(line, "received:", value) || FieldValue(line, "return-path:", value);
    case 'c':
      return FieldValue(line, "content-type:", value) &&
             FindIgnoreCase(value, "rfc822") != value.npos;
    default:
      return false;
  }
}

struct CodeLine {
  std::string_view code, line;
};

// The first enhanced code of the notice and its line, else the first reply
// code and its line. Most notices have an enhanced code: the reply codes
// are looked for only when there is none.
CodeLine FindCodeInText(const Lines& body) {
  std::string_view line, code;
  for (Lines lines = body; lines.Next(line) && !IsCopyStart(line);) {
    if (FindEnhancedCode(line, code))
      return {code, line};
  }
  for (Lines lines = body; lines.Next(line) && !IsCopyStart(line);) {
    if (FindReplyCode(line, code))
      return {code, line};
  }
  return {};
}

bool ClassOfWords(std::string_view words, ReasonClass& reasonClass) {
  for (const ClassWords& entry : kClassWords) {
    for (std::string_view needle : entry.words) {
      if (!needle.empty() && FindIgnoreCase(words, needle) != words.npos) {
        reasonClass = entry.reasonClass;
        return true;
      }
    }
  }
  return false;
}

// The first line of the notice whose words tell a class, for a notice
// without any code.
CodeLine FindClassLine(Lines lines) {
  std::string_view line;
  ReasonClass unused = ReasonClass::Other;
  while (lines.Next(line) && !IsCopyStart(line)) {
    if (ClassOfWords(line, unused))
      return {{}, line};
  }
  return {};
}

// The class an enhanced code names by itself; false for a generic one.
bool ClassOfCode(std::string_view code, ReasonClass& reasonClass) {
  if (code.size() < 5 || code[1] != '.')
    return false;  // a reply code, or none
  const std::size_t second = code.find('.', 2);
  if (second == code.npos)
    return false;
  const std::string_view subject = code.substr(2, second - 2);
  const std::string_view detail = code.substr(second + 1);
  struct Specific {
    std::string_view subject, detail;
    ReasonClass reasonClass;
  };
  static constexpr Specific kSpecific[] = {
      {"1", "1", ReasonClass::UnknownUser}, {"1", "2", ReasonClass::UnknownHost},
      {"1", "3", ReasonClass::UnknownUser}, {"1", "6", ReasonClass::UnknownUser},
      {"2", "1", ReasonClass::UnknownUser}, {"2", "2", ReasonClass::MailboxFull},
      {"2", "3", ReasonClass::TooBig},      {"3", "1", ReasonClass::MailboxFull},
      {"3", "4", ReasonClass::TooBig},      {"4", "4", ReasonClass::UnknownHost},
      {"4", "7", ReasonClass::Expired},
  };
  if (subject == "7") {
    reasonClass = ReasonClass::Blocked;  // security or policy, whatever the detail
    return true;
  }
  for (const Specific& specific : kSpecific) {
    if (specific.subject == subject && specific.detail == detail) {
      reasonClass = specific.reasonClass;
      return true;
    }
  }
  return false;
}

// The words on one line, blanks and line breaks made single blanks, into
// kept: at most kMaxWords bytes, and no character cut.
std::string_view UnfoldWords(std::string_view words, char (&kept)[kMaxWords]) {
  std::size_t size = 0;
  bool blank = true;  // drops leading blanks
  const auto isBlank = [](char c) {
    return static_cast<unsigned char>(c) <= ' ' && IsFoldingSpace(c);
  };
  for (std::size_t at = 0; at < words.size() && size < kMaxWords;) {
    if (isBlank(words[at])) {
      if (!blank)
        kept[size++] = ' ';
      blank = true;
      ++at;
      continue;
    }
    // A run of other bytes is copied whole.
    std::size_t end = at + 1;
    while (end < words.size() && !isBlank(words[end]))
      ++end;
    const std::size_t take = std::min(end - at, kMaxWords - size);
    std::memcpy(kept + size, words.data() + at, take);
    size += take;
    at += take;
    blank = false;
  }
  std::size_t end = size;
  if (end == kMaxWords) {
    // A character of several bytes that the cut split goes whole.
    std::size_t lead = end;
    while (lead > 0 && (static_cast<unsigned char>(kept[lead - 1]) & 0xC0) == 0x80)
      --lead;
    if (lead > 0 && static_cast<unsigned char>(kept[lead - 1]) >= 0xC0)
      end = lead - 1;
  }
  while (end > 0 && kept[end - 1] == ' ')
    --end;
  return std::string_view(kept, end);
}

}  // namespace

void ReadBounceReason(std::string_view head, std::string& reason) {
  reason.clear();
  Lines lines(head);
  const HeadFacts facts = ReadHeader(lines);
  const Lines body = lines;
  Recipient recipient;
  if (facts.report && FindDeliveryStatus(lines))
    recipient = ReadRecipients(lines);
  else if (!facts.fromServer)
    return;  // no delivery report and no notice: no bounce
  std::string_view status = recipient.status;
  std::string_view words = recipient.Diagnostic();
  if (status.empty() || words.empty()) {
    const CodeLine found = FindCodeInText(body);
    if (status.empty())
      status = found.code;
    if (words.empty())
      words = found.code.empty() ? FindClassLine(body).line : found.line;
  }
  char kept[kMaxWords];
  words = UnfoldWords(words, kept);
  ReasonClass reasonClass = ReasonClass::Other;
  if (!ClassOfCode(status, reasonClass) && !ClassOfWords(words, reasonClass) && recipient.delayed)
    reasonClass = ReasonClass::Expired;
  reason.assign(status);
  if (!status.empty())
    reason += ' ';
  reason += kClassNames[static_cast<std::size_t>(reasonClass)];
  if (!words.empty()) {
    reason += ": ";
    AppendDisplayText(words, reason);
  }
}

void ReasonSortKey(std::string_view text, std::string& key) {
  key.clear();
  if (text.empty())
    return;
  std::string_view className = text.substr(0, text.find(':'));
  const bool hasStatus = IsDigit(text[0]);
  if (hasStatus)
    className = className.substr(std::min(className.size(), className.find(' ') + 1));
  std::size_t rank = kClassNames.size();
  for (std::size_t i = 0; i < kClassNames.size(); ++i) {
    if (className == kClassNames[i])
      rank = i;
  }
  key += hasStatus ? text[0] : '9';
  key += static_cast<char>('a' + rank);
  key += text;
}

}  // namespace ndr
