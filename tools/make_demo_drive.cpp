// Lays a demo drive P: of realistic mail folders, below the drives folder
// given as its argument, for trying the viewer and the batch programs:
// bounces of several kinds in the first remailer's bounce folder and its
// Wait, Errors and Local subfolders, queue pairs, empty files, a second
// remailer, and the local mail client's bounce mailbox.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform.h"
#include "sample_bounces.h"
#include "sample_mail.h"

namespace {

using ndr::samples::MakeBounce;
using ndr::samples::MixedBounceOptions;

bool MakeFolders(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) {
    ndr::OsError error;
    if (!ndr::FolderExists(folder) && !ndr::CreateFolder(folder, &error)) {
      std::fprintf(stderr, "make_demo_drive: cannot create %s: %s\n",
                   ndr::NativePath(folder).c_str(), error.Describe().c_str());
      return false;
    }
  }
  return true;
}

// On Linux the drive is a folder that may not exist yet.
bool MakeDrive() {
  std::error_code error;
  std::filesystem::create_directories(ndr::NativePath("P:\\"), error);
  if (error) {
    std::fprintf(stderr, "make_demo_drive: cannot create drive P: at %s: %s\n",
                 ndr::NativePath("P:\\").c_str(), error.message().c_str());
  }
  return !error;
}

// A name like those the mail server gives its message files.
std::string MessageName(std::uint64_t seed, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "%08llX%s",
                static_cast<unsigned long long>((seed * 2654435761u) & 0xffffffffu), extension);
  return name;
}

bool Write(const std::string& path, const std::string& bytes) {
  if (ndr::samples::WriteSampleFile(path, bytes)) {
    return true;
  }
  std::fprintf(stderr, "make_demo_drive: cannot write %s\n", ndr::NativePath(path).c_str());
  return false;
}

// count bounces of the realistic mix, plus a few ordinary messages.
// The returned mail of the common mail servers, each kind of line end in
// turn: the Reason column shows every class.
bool AddServerBounces(const std::string& folder) {
  static constexpr ndr::samples::LineEnd kEnds[] = {
      ndr::samples::LineEnd::kCrLf, ndr::samples::LineEnd::kLf, ndr::samples::LineEnd::kCr};
  int index = 0;
  for (const ndr::samples::LabelledBounce& bounce : ndr::samples::LabelledBounces()) {
    const std::string name = folder + "\\NDR" + std::to_string(100 + index) + ".CNM";
    if (!Write(name, ndr::samples::WithLineEnds(bounce.text, kEnds[index % 3])))
      return false;
    ++index;
  }
  return true;
}

bool FillWithBounces(const std::string& folder, std::uint64_t firstSeed, int count) {
  for (int i = 0; i < count; ++i) {
    const std::uint64_t seed = firstSeed + static_cast<std::uint64_t>(i);
    const std::size_t size = 1500 + (seed * 7919) % 9000;
    const std::string bytes = (i % 17 == 16)
                                  ? ndr::samples::MakeMessage(seed, size)
                                  : MakeBounce(seed, MixedBounceOptions(seed, size)).bytes;
    if (!Write(folder + "\\" + MessageName(seed, ".CNM"), bytes)) {
      return false;
    }
  }
  return true;
}

bool AddQueuePair(const std::string& folder, const std::string& base, std::uint64_t seed) {
  const ndr::samples::QueuePair pair = ndr::samples::MakeQueuePair(seed);
  return Write(folder + "\\" + base + ".q0", pair.q0) &&
         Write(folder + "\\" + base + ".q1", pair.q1);
}

}  // namespace

// The drives folder is named on the command line, never taken from the
// build's settings: the demo lays its drive only where it is told to.
int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: make_demo_drive DRIVES-FOLDER (drive P: is laid below it)\n");
    return 2;
  }
  ndr::SetDriveRoot(argv[1]);
  const std::string bounces = "P:\\Diverido\\Mail\\~Bounces";
  const std::string second = "P:\\Zizaruz2\\Mail\\~Bounces";
  const std::string mailbox = "P:\\Pmail\\Mail\\_Bounces";
  const bool ok =
      MakeDrive() &&
      MakeFolders({"P:\\Diverido",
                   "P:\\Diverido\\Mail",
                   bounces,
                   bounces + "\\Wait",
                   bounces + "\\Errors",
                   bounces + "\\Local",
                   "P:\\Diverido\\Mail\\Mailout",
                   "P:\\Zizaruz2",
                   "P:\\Zizaruz2\\Mail",
                   second,
                   second + "\\Wait",
                   "P:\\Pmail",
                   "P:\\Pmail\\Mail",
                   mailbox,
                   "P:\\Pmail\\Mail\\Admin",
                   "P:\\Pmail\\Mail\\_Remail",
                   "P:\\Mercury",
                   "P:\\Mercury\\Logs",
                   "P:\\Mercury\\Logs\\Mercury_C",
                   "P:\\Mercury\\Logs\\Mercury_E"}) &&
      FillWithBounces(bounces, 1000, 300) && AddServerBounces(bounces) &&
      AddQueuePair(bounces, "q7k2m9", 1) && AddQueuePair(bounces, "Held01", 2) &&
      Write(bounces + "\\EMPTY001.CNM", "") && Write(bounces + "\\EMPTY002.CNM", "") &&
      Write(bounces + "\\notes.txt", "Checked.\r\n") &&
      FillWithBounces(bounces + "\\Wait", 2000, 25) && AddQueuePair(bounces + "\\Wait", "w1", 3) &&
      FillWithBounces(bounces + "\\Errors", 3000, 18) &&
      FillWithBounces(bounces + "\\Local", 4000, 30) && FillWithBounces(second, 5000, 45) &&
      FillWithBounces(second + "\\Wait", 6000, 5) && FillWithBounces(mailbox, 7000, 12) &&
      Write(mailbox + "\\EMPTY003.CNM", "");
  if (!ok) {
    return 1;
  }
  std::printf("Demo drive P: laid at %s\n", ndr::NativePath("P:\\").c_str());
  return 0;
}
