#pragma once
#include <string>
#include <string_view>

namespace html {

// Replaces character references (&amp; &#38; &#x26; and the common named ones).
std::string DecodeEntities(std::string_view s);

}  // namespace html
