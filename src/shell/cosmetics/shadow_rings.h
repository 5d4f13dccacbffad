// The geometry and strength of the rings that make up a window's drop shadow, kept apart
// from the painting so the rule can be checked without a screen.
#pragma once

#include <vector>

namespace ydt {

struct ShadowRing {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
  int alpha = 0;
};

inline constexpr int kShadowCornerRadius = 4;

// Alpha added per ring: wide shadows spread 150 over their rings so they do not grow
// darker with their width; narrow ones use the darkness setting.
int ShadowStep(int size, int darkness);

// The `size` rings of a shadow window of width × height, outermost (faintest) first, each
// an outline of one pixel; ring i (from 1) sits i − 1 pixels in and has alpha step × i,
// never beyond 255. None for a size below 1.
std::vector<ShadowRing> ShadowRings(int width, int height, int size, int darkness);

}  // namespace ydt
