// One entry of a zone or image list: the text the operator sees and the code it stands for.
#pragma once

#include <string>

namespace ydt {

// The code is kept beside the text rather than cut back out of it later, because an image
// name may itself hold the full-width bracket that separates name and ID.
struct CodedItem {
  std::string text;
  std::string code;
  friend bool operator==(const CodedItem&, const CodedItem&) = default;
};

}  // namespace ydt
