#include "batch_record.h"

#include <cstdio>

#include "text_file.h"

namespace ndr {

namespace {

constexpr char kFirstLine[] = "ndr_Requeue batch";
constexpr char kLastLine[] = "end ";
constexpr std::size_t kLongestLine = 4096;

// A name may hold any byte, line ends and blanks too: written as hex.
std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

bool FromHex(const std::string& hex, std::string& bytes) {
  bytes.clear();
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    unsigned value = 0;
    if (std::sscanf(hex.c_str() + i, "%2x", &value) != 1) {
      return false;
    }
    bytes += static_cast<char>(value);
  }
  return hex.size() % 2 == 0 && !bytes.empty();
}

bool ParseEntry(const std::string& line, BatchEntry& entry) {
  char base[64], identity[256], name[1024];
  unsigned long index = 0;
  if (std::sscanf(line.c_str(), "%lu %63s %255s %1023s", &index, base, identity, name) != 4) {
    return false;
  }
  entry.index = index;
  entry.queueBase = base;
  entry.identity = identity;
  return FromHex(name, entry.bounceName);
}

}  // namespace

bool WriteBatchRecord(const FsPath& path, const std::vector<BatchEntry>& entries, bool durable,
                      OsError& error) {
  LineWriter writer;
  if (!writer.Open(path, &error)) {
    return false;
  }
  bool written = writer.WriteLine(kFirstLine);
  for (const BatchEntry& entry : entries) {
    written = written && writer.WriteLine(std::to_string(entry.index) + " " + entry.queueBase +
                                          " " + entry.identity + " " + Hex(entry.bounceName));
  }
  written = written && writer.WriteLine(kLastLine + std::to_string(entries.size()));
  written = written && (!durable || writer.Sync(&error));
  if (!writer.Close(&error) || !written) {
    error = written ? error : writer.Error();
    return false;
  }
  return true;
}

RecordRead ReadBatchRecord(const FsPath& path, std::vector<BatchEntry>& entries, OsError& error) {
  entries.clear();
  LineReader reader;
  if (!reader.Open(path, &error)) {
    return IsNoSuchFile(error) ? RecordRead::kMissing : RecordRead::kFailed;
  }
  std::string line;
  bool first = true, ended = false;
  while (!ended && reader.ReadLine(line, kLongestLine)) {
    BatchEntry entry;
    if (first) {
      first = false;
      if (line != kFirstLine) {
        return RecordRead::kTorn;
      }
    } else if (line.rfind(kLastLine, 0) == 0) {
      ended = line == kLastLine + std::to_string(entries.size());
    } else if (ParseEntry(line, entry)) {
      entries.push_back(entry);
    } else {
      break;
    }
  }
  if (reader.Failed()) {
    error = reader.Error();
    return RecordRead::kFailed;
  }
  return ended ? RecordRead::kComplete : RecordRead::kTorn;
}

}  // namespace ndr
