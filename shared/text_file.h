// Line-oriented reading and writing of message files. A line ends at CR or at
// CR LF; a LF alone is part of the line. Bytes are taken as they are. Every
// written line ends with CR LF. Memory stays bounded whatever the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform.h"

namespace ndr {

class LineReader {
 public:
  LineReader() = default;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool Open(const FsPath& path, OsError* error = nullptr);
  // Opens path only when it is an ordinary file (see OrdinaryFileExists) and
  // gives its length, with as few looks at the file system as the platform
  // allows: a folder scan opens every file this way.
  bool OpenOrdinary(const FsPath& path, std::uint64_t& length);
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }
  // True when no further line can be read.
  bool AtEnd();
  // Reads the next line into line, keeping at most maxKeep bytes of it and
  // skipping the rest; truncated tells whether bytes were skipped. False at
  // the end of the file (or on a read error, see Failed).
  bool ReadLine(std::string& line, std::size_t maxKeep, bool* truncated = nullptr);
  // Reads the next piece of the current line, at most maxBytes bytes, into
  // chunk, so that a line of any length can be passed on in bounded memory.
  // lineEnded tells whether the piece ends its line (the line end is consumed;
  // the end of the file also ends a line). A line that is empty, or whose
  // bytes were all taken already, gives an empty piece with lineEnded set.
  // False when no line is left.
  bool ReadChunk(std::string& chunk, std::size_t maxBytes, bool& lineEnded);
  bool Failed() const { return failed_; }
  const OsError& Error() const { return error_; }

 private:
  bool Fill();
  bool Take(std::string* out, std::size_t maxBytes, std::size_t& taken);
  OsFile file_;
  char buffer_[64 * 1024];
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false, failed_ = false;
  bool midLine_ = false;  // part of the current line is still unread
  OsError error_;
};

class LineWriter {
 public:
  LineWriter() = default;
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Creates the file or truncates an existing one.
  bool Open(const FsPath& path, OsError* error = nullptr);
  // Creates the file; fails when the name is taken.
  bool OpenNew(const FsPath& path, OsError* error = nullptr);
  bool WriteLine(std::string_view line);  // the text, then CR LF
  bool Write(std::string_view bytes);     // the bytes as they are
  // Hands the buffered bytes to the system and flushes the file to the disk.
  bool Sync(OsError* error = nullptr);
  bool Close(OsError* error = nullptr);  // flushes; reports a late failure
  bool IsOpen() const { return file_.IsOpen(); }
  const OsError& Error() const { return error_; }

 private:
  bool OpenAs(const FsPath& path, OsFile::Mode mode, OsError* error);
  bool Flush();
  bool Remember(bool succeeded, const OsError& reason);
  OsFile file_;
  std::string buffer_;
  bool failed_ = false;
  OsError error_;
};

}  // namespace ndr
