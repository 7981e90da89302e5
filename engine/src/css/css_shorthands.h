#pragma once
// Shorthand properties: a declaration such as "margin: 4px 8px" sets its longhands
// (margin-top, margin-right, ...) as well, so that a later, more specific longhand overrides
// just its part.
#include <string>
#include <string_view>
#include <vector>

namespace css {

struct Declaration;

// The longhands a shorthand stands for, with their values; empty for other properties.
std::vector<std::pair<std::string, std::string>> ExpandShorthand(std::string_view property, std::string_view value);

// Splits a value at top-level spaces: "1px solid rgb(0, 0, 0)" -> 3 words.
std::vector<std::string> SplitWords(std::string_view value);
// Splits a value at top-level commas.
std::vector<std::string> SplitCommas(std::string_view value);

}  // namespace css
