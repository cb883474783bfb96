#include "message_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "ascii.h"
#include "bounce_reason.h"
#include "folder_scan.h"
#include "header_text.h"
#include "internet_time.h"
#include "platform.h"

namespace ndr {

namespace {

constexpr std::int32_t kMaxLines = 70;
// A file with LF-only line ends is one line however large it is; only this
// much of a line is kept, far beyond any header line worth showing.
constexpr std::size_t kMaxLineKeep = 64 * 1024;
// One read takes the whole head of a usual message: the head a batch reads,
// so that a batched file's first read is served whole from it.
constexpr std::size_t kChunk = ScanBatch::kHeadBytes;
// The line ends of the buffer are looked for this many bytes at a time.
constexpr std::size_t kWindow = 64;

// Bit i is set where window[i] is a CR, for the kWindow bytes from window.
// One look at 64 bytes finds every line end in them, where a search per line
// would cost a library call for each of a head's many short lines.
inline std::uint64_t CrBits(const char* window) {
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i cr = _mm_set1_epi8('\r');
  std::uint64_t bits = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 16 * i));
    const auto found = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
    bits |= std::uint64_t{found} << (16 * i);
  }
  return bits;
#else
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < kWindow; ++i)
    bits |= std::uint64_t{window[i] == '\r'} << i;
  return bits;
#endif
}

// The lines of an open file, cut in place in one reused buffer: a line is a
// view into the buffer, valid until the next call. A line ends at CR or CR
// LF; a LF alone is part of the line.
class HeadLines {
 public:
  void Start(ScanFile& file) {
    file_ = &file;
    begin_ = end_ = 0;
    eof_ = skipLf_ = headSaved_ = false;
  }
  // The file's first bytes, the first chunk read: the part of the file the
  // Reason column is read from.
  std::string_view Head() const {
    return headSaved_ ? std::string_view(savedHead_) : std::string_view(buffer_, end_);
  }
  // True when no further line can be read.
  bool AtEnd() { return (begin_ == end_ || skipLf_) && !Available(); }
  // The next line, reading on through the file as far as it takes. Only
  // when not AtEnd().
  std::string_view Next();
  // Hands taker.Take up to most lines that lie whole in the buffer, with
  // the byte behind their CR; how many. The rest is Next's. Only when not
  // AtEnd(): the next line then starts at begin_, any LF of the last CR
  // passed.
  template <typename Taker>
  std::int32_t TakeWholeLines(Taker& taker, std::int32_t most);

 private:
  bool Available();
  void Fill();
  void SkipRestOfLine(std::size_t kept);
  void SaveHead();

  ScanFile* file_ = nullptr;
  // A kept line's start plus one chunk read behind it. Aligned, and a whole
  // number of windows, so that a window that starts before end_ lies in it.
  alignas(kWindow) char buffer_[kMaxLineKeep + kChunk];
  static_assert((kMaxLineKeep + kChunk) % kWindow == 0);
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
  bool skipLf_ = false;  // the last line ended at a CR: a LF next belongs to it
  // Until the buffer is first moved or refilled, it holds the head itself;
  // only then is the head copied aside (the lines of a few files only).
  bool headSaved_ = false;
  std::string savedHead_;
};

void HeadLines::SaveHead() {
  if (headSaved_ || end_ == 0)
    return;  // saved already, or nothing read yet
  savedHead_.assign(buffer_, end_);
  headSaved_ = true;
}

// Reads one chunk behind end_. A short read of a file is its end: no further
// call is needed to learn that.
void HeadLines::Fill() {
  const std::size_t room = std::min(kChunk, sizeof buffer_ - end_);
  const std::ptrdiff_t got = file_->Read(buffer_ + end_, room);
  if (got <= 0) {
    eof_ = true;  // a read error ends the file like its end does
    return;
  }
  end_ += static_cast<std::size_t>(got);
  if (static_cast<std::size_t>(got) < room)
    eof_ = true;
}

// At least one unread byte in the buffer; false at the end of the file.
bool HeadLines::Available() {
  for (;;) {
    if (begin_ < end_) {
      if (!skipLf_)
        return true;
      skipLf_ = false;
      if (buffer_[begin_] == '\n')
        ++begin_;
      continue;
    }
    if (eof_)
      return false;
    SaveHead();
    begin_ = end_ = 0;
    Fill();
  }
}

// The line in the buffer from 0 has kept bytes, all it keeps: reads on to
// its end, dropping what comes between.
void HeadLines::SkipRestOfLine(std::size_t kept) {
  for (;;) {
    end_ = kept;
    if (eof_) {
      begin_ = end_;
      return;
    }
    Fill();
    const void* cr = std::memchr(buffer_ + kept, '\r', end_ - kept);
    if (cr != nullptr) {
      begin_ = static_cast<std::size_t>(static_cast<const char*>(cr) - buffer_) + 1;
      skipLf_ = true;
      return;
    }
  }
}

std::string_view HeadLines::Next() {
  if (!Available())
    return {};
  std::size_t searched = begin_;
  for (;;) {
    const void* cr = std::memchr(buffer_ + searched, '\r', end_ - searched);
    if (cr != nullptr || eof_) {
      const std::size_t stop =
          cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - buffer_) : end_;
      const std::string_view line(buffer_ + begin_, std::min(stop - begin_, kMaxLineKeep));
      begin_ = cr ? stop + 1 : end_;
      skipLf_ = cr != nullptr;
      return line;
    }
    // The line goes on behind the buffer: move its start to the front.
    SaveHead();
    const std::size_t have = end_ - begin_;
    std::memmove(buffer_, buffer_ + begin_, have);
    begin_ = 0;
    end_ = searched = have;
    if (have >= kMaxLineKeep) {
      SkipRestOfLine(kMaxLineKeep);
      return std::string_view(buffer_, kMaxLineKeep);
    }
    Fill();
  }
}

// A line whose CR is the buffer's last byte (a LF may follow in the file), a
// line without a CR in the buffer and an overlong line are left to Next.
template <typename Taker>
std::int32_t HeadLines::TakeWholeLines(Taker& taker, std::int32_t most) {
  // Copies the compiler can keep in registers: the taker's stores into
  // strings might otherwise alias the members.
  const char* const buffer = buffer_;
  const std::size_t end = end_;
  std::size_t pos = begin_;
  std::size_t window = pos - pos % kWindow;
  // The CRs of the window from pos on; those of stale bytes behind end are
  // passed over by the test of the line end against end.
  std::uint64_t crs = CrBits(buffer + window) >> (pos - window) << (pos - window);
  std::int32_t taken = 0;
  while (taken < most) {
    while (crs == 0) {
      window += kWindow;
      if (window >= end)
        break;
      crs = CrBits(buffer + window);
    }
    // No CR left before end gives window + 64 or more: past end, as a CR
    // there would be.
    const std::size_t cr = window + static_cast<std::size_t>(std::countr_zero(crs));
    if (cr + 1 >= end || cr - pos > kMaxLineKeep)
      break;
    taker.Take(std::string_view(buffer + pos, cr - pos));
    ++taken;
    pos = cr + (buffer[cr + 1] == '\n' ? 2 : 1);
    crs &= crs - 1;
  }
  begin_ = pos;
  return taken;
}

// A header name ("FROM: ", upper-cased) with what a case-blind comparison of
// a line's first eight bytes in one step needs: those bytes, their case bit
// set where the name has a letter, equal the name's bytes in lower case.
struct HeaderName {
  std::string_view upper;
  std::uint64_t lower = 0;     // the name's first eight bytes, letters in lower case
  std::uint64_t caseBits = 0;  // kAsciiCaseBit where the name has a letter
  std::uint64_t inName = 0;    // 0xFF where the name has a byte
};

constexpr std::size_t kWordBytes = sizeof(std::uint64_t);

constexpr HeaderName MakeHeaderName(std::string_view upper) {
  std::array<unsigned char, kWordBytes> lower{}, caseBits{}, inName{};
  for (std::size_t i = 0; i < upper.size() && i < kWordBytes; ++i) {
    lower[i] = static_cast<unsigned char>(AsciiLower(upper[i]));
    caseBits[i] = IsAsciiLetter(upper[i]) ? kAsciiCaseBit : 0;
    inName[i] = 0xFF;
  }
  return {upper, std::bit_cast<std::uint64_t>(lower), std::bit_cast<std::uint64_t>(caseBits),
          std::bit_cast<std::uint64_t>(inName)};
}

constexpr HeaderName kFrom = MakeHeaderName("FROM: ");
constexpr HeaderName kTo = MakeHeaderName("TO: ");
constexpr HeaderName kSubject = MakeHeaderName("SUBJECT: ");
constexpr HeaderName kDate = MakeHeaderName("DATE: ");

// True when line is header name with a value after it. Kept small enough to
// be inlined: most lines that are tried are not the header.
inline bool HasValue(std::string_view line, const HeaderName& name) {
  if (line.size() <= name.upper.size())
    return false;
  std::size_t checked = 0;
  if (line.size() >= kWordBytes) {
    std::uint64_t word;
    std::memcpy(&word, line.data(), kWordBytes);
    if (((word | name.caseBits) & name.inName) != name.lower)
      return false;
    checked = std::min(kWordBytes, name.upper.size());
  }
  for (std::size_t i = checked; i < name.upper.size(); ++i) {
    if (AsciiUpper(line[i]) != name.upper[i])
      return false;
  }
  return true;
}

// The value of header name in line; empty when the line is not that header
// (or gives no value).
std::string_view ValueOf(std::string_view line, const HeaderName& name) {
  return HasValue(line, name) ? line.substr(name.upper.size()) : std::string_view();
}

// Stores the value of header line, reusing the field's buffer. Apart from
// HasValue, so that the test, made on many lines, is inlined, and the store,
// made on few, is not.
std::string* StoreValue(std::string_view line, const HeaderName& name, std::string& field) {
  field.assign(line.substr(name.upper.size()));
  return &field;
}

inline void TakeDate(std::string_view line, DateTime& field) {
  if (HasValue(line, kDate))
    field = InternetDateToDate(line.substr(kDate.upper.size()));
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
  info.Reason.clear();
}

// The texts as people wrote them, once the lines are read.
void DecodeTexts(MessageInfo& info, std::string& scratch) {
  for (std::string* text : {&info.From, &info.To, &info.Subject, &info.To_In, &info.Sub_In})
    DecodeHeaderText(*text, scratch);
}

// Most lines of a message name none of the fields; their first letter says
// so without trying each name in turn. The letter comes with its case bit
// set, which makes its two cases one.
inline char FoldedFirstLetter(std::string_view line) {
  return static_cast<char>(static_cast<unsigned char>(line[0]) | kAsciiCaseBit);
}

// The field a line's value went into; nullptr when it named none (or a date).
inline std::string* TakeHeaderLine(std::string_view line, MessageInfo& info) {
  switch (FoldedFirstLetter(line)) {
    case 'f':
      if (HasValue(line, kFrom))
        return StoreValue(line, kFrom, info.From);
      break;
    case 't':
      if (HasValue(line, kTo))
        return StoreValue(line, kTo, info.To);
      break;
    case 's':
      if (HasValue(line, kSubject))
        return StoreValue(line, kSubject, info.Subject);
      break;
    case 'd':
      TakeDate(line, info.Date);
      break;
  }
  return nullptr;
}

inline std::string* TakeBodyLine(std::string_view line, MessageInfo& info) {
  if (line.size() <= kTo.upper.size())
    return nullptr;  // too short for any field's name and value, and empty lines
  switch (FoldedFirstLetter(line)) {
    case 't':
      if (HasValue(line, kTo))
        return StoreValue(line, kTo, info.To_In);
      break;
    case 's':
      if (HasValue(line, kSubject))
        return StoreValue(line, kSubject, info.Sub_In);
      break;
    case 'd':
      TakeDate(line, info.Date_In);
      break;
  }
  return nullptr;
}

// Takes a message's lines into its record: header fields before the first
// empty line, body fields after it. The continuation lines of a field taken
// (those that begin with a blank or a tab) are joined to its value, their
// line breaks dropped.
class FieldTaker {
 public:
  explicit FieldTaker(MessageInfo& info) : info_(info) {}
  void Take(std::string_view line) {
    if (open_ != nullptr && !line.empty() && IsAsciiBlank(line[0])) {
      open_->append(line);
    } else if (inBody_) {
      open_ = TakeBodyLine(line, info_);
    } else if (line.empty()) {
      inBody_ = true;
      open_ = nullptr;
    } else {
      open_ = TakeHeaderLine(line, info_);
    }
  }

 private:
  MessageInfo& info_;
  std::string* open_ = nullptr;  // the field the next continuation line goes on
  bool inBody_ = false;
};

// At most kMaxLines lines, counted in info.LL, and one more when the file
// has more. AtEnd reads the file on when the buffer runs dry; Next takes a
// line that does not lie whole in the buffer.
void ReadLines(HeadLines& lines, MessageInfo& info) {
  FieldTaker taker(info);
  std::int32_t count = 0;
  while (!lines.AtEnd()) {
    if (count == kMaxLines) {
      ++count;
      break;
    }
    const std::int32_t taken = lines.TakeWholeLines(taker, kMaxLines - count);
    count += taken;
    if (taken == 0) {
      ++count;
      taker.Take(lines.Next());
    }
  }
  info.LL = count;
}

std::int64_t ClampedSize(std::uint64_t length) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(length < kMax ? length : kMax);
}

}  // namespace

// Kept by the reader rather than per thread: a thread's own objects with
// destructors are unsafe in some runtimes (mingw-w64 frees their memory
// before it runs their destructors).
struct EntryReader::State {
  ScanFile file;
  HeadLines lines;
  std::string scratch;  // of the decoding
  ScanBatch batch;

  // Fills info (already reset) from the entry in folder; the kind of entry
  // it was.
  ScanFile::Kind ReadEntry(const ScanFolder& folder, const ListedEntry& entry, MessageInfo& info,
                           std::uint64_t& length) {
    ScanFile::Kind kind = file.Open(folder, entry, &batch);
    if (kind == ScanFile::Kind::Ordinary) {
      lines.Start(file);
      ReadLines(lines, info);
      DecodeTexts(info, scratch);
      ReadBounceReason(lines.Head(), info.Reason);
      kind = file.Settle();
      file.Close();
      if (kind != ScanFile::Kind::Ordinary)
        ResetRecord(info);  // what was read came from no message file
    }
    length = file.Size();
    // A file that is there but cannot be read (locked, say) still shows its size.
    if (kind == ScanFile::Kind::Ordinary || kind == ScanFile::Kind::Unreadable)
      info.Size = ClampedSize(length);
    return kind;
  }
};

EntryReader::EntryReader() : state_(std::make_unique<State>()) {}
EntryReader::~EntryReader() = default;

EntryOutcome EntryReader::Read(const ScanFolder& folder, const ListedEntry& entry,
                               MessageInfo& info) {
  ResetRecord(info);
  if (entry.sizeListed && entry.listedSize == 0)
    return EntryOutcome::Empty;  // known from the listing, without opening the file
  std::uint64_t length = 0;
  const ScanFile::Kind kind = state_->ReadEntry(folder, entry, info, length);
  if (kind == ScanFile::Kind::NotAFile)
    return EntryOutcome::NotAFile;
  if (!entry.sizeListed && length == 0 && kind != ScanFile::Kind::Gone)
    return EntryOutcome::Empty;
  return EntryOutcome::Message;
}

bool EntryReader::ReadAheadOf(const ScanFolder& folder,
                              std::span<const ListedEntry* const> entries) {
  return state_->batch.Start(folder, entries);
}

std::string HeaderValue(const std::string& line, const std::string& name) {
  std::string upperName = name;
  for (char& c : upperName)
    c = AsciiUpper(c);
  return std::string(ValueOf(line, MakeHeaderName(upperName)));
}

void ReadMessage(MessageInfo& info) {
  ResetRecord(info);
  if (info.FileName.empty())
    return;
  const std::size_t slash = info.FileName.find_last_of("\\/");
  if (slash == std::string::npos) {
    ReadMessage(info, FsPath(".", info.FileName));
    return;
  }
  ReadMessage(info, FsPath(info.FileName.substr(0, slash), info.FileName.substr(slash + 1)));
}

void ReadMessage(MessageInfo& info, const FsPath& file) {
  ResetRecord(info);
  const ScanFolder folder(file.folder);
  EntryReader reader;
  ListedEntry entry;
  entry.name = file.name;            // no listing: the entry is looked at when opened
  reader.Read(folder, entry, info);  // an empty file gives what it has: nothing
}

}  // namespace ndr
