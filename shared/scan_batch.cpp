// The batched opens and reads of a folder scan: an io_uring on Linux,
// nothing elsewhere.
#include "folder_scan.h"

#if defined(__linux__)

#include <linux/io_uring.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>

#include "folder_scan_posix.h"
#include "os_call_site.h"

namespace ndr {

using detail::OsCallSite;

namespace {

// The opens of a batch and the closes of the one before it.
constexpr unsigned kRingEntries = 2 * ScanBatch::kMostFiles;
// A read the ring has not finished in this long waits for something other
// than a disk (a pipe put in a listed file's place waits for a writer): it
// is called off, and the plain call reads the file.
constexpr std::chrono::milliseconds kReadPatience{200};

enum class Op : std::uint64_t { kOpen = 1, kRead, kClose, kCallOff };

std::uint64_t Tag(Op op, std::size_t index) {
  return static_cast<std::uint64_t>(op) << 32 | index;
}
Op TagOp(std::uint64_t tag) {
  return static_cast<Op>(tag >> 32);
}
std::size_t TagIndex(std::uint64_t tag) {
  return static_cast<std::size_t>(tag & 0xFFFFFFFFu);
}

int RingSetup(unsigned entries, io_uring_params& params) {
  return static_cast<int>(::syscall(__NR_io_uring_setup, entries, &params));
}

}  // namespace

// The ring's two queues, mapped from the kernel. Only its thread uses it.
struct ScanBatch::Ring {
  int fd = -1;
  void* queues = MAP_FAILED;
  std::size_t queuesSize = 0;
  io_uring_sqe* sqes = static_cast<io_uring_sqe*>(MAP_FAILED);
  std::size_t sqesSize = 0;
  unsigned* sqHead = nullptr;
  unsigned* sqTail = nullptr;
  unsigned sqMask = 0;
  unsigned* cqHead = nullptr;
  unsigned* cqTail = nullptr;
  unsigned cqMask = 0;
  io_uring_cqe* cqes = nullptr;
  unsigned queued = 0;       // filled, not yet handed to the kernel
  unsigned unsubmitted = 0;  // handed over, not yet taken by it

  static std::unique_ptr<Ring> Make();
  ~Ring();
  io_uring_sqe& Add(std::uint64_t tag);
  // Submits what is queued and hands each completion to take(tag, result)
  // until `expected` have come. With patience, what has not come in time is
  // called off (callOff(tag) for each outstanding read) and waited for.
  // False when the kernel failed the ring: completions may still be due.
  template <typename OnDone, typename CallOff>
  bool Run(unsigned expected, OnDone&& take, bool patient, CallOff&& callOff);

 private:
  void Publish();
  int Enter(unsigned toSubmit, unsigned waitFor, const __kernel_timespec* timeout);
  unsigned Reap(const auto& take);
};

std::unique_ptr<ScanBatch::Ring> ScanBatch::Ring::Make() {
  io_uring_params params{};
  // One thread submits and waits: the kernel may then save its own work.
  params.flags = IORING_SETUP_SINGLE_ISSUER | IORING_SETUP_DEFER_TASKRUN;
  int fd = RingSetup(kRingEntries, params);
  if (fd < 0 && errno == EINVAL) {
    params = io_uring_params{};
    fd = RingSetup(kRingEntries, params);  // an older kernel
  }
  if (fd < 0)
    return nullptr;  // no rings here (an old kernel, or refused by policy)
  auto ring = std::make_unique<Ring>();
  ring->fd = fd;
  // Timed waits, and reads at the file's position: without them, no batch.
  constexpr unsigned kNeeded = IORING_FEAT_SINGLE_MMAP | IORING_FEAT_EXT_ARG;
  if ((params.features & kNeeded) != kNeeded)
    return nullptr;
  ring->queuesSize = std::max(params.sq_off.array + params.sq_entries * sizeof(unsigned),
                              params.cq_off.cqes + params.cq_entries * sizeof(io_uring_cqe));
  ring->queues = ::mmap(nullptr, ring->queuesSize, PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_POPULATE, fd, IORING_OFF_SQ_RING);
  ring->sqesSize = params.sq_entries * sizeof(io_uring_sqe);
  void* sqes = ::mmap(nullptr, ring->sqesSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE,
                      fd, IORING_OFF_SQES);
  ring->sqes = static_cast<io_uring_sqe*>(sqes);
  if (ring->queues == MAP_FAILED || sqes == MAP_FAILED)
    return nullptr;
  char* const queues = static_cast<char*>(ring->queues);
  ring->sqHead = reinterpret_cast<unsigned*>(queues + params.sq_off.head);
  ring->sqTail = reinterpret_cast<unsigned*>(queues + params.sq_off.tail);
  ring->sqMask = *reinterpret_cast<unsigned*>(queues + params.sq_off.ring_mask);
  ring->cqHead = reinterpret_cast<unsigned*>(queues + params.cq_off.head);
  ring->cqTail = reinterpret_cast<unsigned*>(queues + params.cq_off.tail);
  ring->cqMask = *reinterpret_cast<unsigned*>(queues + params.cq_off.ring_mask);
  ring->cqes = reinterpret_cast<io_uring_cqe*>(queues + params.cq_off.cqes);
  auto* order = reinterpret_cast<unsigned*>(queues + params.sq_off.array);
  for (unsigned i = 0; i < params.sq_entries; ++i)
    order[i] = i;
  return ring;
}

ScanBatch::Ring::~Ring() {
  if (sqes != MAP_FAILED)
    ::munmap(sqes, sqesSize);
  if (queues != MAP_FAILED)
    ::munmap(queues, queuesSize);
  if (fd >= 0)
    ::close(fd);
}

io_uring_sqe& ScanBatch::Ring::Add(std::uint64_t tag) {
  const unsigned tail = *sqTail + queued++;
  io_uring_sqe& sqe = sqes[tail & sqMask];
  std::memset(&sqe, 0, sizeof sqe);
  sqe.user_data = tag;
  return sqe;
}

void ScanBatch::Ring::Publish() {
  if (queued == 0)
    return;
  std::atomic_ref<unsigned>(*sqTail).store(*sqTail + queued, std::memory_order_release);
  unsubmitted += queued;
  queued = 0;
}

int ScanBatch::Ring::Enter(unsigned toSubmit, unsigned waitFor, const __kernel_timespec* timeout) {
  io_uring_getevents_arg arg{};
  arg.sigmask_sz = _NSIG / 8;
  arg.ts = reinterpret_cast<std::uint64_t>(timeout);
  return static_cast<int>(::syscall(__NR_io_uring_enter, fd, toSubmit, waitFor,
                                    IORING_ENTER_GETEVENTS | IORING_ENTER_EXT_ARG, &arg,
                                    sizeof arg));
}

unsigned ScanBatch::Ring::Reap(const auto& take) {
  unsigned head = *cqHead, reaped = 0;
  const unsigned tail = std::atomic_ref<unsigned>(*cqTail).load(std::memory_order_acquire);
  for (; head != tail; ++head, ++reaped) {
    const io_uring_cqe& cqe = cqes[head & cqMask];
    take(cqe.user_data, cqe.res);
  }
  std::atomic_ref<unsigned>(*cqHead).store(head, std::memory_order_release);
  return reaped;
}

template <typename OnDone, typename CallOff>
bool ScanBatch::Ring::Run(unsigned expected, OnDone&& take, bool patient, CallOff&& callOff) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + kReadPatience;
  unsigned done = 0;
  bool calledOff = !patient;
  while (done < expected) {
    Publish();
    __kernel_timespec wait{};
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
    wait.tv_nsec = std::max<std::int64_t>(left.count(), 0);
    const int entered = Enter(unsubmitted, expected - done, calledOff ? nullptr : &wait);
    if (entered >= 0) {
      unsubmitted -= std::min(static_cast<unsigned>(entered), unsubmitted);
    } else if (errno != EINTR && errno != EAGAIN && errno != EBUSY && errno != ETIME) {
      // What the kernel did not take is taken back; what it took still runs.
      *sqTail = *sqHead;
      unsubmitted = 0;
      return false;
    }
    done += Reap(take);
    if (done < expected && !calledOff && Clock::now() >= deadline) {
      calledOff = true;
      expected += callOff();
    }
  }
  return true;
}

ScanBatch::ScanBatch() = default;

ScanBatch::~ScanBatch() {
  CloseHeld();
}

void ScanBatch::CloseHeld() {
  for (std::size_t i = 0; i < count_; ++i) {
    Head& head = heads_[i];
    if (head.file < 0)
      continue;
    OsCallSite site(OsCall::kClose, head.file);
    if (!site.Refused())
      site.Done(::close(static_cast<int>(head.file)) == 0);
    head.file = -1;
  }
  count_ = 0;
}

const ScanBatch::Head* ScanBatch::Take(const ListedEntry& entry) {
  for (std::size_t i = 0; i < count_; ++i) {
    if (heads_[i].entry == &entry) {
      heads_[i].entry = nullptr;
      return &heads_[i];
    }
  }
  return nullptr;
}

bool ScanBatch::Start(const ScanFolder& folder, std::span<const ListedEntry* const> entries) {
  if (!Ready() || folder.handle_ < 0 || entries.size() > kMostFiles) {
    CloseHeld();
    return false;
  }
  return (OpenHeads(folder, entries) && ReadHeads()) || Fail();
}

// The ring and the buffers, made at the first batch; false when the system
// has refused a ring.
bool ScanBatch::Ready() {
  if (ring_ == nullptr && !refused_) {
    ring_ = Ring::Make();
    refused_ = ring_ == nullptr;
    if (ring_ != nullptr) {
      heads_ = std::make_unique<Head[]>(kMostFiles);
      bytes_ = std::make_unique_for_overwrite<char[]>(kMostFiles * kHeadBytes);
    }
  }
  return ring_ != nullptr;
}

// Closes the files of the last batch and opens this one's, in one
// submission; false when the kernel failed the ring.
bool ScanBatch::OpenHeads(const ScanFolder& folder, std::span<const ListedEntry* const> entries) {
  Ring& ring = *ring_;
  std::array<std::optional<OsCallSite>, kMostFiles> closes;
  for (std::size_t i = 0; i < count_; ++i) {
    const std::intptr_t file = std::exchange(heads_[i].file, -1);
    if (file < 0)
      continue;
    closes[i].emplace(OsCall::kClose, file);
    if (closes[i]->Refused())
      continue;  // as the plain close: the file is let go
    io_uring_sqe& sqe = ring.Add(Tag(Op::kClose, i));
    sqe.opcode = IORING_OP_CLOSE;
    sqe.fd = static_cast<int>(file);
  }

  std::array<std::optional<OsCallSite>, kMostFiles> opens;
  count_ = entries.size();
  for (std::size_t i = 0; i < count_; ++i) {
    const ListedEntry& entry = *entries[i];
    Head& head = heads_[i] = Head{};
    if (!entry.listedOrdinary || !IsEntryName(entry.name) || IsHiddenName(entry.name))
      continue;  // looked at before it is opened, or not opened: the plain calls
    head.entry = &entry;
    head.bytes = bytes_.get() + i * kHeadBytes;
    paths_[i].assign(folder.native_).append(entry.name);
    opens[i].emplace(OsCall::kOpenRead, paths_[i]);
    if (opens[i]->Refused()) {
      head.openError = detail::LastOsErrorCode();
      continue;
    }
    io_uring_sqe& sqe = ring.Add(Tag(Op::kOpen, i));
    sqe.opcode = IORING_OP_OPENAT;
    sqe.fd = static_cast<int>(folder.handle_);
    sqe.addr = reinterpret_cast<std::uint64_t>(entry.name.c_str());
    sqe.open_flags = detail::kScanOpenFlags;
  }
  const auto tookOpen = [&](std::uint64_t tag, int result) {
    const std::size_t i = TagIndex(tag);
    if (result < 0)
      detail::SetLastOsError(-result);
    if (TagOp(tag) == Op::kClose) {
      closes[i]->Done(result == 0);
    } else if (TagOp(tag) == Op::kOpen) {
      heads_[i].file = result >= 0 ? result : -1;
      heads_[i].openError = result >= 0 ? 0 : -result;
      opens[i]->Done(result >= 0, result);
    }
  };
  return ring.Run(ring.queued, tookOpen, false, [] { return 0u; });
}

// Reads the head of each file opened, in one submission; false when the
// kernel failed the ring.
bool ScanBatch::ReadHeads() {
  Ring& ring = *ring_;
  std::array<std::optional<OsCallSite>, kMostFiles> reads;
  std::array<bool, kMostFiles> reading{};
  for (std::size_t i = 0; i < count_; ++i) {
    Head& head = heads_[i];
    if (head.file < 0)
      continue;
    reads[i].emplace(OsCall::kRead, head.file, kHeadBytes);
    if (reads[i]->Refused()) {
      head.readRan = true;
      head.readError = detail::LastOsErrorCode();
      continue;
    }
    io_uring_sqe& sqe = ring.Add(Tag(Op::kRead, i));
    sqe.opcode = IORING_OP_READ;
    sqe.fd = static_cast<int>(head.file);
    sqe.addr = reinterpret_cast<std::uint64_t>(head.bytes);
    sqe.len = kHeadBytes;
    sqe.off = 0;
    reading[i] = true;
  }
  const auto tookRead = [&](std::uint64_t tag, int result) {
    if (TagOp(tag) != Op::kRead)
      return;  // a call-off's own completion
    const std::size_t i = TagIndex(tag);
    Head& head = heads_[i];
    reading[i] = false;
    if (result < 0)
      detail::SetLastOsError(-result);
    reads[i]->Done(result >= 0);
    // Called off, or not made for now: the plain read makes it.
    head.readRan = result != -ECANCELED && result != -EINTR && result != -EAGAIN;
    head.got = result >= 0 ? result : -1;
    head.readError = result >= 0 ? 0 : -result;
  };
  const auto callOff = [&] {
    unsigned calls = 0;
    for (std::size_t i = 0; i < count_; ++i) {
      if (!reading[i])
        continue;
      io_uring_sqe& sqe = ring.Add(Tag(Op::kCallOff, i));
      sqe.opcode = IORING_OP_ASYNC_CANCEL;
      sqe.addr = Tag(Op::kRead, i);
      ++calls;
    }
    return calls;
  };
  return ring.Run(ring.queued, tookRead, true, callOff);
}

// The kernel failed the ring itself: no more batches. Files it opened stay
// held until closed; buffers it may still fill are never freed.
bool ScanBatch::Fail() {
  (void)ring_.release();
  (void)bytes_.release();
  refused_ = true;
  CloseHeld();
  return false;
}

}  // namespace ndr

#else  // no rings: every file is opened and read on its own

namespace ndr {

struct ScanBatch::Ring {};

ScanBatch::ScanBatch() = default;
ScanBatch::~ScanBatch() = default;

bool ScanBatch::Start(const ScanFolder&, std::span<const ListedEntry* const>) {
  return false;
}

const ScanBatch::Head* ScanBatch::Take(const ListedEntry&) {
  return nullptr;
}

void ScanBatch::CloseHeld() {}

bool ScanBatch::Fail() {
  return false;
}

}  // namespace ndr

#endif
