// Threads that help in the background without taking the processor from
// the thread they help. Part of the platform layer (thread_priority.cpp).
#pragma once

namespace ndr {

// Puts the calling thread, and only it, at the lowest priority the system
// gives without privileges, for as long as it runs. Where that cannot be
// done it stays as it was: the thread then only competes more.
void MakeThisThreadBackground();

}  // namespace ndr
