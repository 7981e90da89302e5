#pragma once
// CSS values: colours and lengths.
#include <optional>
#include <string_view>

namespace css {

struct Color {
  float r = 0, g = 0, b = 0;  // 0..255
  float a = 0;                // 0..1
};

// Names, transparent, #rgb, #rgba, #rrggbb, #rrggbbaa, rgb(), rgba(), hsl() is not supported.
std::optional<Color> ParseColor(std::string_view value);
// The colour among the words of a shorthand such as "background: #fff url(a.png) no-repeat".
std::optional<Color> FindColor(std::string_view shorthand);

// A length in pixels: "12px", "12", "50%" (of percentBase), "1.5em" (of 16 px).
std::optional<double> ParseLength(std::string_view value, double percentBase);

}  // namespace css
