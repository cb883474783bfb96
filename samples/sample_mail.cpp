#include "sample_mail.h"

#include <cstdio>

#include "ndr_config.h"
#include "platform.h"

namespace ndr::samples {

namespace {

// splitmix64: tiny, and the same sequence on every platform.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<int>(N))];
  }

 private:
  std::uint64_t state_;
};

const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kZones[] = {"+0100", "+0200", "-0500", "-0800", "+0000", "+0530", "-0330"};
const char* const kOldZones[] = {"GMT", "UT", "EST", "EDT", "CST", "PDT", "MST"};
const char* const kNames[] = {"alice", "bob", "carol", "dave", "erin", "frank", "grace", "heidi"};
const char* const kDomains[] = {"example.com", "example.org", "mail.example.net",
                                "list.example.edu", "example.co.uk"};
const char* const kMailers[] = {"mx.example.com", "smtp.example.org", "mail.example.net",
                                "mx2.example.edu"};
const char* const kSubjects[] = {"Meeting notes",     "Re: your question", "Weekly digest",
                                 "Fwd: travel plans", "Invoice 2004-117",  "Hello again"};
const char* const kEightBitSubjects[] = {"R\xe9sum\xe9 f\xfcr M\xfcller", "Caf\xe9 \xe0 Paris",
                                         "Stra\xdf\x65 und Pl\xe4tze", "\xbfQu\xe9 tal?"};
const char* const kReasons[] = {"550 5.1.1 User unknown", "552 5.2.2 Mailbox full",
                                "554 5.7.1 Relay access denied",
                                "550 5.7.1 Message rejected as spam"};
const char* const kWords[] = {"the",   "remailer", "message", "sent",   "through", "a",
                              "chain", "of",       "hops",    "padded", "with",    "random",
                              "text",  "so",       "that",    "sizes",  "vary",    "nicely"};

std::string Address(Rng& rng) {
  return std::string(rng.Pick(kNames)) + "@" + rng.Pick(kDomains);
}

std::string NumberText(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

std::string Time(Rng& rng, bool seconds) {
  std::string text = NumberText(rng.Below(24), 2) + ":" + NumberText(rng.Below(60), 2);
  return seconds ? text + ":" + NumberText(rng.Below(60), 2) : text;
}

std::string DateText(Rng& rng) {
  int form = rng.Below(8);
  std::string day = std::to_string(1 + rng.Below(28));
  std::string month = rng.Pick(kMonths);
  int year = 1998 + rng.Below(10);
  std::string dayName = std::string(rng.Pick(kDays)) + ", ";
  switch (form) {
    case 0:
      return dayName + day + " " + month + " " + std::to_string(year) + " " + Time(rng, true) +
             " " + rng.Pick(kZones);
    case 1:  // no day name
      return day + " " + month + " " + std::to_string(year) + " " + Time(rng, true) + " " +
             rng.Pick(kZones);
    case 2:
      return dayName + day + " " + month + " " + std::to_string(year) + " " + Time(rng, true) +
             " GMT";
    case 3:  // obsolete: two-digit year and a zone name
      return dayName + NumberText(1 + rng.Below(28), 2) + " " + month + " " +
             NumberText(year % 100, 2) + " " + Time(rng, true) + " " + rng.Pick(kOldZones);
    case 4:  // no seconds
      return dayName + day + " " + month + " " + std::to_string(year) + " " + Time(rng, false) +
             " " + rng.Pick(kZones);
    case 5:  // trailing comment
      return dayName + day + " " + month + " " + std::to_string(year) + " " + Time(rng, true) +
             " +0100 (CET)";
    case 6:  // extra blanks
      return dayName + " " + day + " " + month + " " + std::to_string(year) + "  " +
             Time(rng, true) + " " + rng.Pick(kZones);
    default:
      return dayName + day + " " + month + " " + std::to_string(year) + " " + Time(rng, true) +
             " UT";
  }
}

std::string MessageId(Rng& rng, const std::string& host) {
  std::string id = "<";
  id += std::to_string(rng.Next() % 1000000000) + "." + std::to_string(rng.Below(99999));
  return id + "@" + host + ">";
}

// Body lines of plain text, each under 76 characters, until about bytes.
std::vector<std::string> BodyLines(Rng& rng, std::size_t bytes) {
  std::vector<std::string> lines;
  std::size_t total = 0;
  while (total < bytes) {
    std::string line;
    int words = 4 + rng.Below(9);
    for (int i = 0; i < words; ++i) {
      line += i ? " " : "";
      line += rng.Pick(kWords);
    }
    if (rng.Below(8) == 0) {
      line.clear();  // paragraph break
    }
    total += line.size() + 2;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string LineEndText(LineEnd lineEnd) {
  switch (lineEnd) {
    case LineEnd::kCr:
      return "\r";
    case LineEnd::kLf:
      return "\n";
    default:
      return "\r\n";
  }
}

std::string Join(const std::vector<std::string>& lines, LineEnd lineEnd, bool lastUnended) {
  std::string end = LineEndText(lineEnd);
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    text += lines[i];
    if (!lastUnended || i + 1 < lines.size()) {
      text += end;
    }
  }
  return text;
}

void AddBounceHeader(Rng& rng, Bounce& bounce, std::vector<std::string>& lines,
                     const std::string& mailer) {
  lines.push_back("Received: from spooler by diverido.example (Mercury/32 v3.21c); " +
                  DateText(rng));
  lines.push_back("Return-path: <>");
  lines.push_back("X-Envelope-To: <remailer@diverido.example>");
  bounce.date = DateText(rng);
  bounce.from = "Mail Delivery System <MAILER-DAEMON@" + mailer + ">";
  bounce.to = "remailer@diverido.example";
  lines.push_back("Date: " + bounce.date);
  lines.push_back("From: " + bounce.from);
  lines.push_back("To: " + bounce.to);
  lines.push_back("Subject: " + bounce.subject);
  lines.push_back("Message-ID: " + MessageId(rng, mailer));
  lines.push_back("MIME-Version: 1.0");
  lines.push_back("Content-Type: text/plain;");
  lines.push_back("\tcharset=\"iso-8859-1\"");  // a folded header line
  lines.push_back("");
}

void AddNotice(Rng& rng, Bounce& bounce, std::vector<std::string>& lines,
               const std::string& mailer) {
  lines.push_back("This is the mail system at host " + mailer + ".");
  lines.push_back("");
  lines.push_back("I'm sorry to have to inform you that your message could not");
  lines.push_back("be delivered to one or more recipients.");
  lines.push_back("");
  lines.push_back("<" + bounce.sentTo + ">: host " + mailer + " said: " + rng.Pick(kReasons));
  lines.push_back("");
  lines.push_back("--- Below this line is a copy of the message.");
  lines.push_back("");
}

void AddSentHeader(Rng& rng, Bounce& bounce, std::vector<std::string>& lines,
                   const std::string& mailer) {
  lines.push_back("        by " + mailer + " with ESMTP id " + std::to_string(rng.Below(99999)) +
                  ";");  // continuation folded with spaces: the requeuer drops it
  lines.push_back("\tfor <" + bounce.sentTo + ">; " + DateText(rng));  // folded with a tab
  lines.push_back("Message-ID: " + MessageId(rng, "diverido.example"));
  lines.push_back("Date: " + bounce.sentDate);
  lines.push_back("From: Nobody <nobody@diverido.example>");
  lines.push_back("Comments: This message did not originate from the sender address above.");
  lines.push_back("   It was remailed automatically by anonymizing remailer software.");
  lines.push_back("X-Remailer-Contact: <remailer-admin@diverido.example>");
  lines.push_back("To: " + bounce.sentTo);
  lines.push_back("Subject: " + bounce.sentSubject);
  lines.push_back("Mime-Version: 1.0");
  lines.push_back("Content-Type: text/plain; charset=ISO-8859-1");
}

}  // namespace

std::string MarkerLine(Marker marker, std::uint64_t seed) {
  Rng rng(seed);
  std::string when = DateText(rng);
  switch (marker) {
    case Marker::kServerBanner:
      return "Received: from diverido.example (10.0.0." + std::to_string(rng.Below(250)) +
             ") by Wren's Mercury SMTP (Server) (Mercury/32 v3.21c) ID# 0-" +
             std::to_string(rng.Below(99999)) + ";";
    case Marker::kArgoBanner:
      return "Received: from localhost ([127.0.0.1]) by diverido.example "
             "(ArGoSoft Mail Server, Version 1.5 (1.5.0.8)); " +
             when;
    case Marker::kRelayA:
      return std::string("Received: from ") + NDR_RELAY_A + " (relay [10.1.0.1])";
    case Marker::kRelayB:
      return std::string("Received: from ") + NDR_RELAY_B + " (relay [10.2.0.1])";
    case Marker::kLoopback:
      return "Received: from 127.0.0.1 (localhost) by diverido.example; " + when;
    default:
      return "Received: from unknown.example (unknown [192.0.2." + std::to_string(rng.Below(250)) +
             "])";
  }
}

std::string SampleDate(std::uint64_t seed) {
  Rng rng(seed);
  return DateText(rng);
}

Bounce MakeBounce(std::uint64_t seed, const BounceOptions& options) {
  Rng rng(seed);
  Bounce bounce;
  std::string mailer = rng.Pick(kMailers);
  bounce.sentTo = Address(rng);
  bounce.sentSubject = options.eightBitSubject ? rng.Pick(kEightBitSubjects) : rng.Pick(kSubjects);
  bounce.subject = options.eightBitSubject ? std::string("Unzustellbar: ") + bounce.sentSubject
                                           : std::string("Undelivered Mail Returned to Sender");
  bounce.sentDate = DateText(rng);
  bounce.markerLine = MarkerLine(options.marker, rng.Next());

  std::vector<std::string> lines;
  AddBounceHeader(rng, bounce, lines, mailer);
  AddNotice(rng, bounce, lines, mailer);
  lines.push_back(bounce.markerLine);
  AddSentHeader(rng, bounce, lines, mailer);
  if (!options.headerRunsIntoEof) {
    lines.push_back("");
    std::size_t used = 0;
    for (const std::string& line : lines) {
      used += line.size() + 2;
    }
    std::size_t bodyBytes = options.targetBytes > used ? options.targetBytes - used : 0;
    bounce.sentBody = BodyLines(rng, bodyBytes);
    lines.insert(lines.end(), bounce.sentBody.begin(), bounce.sentBody.end());
  }
  bounce.bytes = Join(lines, options.lineEnd, options.lastLineUnended);
  return bounce;
}

BounceOptions MixedBounceOptions(std::uint64_t seed, std::size_t targetBytes) {
  Rng rng(seed ^ 0x5eedULL);
  BounceOptions options;
  options.targetBytes =
      targetBytes / 2 + static_cast<std::size_t>(rng.Below(static_cast<int>(targetBytes + 1)));
  int kind = rng.Below(100);
  options.marker = kind < 85 ? kAllMarkers[rng.Below(5)] : Marker::kNone;
  options.eightBitSubject = rng.Below(10) == 0;
  options.lastLineUnended = rng.Below(20) == 0;
  int odd = rng.Below(100);
  if (odd < 3) {
    options.lineEnd = LineEnd::kCr;
  } else if (odd < 6) {
    options.lineEnd = LineEnd::kLf;
  } else if (odd < 8) {
    options.headerRunsIntoEof = true;
  }
  return options;
}

std::string MakeMessage(std::uint64_t seed, std::size_t targetBytes) {
  Rng rng(seed);
  std::string host = rng.Pick(kDomains);
  std::vector<std::string> lines{
      "Received: from " + std::string(rng.Pick(kMailers)) + " by " + host + "; " + DateText(rng),
      "Date: " + DateText(rng),
      "From: " + Address(rng),
      "To: " + Address(rng),
      "Subject: " + std::string(rng.Pick(kSubjects)),
      "Message-ID: " + MessageId(rng, host),
      ""};
  std::vector<std::string> body = BodyLines(rng, targetBytes > 300 ? targetBytes - 300 : 0);
  lines.insert(lines.end(), body.begin(), body.end());
  return Join(lines, LineEnd::kCrLf, false);
}

QueuePair MakeQueuePair(std::uint64_t seed) {
  Rng rng(seed);
  std::string stamp = NumberText(1 + rng.Below(28), 2) + "/" + NumberText(1 + rng.Below(12), 2) +
                      "/" + std::to_string(2000 + rng.Below(10)) + " " + Time(rng, true);
  std::vector<std::string> head{"RELI_MAILOUT",
                                stamp,
                                "",
                                "From: Nobody <nobody@diverido.example>",
                                "To: " + Address(rng),
                                "Subject: " + std::string(rng.Pick(kSubjects)),
                                "Mime-Version: 1.0",
                                ""};
  return QueuePair{
      Join(head, LineEnd::kCrLf, false),
      Join(BodyLines(rng, 600 + static_cast<std::size_t>(rng.Below(2000))), LineEnd::kCrLf, false)};
}

bool WriteSampleFile(const std::string& path, std::string_view bytes) {
  std::FILE* file = std::fopen(NativePath(path).c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace ndr::samples
