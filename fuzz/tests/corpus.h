// The committed fuzz corpus, built into the replay test.
#pragma once

#include <string_view>
#include <vector>

namespace ndr::fuzz {

struct CorpusInput {
  std::string_view target;  // the corpus folder: the target's name
  std::string_view name;    // the path below the corpus folder
  std::string_view bytes;
};

const std::vector<CorpusInput>& Corpus();

}  // namespace ndr::fuzz
