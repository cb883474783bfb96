// One libFuzzer target: NDR_FUZZ_CHECK names the property it checks.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string failure =
      ndr::fuzz::NDR_FUZZ_CHECK(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!failure.empty()) {
    std::fprintf(stderr, "Property broken: %s\n", failure.c_str());
    std::abort();  // libFuzzer keeps the input as a crash artifact
  }
  return 0;
}
