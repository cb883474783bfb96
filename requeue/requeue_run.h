// One pass of ndr_Requeue over the bounce folder: every bounce that carries a
// copy of a sent message becomes a queue pair in the outgoing queue, and the
// bounce is deleted once its pair has left the bounce folder.
#pragma once

namespace ndr {

inline constexpr char kBounceFolder[] = "P:\\Diverido\\Mail\\~Bounces";
inline constexpr char kQueueFolder[] = "P:\\Diverido\\Mail\\Mailout";
inline constexpr char kPlaceholderQ0[] = "WWWWWW.q0";
inline constexpr char kPlaceholderQ1[] = "WWWWWW.q1";

// Runs the pass and returns the exit status: 0 after a normal run (also when
// another run is already working), 1 after a failure, which is reported as
// one line on standard error naming the file and the system's reason.
int RunRequeue();

}  // namespace ndr
