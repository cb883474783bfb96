#include "text_file.h"

#include <cstring>
#include <limits>

namespace ndr {

namespace {

constexpr std::size_t kWriteBuffer = 64 * 1024;

}  // namespace

LineReader::~LineReader() {
  Close();
}

bool LineReader::Open(const FsPath& path, OsError* error) {
  Close();
  return file_.Open(path, OsFile::Mode::kRead, error);
}

bool LineReader::OpenOrdinary(const FsPath& path, std::uint64_t& length) {
  Close();
  return file_.OpenOrdinary(path, length);
}

void LineReader::Close() {
  file_.Close();
  begin_ = end_ = 0;
  eof_ = failed_ = midLine_ = false;
  error_ = OsError{};
}

bool LineReader::Fill() {
  if (!file_.IsOpen() || eof_ || failed_) {
    return false;
  }
  begin_ = end_ = 0;
  const std::ptrdiff_t got = file_.Read(buffer_, sizeof buffer_, &error_);
  if (got <= 0) {
    failed_ = got < 0;
    eof_ = true;
    return false;
  }
  end_ = static_cast<std::size_t>(got);
  return true;
}

bool LineReader::AtEnd() {
  return begin_ == end_ && !Fill();
}

// Passes up to maxBytes bytes of the current line to out (dropped when out is
// null); true when the line ended, its CR or CR LF consumed.
bool LineReader::Take(std::string* out, std::size_t maxBytes, std::size_t& taken) {
  taken = 0;
  for (;;) {
    if (begin_ == end_ && !Fill()) {
      midLine_ = false;
      return true;
    }
    const char* start = buffer_ + begin_;
    const std::size_t available = end_ - begin_;
    const void* cr = std::memchr(start, '\r', available);
    const std::size_t run =
        cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - start) : available;
    const std::size_t room = maxBytes - taken;
    if (run > room) {
      if (out) {
        out->append(start, room);
      }
      begin_ += room;
      taken += room;
      midLine_ = true;
      return false;
    }
    if (out) {
      out->append(start, run);
    }
    begin_ += run;
    taken += run;
    if (cr) {
      ++begin_;
      if (begin_ < end_ || Fill()) {
        if (buffer_[begin_] == '\n') {
          ++begin_;
        }
      }
      midLine_ = false;
      return true;
    }
  }
}

bool LineReader::ReadChunk(std::string& chunk, std::size_t maxBytes, bool& lineEnded) {
  chunk.clear();
  if (!midLine_ && AtEnd()) {
    lineEnded = true;
    return false;
  }
  std::size_t taken;
  lineEnded = Take(&chunk, maxBytes, taken);
  return true;
}

bool LineReader::ReadLine(std::string& line, std::size_t maxKeep, bool* truncated) {
  line.clear();
  if (truncated) {
    *truncated = false;
  }
  if (!midLine_ && AtEnd()) {
    return false;
  }
  std::size_t taken;
  if (!Take(&line, maxKeep, taken)) {
    std::size_t skipped;
    Take(nullptr, std::numeric_limits<std::size_t>::max(), skipped);
    if (truncated) {
      *truncated = skipped > 0;
    }
  }
  return true;
}

LineWriter::~LineWriter() {
  Close();
}

bool LineWriter::OpenAs(const FsPath& path, OsFile::Mode mode, OsError* error) {
  Close();
  failed_ = false;
  error_ = OsError{};
  buffer_.clear();
  buffer_.reserve(kWriteBuffer);
  return file_.Open(path, mode, error);
}

bool LineWriter::Open(const FsPath& path, OsError* error) {
  return OpenAs(path, OsFile::Mode::kWriteTruncate, error);
}

bool LineWriter::OpenNew(const FsPath& path, OsError* error) {
  return OpenAs(path, OsFile::Mode::kWriteNew, error);
}

// Keeps the first failure for the report.
bool LineWriter::Remember(bool succeeded, const OsError& reason) {
  if (!succeeded && !failed_) {
    failed_ = true;
    error_ = reason;
  }
  return !failed_;
}

bool LineWriter::Flush() {
  if (buffer_.empty() || failed_) {
    return !failed_;
  }
  OsError reason;
  const bool written = file_.Write(buffer_.data(), buffer_.size(), &reason);
  buffer_.clear();
  return Remember(written, reason);
}

bool LineWriter::Write(std::string_view bytes) {
  if (!file_.IsOpen() || failed_) {
    return false;
  }
  if (buffer_.size() + bytes.size() > kWriteBuffer && !Flush()) {
    return false;
  }
  if (bytes.size() >= kWriteBuffer) {
    OsError reason;
    return Remember(file_.Write(bytes.data(), bytes.size(), &reason), reason);
  }
  buffer_.append(bytes);
  return true;
}

bool LineWriter::WriteLine(std::string_view line) {
  return Write(line) && Write("\r\n");
}

bool LineWriter::Sync(OsError* error) {
  if (!file_.IsOpen()) {
    return false;
  }
  OsError reason;
  if (Flush()) {
    Remember(file_.Sync(&reason), reason);
  }
  if (failed_ && error) {
    *error = error_;
  }
  return !failed_;
}

bool LineWriter::Close(OsError* error) {
  if (!file_.IsOpen()) {
    return !failed_;
  }
  Flush();
  OsError reason;
  Remember(file_.Close(&reason), reason);
  buffer_.clear();
  if (failed_ && error) {
    *error = error_;
  }
  return !failed_;
}

}  // namespace ndr
