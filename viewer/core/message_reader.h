// Reads the header fields of one message file, as the grid shows them:
// folded values unfolded, encoded words decoded, every text UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "date_time.h"
#include "platform.h"

namespace ndr {

struct MessageInfo {
  std::string FileName;   // full path; set by the caller
  std::int64_t Size = 0;  // bytes, from the file system
  DateTime Date;          // the bounce's own last "Date: "
  std::string From;
  std::string To;
  std::string Subject;
  std::int32_t LL = 0;  // lines read, 0 to 71 (71: more than 70)
  std::string To_In;    // last "To: " of the body within the first 70 lines
  std::string Sub_In;
  DateTime Date_In;
  // Why a bounce came back ("5.1.1 unknown-user: ..."); "" for other files.
  std::string Reason;
};

// Fills info from the file info.FileName names; every field but FileName is
// overwritten. Never fails: what cannot be read stays empty.
void ReadMessage(MessageInfo& info);
// The same, reading the file that path names, for a file whose name came from
// a listing: info.FileName is then only what the grid shows.
void ReadMessage(MessageInfo& info, const FsPath& file);

class ScanFolder;
struct ListedEntry;

// What the folder scan makes of one listed entry.
enum class EntryOutcome {
  Message,  // a row: info holds what ReadMessage would give
  Empty,    // a file of length 0: counted, no row
  NotAFile  // a folder or a link to nothing after all: passed over
};

// ReadMessage for the entries of an open folder, as the scan reads them: the
// empty-file test takes the listing's length where the listing gave one
// (sizeListed), else the open file's. info.FileName is the caller's and is
// left as it is. One reader per thread: it keeps its open file and its line
// buffer from entry to entry.
class EntryReader {
 public:
  EntryReader();
  ~EntryReader();
  EntryReader(const EntryReader&) = delete;
  EntryReader& operator=(const EntryReader&) = delete;

  EntryOutcome Read(const ScanFolder& folder, const ListedEntry& entry, MessageInfo& info);
  // Opens and reads the heads of the next entries at once where the system
  // allows (ScanBatch); Read then takes each of them from there. The
  // entries stay in place until read. False when nothing was batched.
  bool ReadAheadOf(const ScanFolder& folder, std::span<const ListedEntry* const> entries);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The value of header name ("From: ", with its colon and blank) when line is
// such a header line, matched without regard to case; else "".
std::string HeaderValue(const std::string& line, const std::string& name);

}  // namespace ndr
