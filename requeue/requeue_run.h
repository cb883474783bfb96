// One pass of ndr_Requeue over the bounce folder: every bounce that carries a
// copy of a sent message becomes a queue pair in the outgoing queue, and the
// bounce is deleted once its pair is in the queue and on the disk. Each
// message is queued exactly once, across kills and power cuts: a record of
// each batch (batch_record.h) lets the next run finish what a run left.
#pragma once

#include <cstddef>

namespace ndr {

inline constexpr char kBounceFolder[] = "P:\\Diverido\\Mail\\~Bounces";
inline constexpr char kQueueFolder[] = "P:\\Diverido\\Mail\\Mailout";
inline constexpr char kPlaceholderQ0[] = "WWWWWW.q0";
inline constexpr char kPlaceholderQ1[] = "WWWWWW.q1";

// Bounces committed together: a batch costs four flushes of the volume (its
// staged pairs, its record, its moves, its deletes), whatever its size.
inline constexpr std::size_t kRequeueBatch = 256;

// Runs the pass and returns the exit status: 0 when nothing was reported
// (also when another run is already working), 1 when anything was. Each
// failure is one line on standard error naming the file or folder and the
// system's reason. A failure of one bounce leaves that bounce in place and
// the run goes on; a failure of a folder ends the run.
int RunRequeue(std::size_t batchSize = kRequeueBatch);

}  // namespace ndr
