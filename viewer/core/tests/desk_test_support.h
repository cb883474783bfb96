// Folder trees of message files for the desk tests, addressed the way the
// programs write paths (P:\... or a native temporary folder).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform.h"
#include "wide_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace ndr::test {

// Paths are UTF-8; a narrow path on Windows would be taken in the code page.
inline std::filesystem::path Native(const std::string& path) {
#ifdef _WIN32
  return WideFromUtf8(NativePath(path));
#else
  return NativePath(path);
#endif
}

inline void FreshFolder(const std::string& path) {
  std::filesystem::remove_all(Native(path));
  std::filesystem::create_directories(Native(path));
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(Native(path), std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

// A file the reader must not see: a dot name on POSIX, the hidden attribute
// on Windows. Returns its name.
inline std::string WriteHidden(const std::string& folder, const std::string& bytes) {
#ifdef _WIN32
  const std::string name = "secret.cnm";
  WriteBytes(folder + "\\" + name, bytes);
  SetFileAttributesW(Native(folder + "\\" + name).c_str(), FILE_ATTRIBUTE_HIDDEN);
#else
  const std::string name = ".secret.cnm";
  WriteBytes(folder + "\\" + name, bytes);
#endif
  return name;
}

// A bounce with its own header and the header of the message it returns.
inline std::string Bounce(const std::string& subject, const std::string& date = "",
                          const std::string& innerTo = "alice@example.org") {
  std::string text = "From: MAILER-DAEMON@mx.example.net\r\nTo: remailer@example.com\r\n";
  text += "Subject: " + subject + "\r\n";
  if (!date.empty())
    text += "Date: " + date + "\r\n";
  text += "\r\nThe message could not be delivered.\r\n\r\n";
  text += "To: " + innerTo + "\r\nSubject: Re: hello\r\n\r\nbody\r\n";
  return text;
}

// A unique folder below the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::random_device seed;
    path_ = (std::filesystem::temp_directory_path() /
             ("ndr-desk-" + std::to_string(seed()) + "-" + std::to_string(seed())))
                .string();
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace ndr::test
