// Every input of the fuzz corpus, the seeds and the inputs that once broke a
// property, through the same property checks as the fuzz targets.
#include <gtest/gtest.h>

#include <string>

#include "corpus.h"
#include "properties.h"

namespace ndr::fuzz {
namespace {

struct Target {
  std::string_view name;
  std::string (*check)(std::string_view);
};

class CorpusReplay : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EveryInputKeepsTheProperty) {
  const Target& target = GetParam();
  int replayed = 0;
  for (const CorpusInput& input : Corpus()) {
    if (input.target == target.name) {
      EXPECT_EQ(target.check(input.bytes), "") << input.name;
      ++replayed;
    }
  }
  EXPECT_GE(replayed, 20) << "the corpus folder lost its seeds";
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay,
                         ::testing::Values(Target{"mail_date", CheckMailDate},
                                           Target{"message_reader", CheckMessageReader},
                                           Target{"bounce_extract", CheckBounceExtract},
                                           Target{"line_reader", CheckLineReader}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace ndr::fuzz
