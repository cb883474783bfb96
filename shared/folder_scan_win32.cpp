// The folder scan's file work on Windows.
#ifdef _WIN32

#include <windows.h>

#include <iterator>
#include <string_view>

#include "folder_listing.h"
#include "folder_scan.h"
#include "os_call_site.h"
#include "platform.h"
#include "wide_text.h"

namespace ndr {

using detail::OsCallSite;

namespace {

struct FindState {
  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW entry;
  bool pending = false;  // entry holds the first result, not yet returned
  std::wstring prefix;   // the folder as the wide calls take it, with its backslash
};

constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// Opened, these may be something else than the listing shows: looked at.
constexpr DWORD kLinkOrDevice = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

std::uint64_t Join(DWORD high, DWORD low) {
  return (std::uint64_t{high} << 32) | low;
}

}  // namespace

ScanFolder::ScanFolder(const std::string& folder) : native_(NativePath(FsPath(folder))) {
  native_ += '\\';
  auto* state = new FindState;
  state_ = state;
  state->prefix = WideSystemPath(FsPath(folder, "*"));
  state->prefix.pop_back();
  OsCallSite site(OsCall::kListOpen, native_);
  if (site.Refused())
    return;
  state->handle = FindFirstFileW((state->prefix + L"*").c_str(), &state->entry);
  state->pending = site.Done(state->handle != INVALID_HANDLE_VALUE);
  if (!state->pending)
    Stop(LastOsError());
}

ScanFolder::~ScanFolder() {
  auto* state = static_cast<FindState*>(state_);
  if (state->handle != INVALID_HANDLE_VALUE)
    FindClose(state->handle);
  delete state;
}

bool ScanFolder::Next(ListedEntry& listed) {
  auto* state = static_cast<FindState*>(state_);
  if (state->handle == INVALID_HANDLE_VALUE)
    return false;
  for (;;) {
    if (!state->pending) {
      OsCallSite site(OsCall::kListNext, reinterpret_cast<std::intptr_t>(state->handle));
      if (site.Refused() || !site.Done(FindNextFileW(state->handle, &state->entry) != 0)) {
        Stop(LastOsError());
        return false;
      }
    }
    state->pending = false;
    const WIN32_FIND_DATAW& entry = state->entry;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      continue;
    listed.name =
        RTrimNull(Utf8FromWide(std::wstring_view(entry.cFileName, std::size(entry.cFileName))));
    listed.sizeListed = true;
    listed.listedSize = Join(entry.nFileSizeHigh, entry.nFileSizeLow);
    listed.listedOrdinary = (entry.dwFileAttributes & (kNotOrdinary | kLinkOrDevice)) == 0;
    return true;
  }
}

// No batch here: Windows offers no ring for opens (ScanBatch::Start batches
// nothing).
ScanFile::Kind ScanFile::Open(const ScanFolder& folder, const ListedEntry& entry,
                              ScanBatch* /*batch*/) {
  Reset();
  if (!IsEntryName(entry.name))
    return kind_ = Kind::Gone;
  const std::string& path = path_.assign(folder.native_).append(entry.name);
  // Readers open entries of one folder at once: the wide path is this call's.
  const std::wstring wide =
      static_cast<const FindState*>(folder.state_)->prefix + WideFromUtf8(entry.name);
  OsCallSite site(OsCall::kOpenRead, path);
  HANDLE handle = site.Refused()
                      ? INVALID_HANDLE_VALUE
                      : CreateFileW(wide.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (site.Done(handle != INVALID_HANDLE_VALUE, reinterpret_cast<std::intptr_t>(handle)))
    return Opened(reinterpret_cast<std::intptr_t>(handle), entry.listedOrdinary);
  // Not opened (locked by another program, say): what the folder tells.
  OsCallSite sizeSite(OsCall::kSize, path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (sizeSite.Refused() ||
      !sizeSite.Done(GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) != 0)) {
    return kind_ = Kind::Gone;
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return kind_ = Kind::NotAFile;
  size_ = Join(data.nFileSizeHigh, data.nFileSizeLow);
  kind_ = (data.dwFileAttributes & kNotOrdinary) != 0 ? Kind::NotOrdinary : Kind::Unreadable;
  return kind_;
}

ScanFile::Kind ScanFile::LookAtOpenFile() {
  if (handle_ == -1)
    return Kind::Unreadable;
  OsCallSite sizeSite(OsCall::kSize, handle_);
  BY_HANDLE_FILE_INFORMATION info;
  if (sizeSite.Refused() ||
      !sizeSite.Done(GetFileInformationByHandle(reinterpret_cast<HANDLE>(handle_), &info) != 0)) {
    Close();
    return Kind::Unreadable;
  }
  size_ = Join(info.nFileSizeHigh, info.nFileSizeLow);
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | kNotOrdinary)) == 0)
    return Kind::Ordinary;
  Close();
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::NotAFile
                                                                 : Kind::NotOrdinary;
}

std::ptrdiff_t ScanFile::Read(char* buffer, std::size_t capacity) {
  if (handle_ == -1)
    return -1;
  OsCallSite site(OsCall::kRead, handle_, capacity);
  if (site.Refused())
    return -1;
  const DWORD want = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
  DWORD got = 0;
  if (!site.Done(ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, want, &got, nullptr) != 0))
    return -1;
  CountRead(static_cast<std::ptrdiff_t>(got), want);
  return static_cast<std::ptrdiff_t>(got);
}

void ScanFile::Close() {
  if (handle_ != -1) {
    OsCallSite site(OsCall::kClose, handle_);
    if (!site.Refused())
      site.Done(CloseHandle(reinterpret_cast<HANDLE>(handle_)) != 0);
  }
  handle_ = -1;
}

}  // namespace ndr

#endif  // _WIN32
