// The platform layer on Windows: the wide (UTF-16) forms of the calls, with
// every path in the long form, so that any name the file system holds can be
// listed and reached, whatever the code page and however long the path.
// Names and paths are UTF-8 inside the programs; wide_text.h converts.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "folder_listing.h"
#include "os_call_site.h"
#include "platform.h"
#include "wide_text.h"

namespace ndr {

using detail::OsCallSite;

// --- Errors -----------------------------------------------------------------------------

std::string OsError::Describe() const {
  wchar_t* text = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length = FormatMessageW(flags, nullptr, static_cast<DWORD>(code), 0,
                                      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result =
      length > 0 && text ? Utf8FromWide(std::wstring_view(text, length)) : std::string();
  LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  if (result.empty()) {
    result = "error " + std::to_string(code);
  }
  return result;
}

OsError LastOsError() {
  return OsError{static_cast<int>(GetLastError())};
}

bool IsNoSuchFile(const OsError& error) {
  return error.code == ERROR_FILE_NOT_FOUND || error.code == ERROR_PATH_NOT_FOUND ||
         error.code == ERROR_INVALID_NAME;
}

bool IsNameTaken(const OsError& error) {
  return error.code == ERROR_ALREADY_EXISTS || error.code == ERROR_FILE_EXISTS;
}

int OsFaultCode(OsFault fault) {
  switch (fault) {
    case OsFault::kNone:
      return 0;
    case OsFault::kNoSuchFile:
      return ERROR_FILE_NOT_FOUND;
    case OsFault::kAccessDenied:
      return ERROR_ACCESS_DENIED;
    case OsFault::kDiskFull:
      return ERROR_DISK_FULL;
    case OsFault::kNameExists:
      return ERROR_ALREADY_EXISTS;
    case OsFault::kIoError:
      return ERROR_IO_DEVICE;
  }
  return ERROR_IO_DEVICE;
}

[[noreturn]] void EndProcessNow(int exitStatus) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitStatus));
  ExitProcess(static_cast<UINT>(exitStatus));  // not reached
}

namespace detail {

void SetLastOsError(int code) {
  SetLastError(static_cast<DWORD>(code));
}

int LastOsErrorCode() {
  return static_cast<int>(GetLastError());
}

}  // namespace detail

namespace {

bool Fail(OsError* error) {
  if (error) {
    *error = LastOsError();
  }
  return false;
}

bool Map(const FsPath& path, std::string& native) {
  if (!path.name.empty() && !IsEntryName(path.name)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  native = NativePath(path);
  return true;
}

constexpr DWORD kNotOrdinary =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool Attributes(const FsPath& path, OsCall call, WIN32_FILE_ATTRIBUTE_DATA& data) {
  std::string native;
  if (!Map(path, native)) {
    return false;
  }
  OsCallSite site(call, native);
  if (site.Refused()) {
    return false;
  }
  return site.Done(
      GetFileAttributesExW(WideSystemPath(path).c_str(), GetFileExInfoStandard, &data) != 0);
}

std::uint64_t Length(const WIN32_FILE_ATTRIBUTE_DATA& data) {
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

HANDLE Handle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

// --- Paths ------------------------------------------------------------------------------------

bool IsEntryName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::string NativePath(const FsPath& path) {
  std::string native = detail::NativeFolder(path.folder, '\\');
  if (!path.name.empty()) {
    if (!native.empty() && native.back() != '\\' && native.back() != ':') {
      native += '\\';
    }
    native += path.name;
  }
  return native;
}

namespace {

// The folder made whole as the system makes a path whole (the current
// folder for a relative one, "." and ".." resolved, doubled separators
// dropped), which the long form no longer does.
std::wstring WholeFolder(const std::string& native) {
  const std::wstring wide = WideFromUtf8(native.empty() ? "." : native);
  std::wstring whole(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD length =
      GetFullPathNameW(wide.c_str(), static_cast<DWORD>(whole.size()), whole.data(), nullptr);
  if (length == 0 || length >= whole.size()) {
    return wide;  // the call on it fails and tells why
  }
  whole.resize(length);
  return whole;
}

// The long form is taken for every whole path, not only for those past the
// old limit: one rule, no count of characters that differs from call to call
// (a folder's limit is lower than a file's), and the system then reaches a
// listed name such as "x." or "x " as it is instead of trimming it.
std::wstring LongForm(std::wstring whole) {
  const std::wstring_view path = whole;
  if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) {
    return whole;  // already long, or a device
  }
  if (path.starts_with(L"\\\\")) {
    return L"\\\\?\\UNC\\" + whole.substr(2);
  }
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
    return L"\\\\?\\" + whole;
  }
  return whole;
}

}  // namespace

std::wstring WideSystemPath(const FsPath& path) {
  std::wstring wide = LongForm(WholeFolder(detail::NativeFolder(path.folder, '\\')));
  if (!path.name.empty()) {
    if (wide.empty() || wide.back() != L'\\') {
      wide += L'\\';
    }
    wide += WideFromUtf8(path.name);
  }
  return wide;
}

bool IsHiddenName(std::string_view) {
  return false;  // the hidden attribute says it
}

// --- Single calls -------------------------------------------------------------------------------

bool PathExists(const FsPath& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, OsCall::kExists, data);
}

bool OrdinaryFileExists(const FsPath& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, OsCall::kExists, data) && (data.dwFileAttributes & kNotOrdinary) == 0;
}

bool FolderExists(const FsPath& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, OsCall::kExists, data) &&
         (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool OrdinaryFileLength(const FsPath& path, std::uint64_t& length) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, OsCall::kSize, data) || (data.dwFileAttributes & kNotOrdinary) != 0) {
    return false;
  }
  length = Length(data);
  return true;
}

bool FileLength(const FsPath& path, std::uint64_t& length, OsError* error) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, OsCall::kSize, data)) {
    return Fail(error);
  }
  length = Length(data);
  return true;
}

namespace {

// One call on one path through the seam: systemCall(native) tells success.
template <typename SystemCall>
bool PathCall(OsCall call, const FsPath& path, OsError* error, SystemCall systemCall) {
  std::string native;
  if (!Map(path, native)) {
    return Fail(error);
  }
  OsCallSite site(call, native);
  if (site.Refused()) {
    return Fail(error);
  }
  return site.Done(systemCall(WideSystemPath(path).c_str())) || Fail(error);
}

}  // namespace

bool RemoveFile(const FsPath& path, OsError* error) {
  return PathCall(OsCall::kUnlink, path, error,
                  [](const wchar_t* wide) { return DeleteFileW(wide) != 0; });
}

bool CreateFolder(const FsPath& path, OsError* error) {
  return PathCall(OsCall::kMakeFolder, path, error,
                  [](const wchar_t* wide) { return CreateDirectoryW(wide, nullptr) != 0; });
}

bool MoveNoReplace(const FsPath& from, const FsPath& to, OsError* error) {
  std::string nativeFrom, nativeTo;
  if (!Map(from, nativeFrom) || !Map(to, nativeTo)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kRename, nativeFrom, nativeTo);
  if (site.Refused()) {
    return Fail(error);
  }
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists;
  // MOVEFILE_WRITE_THROUGH returns only once the move is on disk.
  return site.Done(MoveFileExW(WideSystemPath(from).c_str(), WideSystemPath(to).c_str(),
                               MOVEFILE_WRITE_THROUGH) != 0) ||
         Fail(error);
}

bool SyncFolder(const FsPath& folder, OsError* error) {
  std::string native;
  if (!Map(folder, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kSyncFolder, native);
  if (site.Refused()) {
    return Fail(error);
  }
  const DWORD attributes = GetFileAttributesW(WideSystemPath(folder).c_str());
  const bool isFolder =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (attributes != INVALID_FILE_ATTRIBUTES && !isFolder) {
    SetLastError(ERROR_DIRECTORY);
  }
  return site.Done(isFolder) || Fail(error);
}

bool SecondLinkIn(const FsPath&, const std::string&, std::string&) {
  return false;
}

bool FlushVolume(const FsPath& folder, OsError* error) {
  std::string native;
  if (!Map(folder, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kSyncVolume, native);
  if (site.Refused()) {
    return Fail(error);
  }
  const DWORD attributes = GetFileAttributesW(WideSystemPath(folder).c_str());
  return site.Done(attributes != INVALID_FILE_ATTRIBUTES) || Fail(error);
}

// A folder's read-only attribute does not stop new files; only trying tells
// whether the folder's permissions do.
bool FolderTakesFiles(const FsPath& folder, OsError* error) {
  std::string native;
  if (!Map(folder, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kExists, native);
  if (site.Refused()) {
    return Fail(error);
  }
  const DWORD attributes = GetFileAttributesW(WideSystemPath(folder).c_str());
  const bool isFolder =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (attributes != INVALID_FILE_ATTRIBUTES && !isFolder) {
    SetLastError(ERROR_DIRECTORY);
  }
  return site.Done(isFolder) || Fail(error);
}

HeldFile::HeldFile(HeldFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), native_(std::move(other.native_)) {}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, -1);
    native_ = std::move(other.native_);
  }
  return *this;
}

bool HeldFile::Open(const FsPath& path, OsError* error) {
  Release();
  std::string native;
  if (!Map(path, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kOpenRead, native);
  if (site.Refused()) {
    return Fail(error);
  }
  // Others may read it; nobody may write, rename or delete it meanwhile.
  HANDLE handle = CreateFileW(WideSystemPath(path).c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  BY_HANDLE_FILE_INFORMATION info;
  bool proven = handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info) != 0;
  if (proven && (info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    proven = false;
    SetLastError(ERROR_FILE_READ_ONLY);
  }
  if (!proven && handle != INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    CloseHandle(handle);
    SetLastError(code);
  }
  const auto opened = proven ? reinterpret_cast<std::intptr_t>(handle) : std::intptr_t{-1};
  if (!site.Done(proven, opened)) {
    return Fail(error);
  }
  handle_ = opened;
  native_ = native;
  return true;
}

// Through the held handle: exactly the file that was looked at goes, as its
// last handle closes.
bool HeldFile::Delete(OsError* error) {
  if (handle_ == -1) {
    SetLastError(ERROR_INVALID_HANDLE);
    return Fail(error);
  }
  OsCallSite site(OsCall::kUnlink, native_);
  bool deleted = false;
  if (!site.Refused()) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    deleted = site.Done(SetFileInformationByHandle(Handle(handle_), FileDispositionInfo,
                                                   &disposition, sizeof disposition) != 0);
  }
  const OsError reason = LastOsError();
  Release();
  if (!deleted && error) {
    *error = reason;
  }
  return deleted;
}

void HeldFile::Release() {
  if (handle_ != -1) {
    OsCallSite site(OsCall::kClose, handle_);
    site.Refused();  // the handle goes whatever the outcome
    site.Done(CloseHandle(Handle(handle_)) != 0);
  }
  handle_ = -1;
}

// --- Open files
// ------------------------------------------------------------------------------------

bool OsFile::Open(const FsPath& path, Mode mode, OsError* error) {
  Close();
  std::string native;
  if (!Map(path, native)) {
    return Fail(error);
  }
  DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
  OsCall call = OsCall::kOpenRead;
  switch (mode) {
    case Mode::kRead:
      break;
    case Mode::kWriteTruncate:
      access = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      call = OsCall::kOpenWrite;
      break;
    case Mode::kWriteNew:
      access = GENERIC_WRITE;
      disposition = CREATE_NEW;
      call = OsCall::kOpenNew;
      break;
  }
  OsCallSite site(call, native);
  if (site.Refused()) {
    return Fail(error);
  }
  HANDLE handle = CreateFileW(WideSystemPath(path).c_str(), access,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  const auto value = reinterpret_cast<std::intptr_t>(handle);
  if (!site.Done(handle != INVALID_HANDLE_VALUE, value)) {
    return Fail(error);
  }
  handle_ = value;
  return true;
}

bool OsFile::OpenOrdinary(const FsPath& path, std::uint64_t& length, OsError* error) {
  if (!Open(path, Mode::kRead, error)) {
    return false;
  }
  OsCallSite site(OsCall::kSize, handle_);
  BY_HANDLE_FILE_INFORMATION info;
  const bool known =
      !site.Refused() && site.Done(GetFileInformationByHandle(Handle(handle_), &info) != 0);
  if (!known || (info.dwFileAttributes & kNotOrdinary) != 0) {
    if (known) {
      SetLastError(ERROR_FILE_NOT_FOUND);  // not an ordinary file
    }
    const OsError reason = LastOsError();
    Close();
    if (error) {
      *error = reason;
    }
    return false;
  }
  length = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  return true;
}

std::ptrdiff_t OsFile::Read(void* buffer, std::size_t size, OsError* error) {
  OsCallSite site(OsCall::kRead, handle_, size);
  if (site.Refused()) {
    Fail(error);
    return -1;
  }
  DWORD got = 0;
  const auto ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!site.Done(ReadFile(Handle(handle_), buffer, ask, &got, nullptr) != 0)) {
    Fail(error);
    return -1;
  }
  return static_cast<std::ptrdiff_t>(got);
}

bool OsFile::Write(const void* data, std::size_t size, OsError* error) {
  OsCallSite site(OsCall::kWrite, handle_, size, data);
  if (site.Refused()) {
    return Fail(error);
  }
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < size) {
    DWORD written = 0;
    const auto ask = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    ok = WriteFile(Handle(handle_), bytes + done, ask, &written, nullptr) != 0;
    if (ok && written == 0) {
      SetLastError(ERROR_DISK_FULL);
      ok = false;
    }
    done += written;
  }
  return site.Done(ok) || Fail(error);
}

bool OsFile::Sync(OsError* error) {
  OsCallSite site(OsCall::kSync, handle_);
  if (site.Refused()) {
    return Fail(error);
  }
  return site.Done(FlushFileBuffers(Handle(handle_)) != 0) || Fail(error);
}

bool OsFile::Close(OsError* error) {
  if (handle_ == -1) {
    return true;
  }
  const std::intptr_t handle = handle_;
  handle_ = -1;
  OsCallSite site(OsCall::kClose, handle);
  if (site.Refused()) {
    CloseHandle(Handle(handle));  // the handle goes whatever the outcome
    return Fail(error);
  }
  return site.Done(CloseHandle(Handle(handle)) != 0) || Fail(error);
}

// --- Folder listing ------------------------------------------------------------------------------

namespace {

struct FindState {
  HANDLE handle;
  WIN32_FIND_DATAW record;
  bool pending;  // the record holds an entry not yet handed out
};

}  // namespace

bool FolderReader::Open(const FsPath& folder, OsError* error) {
  Close();
  failed_ = false;
  error_ = OsError{};
  std::string native;
  if (!Map(folder, native)) {
    return Fail(error);
  }
  OsCallSite site(OsCall::kListOpen, native);
  if (site.Refused()) {
    return Fail(error);
  }
  // Every name, matched by the caller: the system's own pattern matching
  // would also match the short 8.3 names (*.cnm finds x.cnmx).
  auto* state = new FindState{};
  std::wstring pattern = WideSystemPath(folder);
  if (pattern.empty() || pattern.back() != L'\\') {
    pattern += L'\\';
  }
  state->handle = FindFirstFileW((pattern += L'*').c_str(), &state->record);
  if (!site.Done(state->handle != INVALID_HANDLE_VALUE)) {
    const bool empty = GetLastError() == ERROR_FILE_NOT_FOUND;  // a folder without entries
    delete state;
    if (empty) {
      state_ = nullptr;
      return true;
    }
    return Fail(error);
  }
  state->pending = true;
  state_ = state;
  return true;
}

bool FolderReader::Next(FindEntry& entry) {
  if (state_ == nullptr || failed_) {
    return false;
  }
  auto* state = static_cast<FindState*>(state_);
  OsCallSite site(OsCall::kListNext, reinterpret_cast<std::intptr_t>(state->handle));
  if (site.Refused()) {
    failed_ = true;
    error_ = LastOsError();
    return false;
  }
  for (;;) {
    if (!state->pending && !FindNextFileW(state->handle, &state->record)) {
      failed_ = GetLastError() != ERROR_NO_MORE_FILES;
      error_ = LastOsError();
      site.Done(!failed_);
      return false;
    }
    state->pending = false;
    const WIN32_FIND_DATAW& record = state->record;
    std::string name =
        RTrimNull(Utf8FromWide(std::wstring_view(record.cFileName, std::size(record.cFileName))));
    if (name == "." || name == "..") {
      continue;
    }
    entry.cFileName = std::move(name);
    entry.dwFileAttributes = record.dwFileAttributes;
    entry.nFileSizeHigh = record.nFileSizeHigh;
    entry.nFileSizeLow = record.nFileSizeLow;
    site.Done(true);
    return true;
  }
}

void FolderReader::Close() {
  if (state_ != nullptr) {
    auto* state = static_cast<FindState*>(state_);
    FindClose(state->handle);
    delete state;
  }
  state_ = nullptr;
}

// --- The run lock
// ---------------------------------------------------------------------------------

namespace {

// Mutex names may not hold backslashes and are at most MAX_PATH long: one
// spelling for every case, and a longer path shortened to its end and a hash
// (FNV-1a) of the whole.
std::wstring LockName(const std::string& native) {
  std::wstring path = WideFromUtf8(LowerCase(native));
  std::replace(path.begin(), path.end(), L'\\', L'/');
  constexpr std::size_t kKept = MAX_PATH - 64;
  if (path.size() > kKept) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t unit : path) {
      hash = (hash ^ static_cast<std::uint16_t>(unit)) * 1099511628211ull;
    }
    path = std::to_wstring(hash) + L"~" + path.substr(path.size() - kKept);
  }
  return L"ndr_FolderLock:" + path;
}

}  // namespace

FolderLock::Outcome FolderLock::TryTake(const FsPath& folder, OsError* error) {
  Release();
  std::string native;
  if (!Map(folder, native)) {
    Fail(error);
    return Outcome::kFailed;
  }
  OsCallSite site(OsCall::kLock, native);
  if (site.Refused()) {
    Fail(error);
    return Outcome::kFailed;
  }
  HANDLE mutex = CreateMutexW(nullptr, FALSE, LockName(native).c_str());
  if (mutex == nullptr) {
    const bool held = GetLastError() == ERROR_ACCESS_DENIED;  // another user's run holds it
    site.Done(false);
    Fail(error);
    return held ? Outcome::kHeldElsewhere : Outcome::kFailed;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    SetLastError(ERROR_ALREADY_EXISTS);
    site.Done(false);
    Fail(error);
    return Outcome::kHeldElsewhere;
  }
  site.Done(true);
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
  return Outcome::kTaken;
}

void FolderLock::Release() {
  if (handle_ != -1) {
    CloseHandle(Handle(handle_));
  }
  handle_ = -1;
}

// --- Processes
// ---------------------------------------------------------------------------------------

bool StartProgram(const ProgramLaunch& launch, OsError* error) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = WideFromUtf8(launch.commandLine);  // CreateProcessW may write into it
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return Fail(error);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

std::string OwnProgramFolder() {
  std::wstring buffer(32768, L'\0');  // the longest path the system has
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size() - 1));
  const std::string path =
      Utf8FromWide(std::wstring_view(buffer.data(), std::min<std::size_t>(length, buffer.size())));
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

void WriteStandardError(const std::string& text) {
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0, mode = 0;
  // A console shows UTF-16 whatever its code page; a pipe or a file gets the
  // UTF-8 bytes.
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = WideFromUtf8(text);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace ndr

#endif  // _WIN32
