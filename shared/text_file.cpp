#include "text_file.h"

#include <cstring>
#include <limits>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ndr {

namespace {

constexpr std::size_t kWriteBuffer = 64 * 1024;

std::FILE* OpenFile(const std::string& path, const char* mode, OsError* error) {
  std::FILE* file = std::fopen(NativePath(path).c_str(), mode);
  if (file == nullptr && error) {
    *error = LastOsError();
  }
  return file;
}

bool SyncToDisk(std::FILE* file) {
#ifdef _WIN32
  return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != 0;
#else
  return ::fsync(::fileno(file)) == 0;
#endif
}

}  // namespace

LineReader::~LineReader() {
  Close();
}

bool LineReader::Open(const std::string& path, OsError* error) {
  Close();
  file_ = OpenFile(path, "rb", error);
  if (file_ == nullptr) {
    return false;
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);  // reads go straight into buffer_
  return true;
}

#ifdef _WIN32
bool LineReader::OpenOrdinary(const std::string& path, std::uint64_t& length) {
  return OrdinaryFileLength(path, length) && Open(path);
}
#else
// Open first, then ask the open file: one path lookup instead of two.
bool LineReader::OpenOrdinary(const std::string& path, std::uint64_t& length) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  if (start < path.size() && path[start] == '.') {
    return false;  // a hidden file
  }
  if (!Open(path)) {
    return false;
  }
  struct stat info;
  if (::fstat(::fileno(file_), &info) != 0 || !S_ISREG(info.st_mode)) {
    Close();
    return false;
  }
  length = static_cast<std::uint64_t>(info.st_size);
  return true;
}
#endif

void LineReader::Close() {
  if (file_) {
    std::fclose(file_);
  }
  file_ = nullptr;
  begin_ = end_ = 0;
  eof_ = failed_ = midLine_ = false;
  error_ = OsError{};
}

bool LineReader::Fill() {
  if (file_ == nullptr || eof_ || failed_) {
    return false;
  }
  begin_ = end_ = 0;
  std::size_t got = std::fread(buffer_, 1, sizeof buffer_, file_);
  if (got == 0) {
    if (std::ferror(file_)) {
      failed_ = true;
      error_ = LastOsError();
    }
    eof_ = true;
    return false;
  }
  end_ = got;
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
    std::size_t available = end_ - begin_;
    const void* cr = std::memchr(start, '\r', available);
    std::size_t run =
        cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - start) : available;
    std::size_t room = maxBytes - taken;
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

bool LineWriter::Open(const std::string& path, OsError* error) {
  Close();
  failed_ = false;
  error_ = OsError{};
  file_ = OpenFile(path, "wb", error);
  if (file_ == nullptr) {
    return false;
  }
  std::setvbuf(file_, nullptr, _IOFBF, kWriteBuffer);
  return true;
}

bool LineWriter::Write(std::string_view bytes) {
  if (file_ == nullptr || failed_) {
    return false;
  }
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
    error_ = LastOsError();
    return false;
  }
  return true;
}

bool LineWriter::WriteLine(std::string_view line) {
  return Write(line) && Write("\r\n");
}

bool LineWriter::Close(OsError* error, bool durable) {
  if (file_ == nullptr) {
    return !failed_;
  }
  bool flushed = std::fflush(file_) == 0 && (!durable || SyncToDisk(file_));
  if (!flushed && !failed_) {
    failed_ = true;
    error_ = LastOsError();
  }
  if (std::fclose(file_) != 0 && !failed_) {
    failed_ = true;
    error_ = LastOsError();
  }
  file_ = nullptr;
  if (failed_ && error) {
    *error = error_;
  }
  return !failed_;
}

}  // namespace ndr
