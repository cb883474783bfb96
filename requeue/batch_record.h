// The record of one batch of ndr_Requeue, written and flushed before the
// first pair of the batch moves into the queue: for each bounce, the file that
// was read, where its pair is staged and the name it takes in the queue. A run
// cut off anywhere leaves the record; the next run settles from it which
// pairs reached the queue, so that each message is queued exactly once.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform.h"

namespace ndr {

struct BatchEntry {
  std::size_t index = 0;   // the staged pair's number in the bounce folder
  std::string queueBase;   // the pair's base in the queue
  std::string identity;    // HeldFile::Identity of the bounce that was read
  std::string bounceName;  // the bounce's name, bytes as they are
};

// Writes the record; durable flushes the file to the disk before it closes.
bool WriteBatchRecord(const FsPath& path, const std::vector<BatchEntry>& entries, bool durable,
                      OsError& error);

enum class RecordRead { kMissing, kComplete, kTorn, kFailed };
// Reads a record. kTorn: it was cut off before it was whole, so no pair of
// its batch has moved. kFailed: it could not be read (error tells why).
RecordRead ReadBatchRecord(const FsPath& path, std::vector<BatchEntry>& entries, OsError& error);

}  // namespace ndr
