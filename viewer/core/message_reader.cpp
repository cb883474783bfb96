#include "message_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

#include "ascii.h"
#include "folder_scan.h"
#include "internet_time.h"
#include "platform.h"

namespace ndr {

namespace {

constexpr std::int32_t kMaxLines = 70;
// A file with LF-only line ends is one line however large it is; only this
// much of a line is kept, far beyond any header line worth showing.
constexpr std::size_t kMaxLineKeep = 64 * 1024;
// One read takes the whole head of a usual message.
constexpr std::size_t kChunk = 16 * 1024;

// Upper-cased, so that only the line's letters need folding.
constexpr std::string_view kFrom = "FROM: ";
constexpr std::string_view kTo = "TO: ";
constexpr std::string_view kSubject = "SUBJECT: ";
constexpr std::string_view kDate = "DATE: ";

// The lines of an open file, cut in place in one reused buffer: a line is a
// view into the buffer, valid until the next call. A line ends at CR or CR
// LF; a LF alone is part of the line.
class HeadLines {
 public:
  void Start(ScanFile& file) {
    file_ = &file;
    begin_ = end_ = 0;
    eof_ = skipLf_ = false;
  }
  // True when no further line can be read.
  bool AtEnd() { return (begin_ == end_ || skipLf_) && !Available(); }
  // The usual line lies whole in the buffer, its CR LF too.
  bool Next(std::string_view& line) {
    if (begin_ < end_ && !skipLf_) {
      const char* start = buffer_ + begin_;
      const auto* cr = static_cast<const char*>(std::memchr(start, '\r', end_ - begin_));
      if (cr != nullptr && cr + 1 < buffer_ + end_ && cr - start <= std::ptrdiff_t{kMaxLineKeep}) {
        line = std::string_view(start, static_cast<std::size_t>(cr - start));
        begin_ += line.size() + (cr[1] == '\n' ? 2 : 1);
        return true;
      }
    }
    return NextSlowly(line);
  }

 private:
  bool NextSlowly(std::string_view& line);
  bool Available();
  void Fill();
  void SkipRestOfLine(std::size_t kept);

  ScanFile* file_ = nullptr;
  // A kept line's start plus one chunk read behind it.
  char buffer_[kMaxLineKeep + kChunk];
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
  bool skipLf_ = false;  // the last line ended at a CR: a LF next belongs to it
};

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

bool HeadLines::NextSlowly(std::string_view& line) {
  if (!Available())
    return false;
  std::size_t searched = begin_;
  for (;;) {
    const void* cr = std::memchr(buffer_ + searched, '\r', end_ - searched);
    if (cr != nullptr || eof_) {
      const std::size_t stop =
          cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - buffer_) : end_;
      line = std::string_view(buffer_ + begin_, std::min(stop - begin_, kMaxLineKeep));
      begin_ = cr ? stop + 1 : end_;
      skipLf_ = cr != nullptr;
      return true;
    }
    // The line goes on behind the buffer: move its start to the front.
    const std::size_t have = end_ - begin_;
    std::memmove(buffer_, buffer_ + begin_, have);
    begin_ = 0;
    end_ = searched = have;
    if (have >= kMaxLineKeep) {
      SkipRestOfLine(kMaxLineKeep);
      line = std::string_view(buffer_, kMaxLineKeep);
      return true;
    }
    Fill();
  }
}

// The value of header name in line; empty when the line is not that header
// (or gives no value).
std::string_view ValueOf(std::string_view line, std::string_view upperName) {
  if (line.size() < upperName.size())
    return {};
  for (std::size_t i = 0; i < upperName.size(); ++i) {
    if (AsciiUpper(line[i]) != upperName[i])
      return {};
  }
  return line.substr(upperName.size());
}

// Stores the value when the line is that header, reusing the field's buffer.
void TakeText(std::string_view line, std::string_view name, std::string& field) {
  const std::string_view value = ValueOf(line, name);
  if (!value.empty())
    field.assign(value);
}

void TakeDate(std::string_view line, DateTime& field) {
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
char FirstLetter(std::string_view line) {
  return line.empty() ? '\0' : AsciiUpper(line[0]);
}

void TakeHeaderLine(std::string_view line, MessageInfo& info) {
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

void TakeBodyLine(std::string_view line, MessageInfo& info) {
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
// passed). False at the end of the file or at the limit.
bool NextLine(HeadLines& lines, MessageInfo& info, std::string_view& line) {
  if (lines.AtEnd())
    return false;
  if (++info.LL > kMaxLines)
    return false;
  return lines.Next(line);
}

void ReadLines(HeadLines& lines, MessageInfo& info) {
  std::string_view line;
  while (NextLine(lines, info, line)) {
    if (line.empty()) {
      while (NextLine(lines, info, line))
        TakeBodyLine(line, info);
      return;
    }
    TakeHeaderLine(line, info);
  }
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

  // Fills info (already reset) from the entry in folder; the kind of entry
  // it was.
  ScanFile::Kind ReadEntry(const ScanFolder& folder, const ListedEntry& entry, MessageInfo& info,
                           std::uint64_t& length) {
    ScanFile::Kind kind = file.Open(folder, entry);
    if (kind == ScanFile::Kind::Ordinary) {
      lines.Start(file);
      ReadLines(lines, info);
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

std::string HeaderValue(const std::string& line, const std::string& name) {
  std::string upperName = name;
  for (char& c : upperName)
    c = AsciiUpper(c);
  return std::string(ValueOf(line, upperName));
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
