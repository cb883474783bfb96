// Every input of the fuzz corpus, the seeds and the inputs that once broke a
// property, through the same property checks as the fuzz targets.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "corpus.h"
#include "properties.h"

namespace ndr::fuzz {
namespace {

TEST(CorpusReplay, EveryInputKeepsItsTargetsProperty) {
  const std::pair<std::string_view, std::string (*)(std::string_view)> targets[] = {
      {"mail_date", CheckMailDate},
      {"message_reader", CheckMessageReader},
      {"bounce_extract", CheckBounceExtract},
      {"line_reader", CheckLineReader}};
  for (const auto& [target, check] : targets) {
    int replayed = 0;
    for (const CorpusInput& input : Corpus()) {
      if (input.target == target) {
        EXPECT_EQ(check(input.bytes), "") << target << "/" << input.name;
        ++replayed;
      }
    }
    EXPECT_GE(replayed, 20) << target << ": the corpus folder lost its seeds";
  }
}

}  // namespace
}  // namespace ndr::fuzz
