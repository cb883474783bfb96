// The parts of the platform layer that are the same on every platform: the
// seam's dispatch state, the usual hook, and drive path mapping.
#include "platform.h"

#include <algorithm>

#include "ndr_config.h"
#include "os_call_site.h"

namespace ndr {

// --- The seam -------------------------------------------------------------------

namespace detail {

std::atomic<OsCallHook*> gOsCallHook{nullptr};

bool OsCallSite::Ask() {
  const OsFault fault = hook_->Before(info_);
  if (fault == OsFault::kNone) {
    return false;
  }
  hook_->After(info_, false);
  SetLastOsError(OsFaultCode(fault));
  return true;
}

void OsCallSite::Tell(bool succeeded, std::intptr_t openedFile) {
  const int code = LastOsErrorCode();
  info_.file = openedFile != -1 ? openedFile : info_.file;
  hook_->After(info_, succeeded);
  SetLastOsError(code);
}

}  // namespace detail

void SetOsCallHook(OsCallHook* hook) {
  detail::gOsCallHook.store(hook, std::memory_order_seq_cst);
}

OsCallHook* CurrentOsCallHook() {
  return detail::gOsCallHook.load(std::memory_order_seq_cst);
}

const char* OsCallName(OsCall call) {
  static constexpr const char* kNames[kOsCallKinds] = {
      "list-open", "list-next", "open-read",   "open-write",  "open-new",    "read",
      "write",     "sync",      "close",       "size",        "exists",      "rename",
      "link",      "unlink",    "make-folder", "sync-folder", "sync-volume", "lock"};
  return kNames[static_cast<int>(call)];
}

const char* OsFaultName(OsFault fault) {
  switch (fault) {
    case OsFault::kNone:
      return "none";
    case OsFault::kNoSuchFile:
      return "no such file";
    case OsFault::kAccessDenied:
      return "access denied";
    case OsFault::kDiskFull:
      return "disk full";
    case OsFault::kNameExists:
      return "name exists";
    case OsFault::kIoError:
      return "I/O error";
    case OsFault::kNotSupported:
      return "not supported";
  }
  return "?";
}

OsFault OsCallScript::Before(const OsCallInfo&) {
  ++calls_;
  if (killed_) {
    return OsFault::kIoError;  // a frozen disk: nothing reaches it any more
  }
  if (calls_ == failAt) {
    injected_ = true;
    return fault;
  }
  return OsFault::kNone;
}

void OsCallScript::After(const OsCallInfo&, bool) {
  if (killed_ || killAfter == 0 || calls_ != killAfter) {
    return;
  }
  killed_ = true;
  if (killMode == KillMode::kEndProcess) {
    EndProcessNow(kKilledExitStatus);
  }
}

// --- Moves by link then unlink ---------------------------------------------------------

namespace {

thread_local LinkMoveBatch* gLinkMoveBatch = nullptr;

// A native path as its folder and its entry, so that the name is used as it
// is (a POSIX name may hold "\\").
FsPath SplitNative(const std::string& native) {
  const std::size_t slash = native.find_last_of(kNativeSeparator);
  return slash == std::string::npos ? FsPath(".", native)
                                    : FsPath(native.substr(0, slash), native.substr(slash + 1));
}

}  // namespace

LinkMoveBatch::LinkMoveBatch() : previous_(gLinkMoveBatch) {
  gLinkMoveBatch = this;
}

LinkMoveBatch::~LinkMoveBatch() {
  Commit();
  gLinkMoveBatch = previous_;
}

bool LinkMoveBatch::Commit(OsError* error) {
  std::vector<std::pair<std::string, std::string>> moves;
  moves.swap(moves_);
  std::string flushed;
  for (const auto& move : moves) {
    const std::string folder = SplitNative(move.second).folder;
    if (folder != flushed && !FlushVolume(FsPath(folder), error)) {
      return false;  // both names stay: the next run finishes the moves
    }
    flushed = folder;
  }
  bool removed = true;
  for (const auto& move : moves) {
    OsError reason;
    if (!RemoveFile(SplitNative(move.first), &reason) && removed) {
      removed = false;
      if (error) {
        *error = reason;
      }
    }
  }
  return removed;
}

bool DeferUnlink(const std::string& oldName, const std::string& newName) {
  LinkMoveBatch* batch = gLinkMoveBatch;
  if (batch == nullptr) {
    return false;
  }
  batch->moves_.emplace_back(oldName, newName);
  if (batch->moves_.size() >= LinkMoveBatch::kLinkMoveBatch) {
    batch->Commit();
  }
  return true;
}

bool ForgetDeferredMove(const std::string& oldName, const std::string& newName) {
  LinkMoveBatch* batch = gLinkMoveBatch;
  if (batch == nullptr) {
    return false;
  }
  const auto found =
      std::find(batch->moves_.begin(), batch->moves_.end(), std::make_pair(oldName, newName));
  if (found == batch->moves_.end()) {
    return false;
  }
  batch->moves_.erase(found);
  return true;
}

// --- Paths ----------------------------------------------------------------------------

std::string_view FsPath::LastPart() const {
  if (!name.empty()) {
    return name;
  }
  const std::string_view path = folder;
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {

std::string& MappedLetters() {
  static std::string letters;
  return letters;
}

std::string& DriveRootStorage() {
#ifdef _WIN32
  static std::string root;
#else
  static std::string root = NDR_DRIVES;
#endif
  return root;
}

}  // namespace

void SetDriveRoot(std::string root, std::string letters) {
  DriveRootStorage() = std::move(root);
  MappedLetters() = std::move(letters);
}

const std::string& DriveRoot() {
  return DriveRootStorage();
}

namespace detail {

// The folder part in the system's form: separators made native, and a drive
// path X:\rest placed below the drive root when there is one.
std::string NativeFolder(const std::string& folder, char separator) {
  std::string native = folder;
  for (char& c : native) {
    if (c == '\\' || c == '/') {
      c = separator;
    }
  }
  const bool isDrivePath = native.size() >= 2 && native[1] == ':' && IsAsciiLetter(native[0]);
  const std::string& root = DriveRoot();
  const std::string& letters = MappedLetters();
  if (!isDrivePath || root.empty() ||
      (!letters.empty() && letters.find(AsciiUpper(native[0])) == std::string::npos)) {
    return native;
  }
  std::string rest = native.substr(2);
  if (!rest.empty() && rest.front() != separator) {
    rest.insert(rest.begin(), separator);
  }
#ifdef _WIN32
  const std::string drive(1, AsciiLower(native[0]));  // a colon may not be in a name
#else
  const std::string drive = {AsciiLower(native[0]), ':'};
#endif
  return root + separator + drive + rest;
}

}  // namespace detail

}  // namespace ndr
