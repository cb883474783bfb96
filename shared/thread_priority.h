// Threads that help in the background without taking the processor from
// the thread they help. Part of the platform layer (thread_priority.cpp).
#pragma once

#include <cstdint>

namespace ndr {

// Puts the calling thread, and only it, at the lowest priority the system
// gives without privileges, for as long as it runs. Where that cannot be
// done it stays as it was: the thread then only competes more.
void MakeThisThreadBackground();

// How often the calling thread has given up its processor to wait (for a
// disk, a lock, a sleep) since it started; -1 where the system does not
// count it. A thread that was merely kept waiting for a processor does not
// count.
std::int64_t ThisThreadWaitCount();

}  // namespace ndr
