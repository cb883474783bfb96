// Character sets on POSIX systems: iconv.
#ifndef _WIN32

#include <iconv.h>

#include <cerrno>

#include "charset.h"

namespace ndr {

namespace {

// Closes the converter on every way out.
class Converter {
 public:
  explicit Converter(const std::string& from) : handle_(iconv_open("UTF-8", from.c_str())) {}
  ~Converter() {
    if (Valid())
      iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return handle_; }

 private:
  iconv_t handle_;
};

}  // namespace

bool AppendAsUtf8(std::string_view charset, std::string_view bytes, std::string& out) {
  Converter converter{std::string(charset)};
  if (!converter.Valid())
    return false;
  const std::size_t start = out.size();
  char* in = const_cast<char*>(bytes.data());  // iconv's signature; it does not write there
  std::size_t inLeft = bytes.size();
  // No character set takes fewer bytes for a character than UTF-8's four.
  out.resize(start + 4 * bytes.size() + 16);
  char* outAt = out.data() + start;
  std::size_t outLeft = out.size() - start;
  const bool converted =
      iconv(converter.Handle(), &in, &inLeft, &outAt, &outLeft) != static_cast<std::size_t>(-1) &&
      iconv(converter.Handle(), nullptr, nullptr, &outAt, &outLeft) != static_cast<std::size_t>(-1);
  out.resize(converted ? static_cast<std::size_t>(outAt - out.data()) : start);
  return converted;
}

}  // namespace ndr

#endif
