#include "consoles/template/access_keys.h"

#include "service/text/text.h"

namespace ydt {

AccessKeys AccessKeys::FromBoxes(std::string_view idBox, std::string_view keyBox) {
  return AccessKeys{TrimSpaces(idBox), TrimSpaces(keyBox)};
}

bool RequireAccessKeys(const AccessKeys& keys, Prompter& prompter) {
  if (keys.Complete()) return true;
  prompter.Show(WindowRef{}, std::string(kMissingKeysText), MessageIcon::Information);
  return false;
}

}  // namespace ydt
