#pragma once
// A name or text from the input as a message quotes it: cut to a readable
// length (ending in "…"), control characters and stray bytes shown as "?".

#include <string>

namespace ltr {

// At most EchoLength characters of text; a longer one is cut and ends in "…".
inline constexpr std::size_t EchoLength = 60;

std::string EchoText(const std::string& text);

}  // namespace ltr
