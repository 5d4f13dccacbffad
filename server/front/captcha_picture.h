// Draws a captcha code into a small 24-bit BMP picture with a built-in bitmap font.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ydt::front {

inline constexpr int kCaptchaWidth = 100;
inline constexpr int kCaptchaHeight = 36;

// Letters are drawn upper-case; characters the font lacks are drawn as a hollow box.
// `noiseSeed` varies the colours and the noise lines so two pictures of one code differ.
std::string RenderCaptchaBmp(std::string_view code, std::uint32_t noiseSeed);

}  // namespace ydt::front
