#include "slow_release_display.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace ndr::behaviour {
namespace {

constexpr std::uint8_t kKeyRelease = 3, kReply = 1, kGenericEvent = 35;

// Displays are reached on Linux through the abstract socket of their number
// first, so the proxy leaves no file behind.
sockaddr_un DisplayAddress(int number, socklen_t& length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = "/tmp/.X11-unix/X" + std::to_string(number);
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return address;
}

int DisplaySocket(int number, bool listening) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  socklen_t length = 0;
  const sockaddr_un address = DisplayAddress(number, length);
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  const bool ok =
      listening ? bind(fd, at, length) == 0 && listen(fd, 1) == 0 : connect(fd, at, length) == 0;
  if (ok)
    return fd;
  close(fd);
  return -1;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written <= 0)
      return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void CopyAsItComes(int from, int to) {
  std::uint8_t buffer[65536];
  ssize_t got = 0;
  while ((got = read(from, buffer, sizeof buffer)) > 0)
    if (!WriteAll(to, buffer, static_cast<std::size_t>(got)))
      break;
  shutdown(to, SHUT_WR);
}

std::uint32_t LittleEndian(const std::uint8_t* at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = value << 8 | at[i];
  return value;
}

// The length of the server's next whole message at `at`, 0 while incomplete:
// the connection's setup reply first, then units of 32 bytes, of which
// replies and generic events carry more. The client is x86, little-endian.
std::size_t MessageLength(const std::vector<std::uint8_t>& in, std::size_t at, bool setUp) {
  const std::size_t have = in.size() - at;
  std::size_t length = 0;
  if (!setUp && have >= 8)
    length = 8 + 4 * std::size_t{LittleEndian(&in[at + 6], 2)};
  else if (setUp && have >= 32) {
    const std::uint8_t type = in[at] & 0x7f;
    const bool longer = type == kReply || type == kGenericEvent;
    length = 32 + (longer ? 4 * std::size_t{LittleEndian(&in[at + 4], 4)} : 0);
  }
  return length != 0 && have >= length ? length : 0;
}

void PassWithSlowReleases(int from, int to) {
  std::vector<std::uint8_t> in;
  std::uint8_t buffer[65536];
  bool setUp = false;
  ssize_t got = 0;
  while ((got = read(from, buffer, sizeof buffer)) > 0) {
    in.insert(in.end(), buffer, buffer + got);
    std::size_t at = 0;
    while (std::size_t length = MessageLength(in, at, setUp)) {
      if (!WriteAll(to, &in[at], length))
        return;
      if (setUp && (in[at] & 0x7f) == kKeyRelease)
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
      setUp = true;
      at += length;
    }
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(at));
  }
  shutdown(to, SHUT_WR);
}

}  // namespace

int StartSlowReleaseDisplay(int serverNumber) {
  for (int number = 150; number < 200; ++number) {
    const int listener = DisplaySocket(number, true);
    if (listener < 0)
      continue;
    std::thread([listener, serverNumber] {
      const int client = accept(listener, nullptr, nullptr);
      const int server = DisplaySocket(serverNumber, false);
      if (client < 0 || server < 0)
        return;
      std::thread(CopyAsItComes, client, server).detach();
      PassWithSlowReleases(server, client);
    }).detach();
    return number;
  }
  return -1;
}

}  // namespace ndr::behaviour
