#include "captcha_picture.h"

#include <array>
#include <cstring>
#include <random>
#include <vector>

namespace ydt::front {
namespace {

struct Glyph {
  char ch;
  const char* rows[7];
};

// 5x7 glyphs, one string of five "0"/"1" per row.
constexpr Glyph kFont[] = {
    {'0', {"01110", "10001", "10011", "10101", "11001", "10001", "01110"}},
    {'1', {"00100", "01100", "00100", "00100", "00100", "00100", "01110"}},
    {'2', {"01110", "10001", "00001", "00010", "00100", "01000", "11111"}},
    {'3', {"11110", "00001", "00001", "01110", "00001", "00001", "11110"}},
    {'4', {"00010", "00110", "01010", "10010", "11111", "00010", "00010"}},
    {'5', {"11111", "10000", "11110", "00001", "00001", "10001", "01110"}},
    {'6', {"00110", "01000", "10000", "11110", "10001", "10001", "01110"}},
    {'7', {"11111", "00001", "00010", "00100", "01000", "01000", "01000"}},
    {'8', {"01110", "10001", "10001", "01110", "10001", "10001", "01110"}},
    {'9', {"01110", "10001", "10001", "01111", "00001", "00010", "01100"}},
    {'A', {"01110", "10001", "10001", "11111", "10001", "10001", "10001"}},
    {'B', {"11110", "10001", "10001", "11110", "10001", "10001", "11110"}},
    {'C', {"01110", "10001", "10000", "10000", "10000", "10001", "01110"}},
    {'D', {"11100", "10010", "10001", "10001", "10001", "10010", "11100"}},
    {'E', {"11111", "10000", "10000", "11110", "10000", "10000", "11111"}},
    {'F', {"11111", "10000", "10000", "11110", "10000", "10000", "10000"}},
    {'G', {"01110", "10001", "10000", "10111", "10001", "10001", "01111"}},
    {'H', {"10001", "10001", "10001", "11111", "10001", "10001", "10001"}},
    {'I', {"01110", "00100", "00100", "00100", "00100", "00100", "01110"}},
    {'J', {"00111", "00010", "00010", "00010", "00010", "10010", "01100"}},
    {'K', {"10001", "10010", "10100", "11000", "10100", "10010", "10001"}},
    {'L', {"10000", "10000", "10000", "10000", "10000", "10000", "11111"}},
    {'M', {"10001", "11011", "10101", "10101", "10001", "10001", "10001"}},
    {'N', {"10001", "10001", "11001", "10101", "10011", "10001", "10001"}},
    {'O', {"01110", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'P', {"11110", "10001", "10001", "11110", "10000", "10000", "10000"}},
    {'Q', {"01110", "10001", "10001", "10001", "10101", "10010", "01101"}},
    {'R', {"11110", "10001", "10001", "11110", "10100", "10010", "10001"}},
    {'S', {"01111", "10000", "10000", "01110", "00001", "00001", "11110"}},
    {'T', {"11111", "00100", "00100", "00100", "00100", "00100", "00100"}},
    {'U', {"10001", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'V', {"10001", "10001", "10001", "10001", "10001", "01010", "00100"}},
    {'W', {"10001", "10001", "10001", "10101", "10101", "10101", "01010"}},
    {'X', {"10001", "10001", "01010", "00100", "01010", "10001", "10001"}},
    {'Y', {"10001", "10001", "01010", "00100", "00100", "00100", "00100"}},
    {'Z', {"11111", "00001", "00010", "00100", "01000", "10000", "11111"}},
};

constexpr const char* kBox[7] = {"11111", "10001", "10001", "10001", "10001", "10001", "11111"};

const char* const* GlyphRows(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const Glyph& g : kFont) {
    if (g.ch == c) return g.rows;
  }
  return kBox;
}

struct Canvas {
  std::vector<std::array<std::uint8_t, 3>> pixels =
      std::vector<std::array<std::uint8_t, 3>>(kCaptchaWidth * kCaptchaHeight);
  void Set(int x, int y, std::array<std::uint8_t, 3> bgr) {
    if (x >= 0 && y >= 0 && x < kCaptchaWidth && y < kCaptchaHeight) {
      pixels[static_cast<size_t>(y * kCaptchaWidth + x)] = bgr;
    }
  }
};

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string RenderCaptchaBmp(std::string_view code, std::uint32_t noiseSeed) {
  std::mt19937 rng(noiseSeed);
  auto channel = [&](int lo, int hi) {
    return static_cast<std::uint8_t>(std::uniform_int_distribution<int>(lo, hi)(rng));
  };
  Canvas canvas;
  std::array<std::uint8_t, 3> background{channel(225, 250), channel(225, 250), channel(225, 250)};
  for (auto& p : canvas.pixels) p = background;

  // Noise lines first, so the characters stay readable on top of them.
  for (int line = 0; line < 4; ++line) {
    std::array<std::uint8_t, 3> colour{channel(120, 200), channel(120, 200), channel(120, 200)};
    int y0 = channel(0, kCaptchaHeight - 1);
    int y1 = channel(0, kCaptchaHeight - 1);
    for (int x = 0; x < kCaptchaWidth; ++x) {
      canvas.Set(x, y0 + (y1 - y0) * x / kCaptchaWidth, colour);
    }
  }

  constexpr int kScale = 3;
  const int count = static_cast<int>(code.size() > 8 ? 8 : code.size());
  const int cell = count > 0 ? kCaptchaWidth / count : kCaptchaWidth;
  for (int i = 0; i < count; ++i) {
    const char* const* rows = GlyphRows(code[static_cast<size_t>(i)]);
    std::array<std::uint8_t, 3> colour{channel(0, 110), channel(0, 110), channel(0, 110)};
    int left = i * cell + (cell - 5 * kScale) / 2 + channel(0, 4) - 2;
    int top = (kCaptchaHeight - 7 * kScale) / 2 + channel(0, 6) - 3;
    for (int r = 0; r < 7; ++r) {
      for (int c = 0; c < 5; ++c) {
        if (rows[r][c] != '1') continue;
        for (int dy = 0; dy < kScale; ++dy) {
          for (int dx = 0; dx < kScale; ++dx)
            canvas.Set(left + c * kScale + dx, top + r * kScale + dy, colour);
        }
      }
    }
  }

  // 24-bit BMP, rows bottom-up, each padded to four bytes.
  const std::uint32_t rowBytes = (kCaptchaWidth * 3 + 3) / 4 * 4;
  const std::uint32_t imageBytes = rowBytes * kCaptchaHeight;
  std::string out;
  out.reserve(54 + imageBytes);
  out += "BM";
  PutLe(out, 54 + imageBytes, 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  PutLe(out, 40, 4);
  PutLe(out, kCaptchaWidth, 4);
  PutLe(out, kCaptchaHeight, 4);
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, 0, 4);
  PutLe(out, imageBytes, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  for (int y = kCaptchaHeight - 1; y >= 0; --y) {
    std::uint32_t written = 0;
    for (int x = 0; x < kCaptchaWidth; ++x) {
      const auto& p = canvas.pixels[static_cast<size_t>(y * kCaptchaWidth + x)];
      out.append(reinterpret_cast<const char*>(p.data()), 3);
      written += 3;
    }
    for (; written < rowBytes; ++written) out.push_back('\0');
  }
  return out;
}

}  // namespace ydt::front
