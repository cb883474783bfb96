// A library of returned mail as the common mail servers write it, each
// labelled with the Reason it gives: the status and the class. Written for
// this project from the RFCs (3461 to 3464, 5321) and the documented forms
// of the servers' notices; every name, address and sentence is made up.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "sample_mail.h"

namespace ndr::samples {

struct LabelledBounce {
  std::string_view name;         // the server and the case
  std::string_view status;       // "" when the notice has no code
  std::string_view reasonClass;  // "" for a message that is no bounce
  std::string_view text;         // LF line ends
};

std::span<const LabelledBounce> LabelledBounces();

// text with its line feeds made lineEnd.
std::string WithLineEnds(std::string_view text, LineEnd lineEnd);

}  // namespace ndr::samples
