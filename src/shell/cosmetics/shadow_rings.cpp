#include "shell/cosmetics/shadow_rings.h"

#include <algorithm>

namespace ydt {

int ShadowStep(int size, int darkness) {
  if (size < 1) return 0;
  return size > 8 ? 150 / size : darkness / size;
}

std::vector<ShadowRing> ShadowRings(int width, int height, int size, int darkness) {
  std::vector<ShadowRing> rings;
  if (size < 1) return rings;
  const int step = ShadowStep(size, darkness);
  rings.reserve(static_cast<std::size_t>(size));
  for (int i = 1; i <= size; ++i) {
    ShadowRing ring;
    ring.x = static_cast<float>(i - 1);
    ring.y = static_cast<float>(i - 1);
    ring.width = static_cast<float>(width - 2 * i + 1);
    ring.height = static_cast<float>(height - 2 * i + 1);
    // The colour is packed with the alpha in its top byte; a larger value would spill.
    ring.alpha = std::clamp(step * i, 0, 255);
    rings.push_back(ring);
  }
  return rings;
}

}  // namespace ydt
