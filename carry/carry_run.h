// One pass of ndr_Carry: moves the bounces that the local mail client
// collected into the bounce folder's "Local" subfolder, never replacing a file.
#pragma once

namespace ndr {

inline constexpr char kMailboxFolder[] = "P:\\Pmail\\Mail\\_Bounces";
inline constexpr char kLocalFolder[] = "P:\\Diverido\\Mail\\~Bounces\\Local";

// Runs the pass; returns the exit status, 0: files that cannot move stay in
// the mailbox silently and are tried again by the next run.
int RunCarry();

}  // namespace ndr
