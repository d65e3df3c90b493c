#include "io/echo_text.h"

namespace ltr {

std::string EchoText(const std::string& text) {
  std::string out;
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // The length of the UTF-8 sequence starting here; a stray byte counts as one.
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + n > text.size()) n = 1;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) n = 1;
    if (chars == EchoLength) return out + "…";
    if (n == 1 && (c < 0x20 || c >= 0x7F)) out += '?';
    else out.append(text, i, n);
    i += n;
    ++chars;
  }
  return out;
}

}  // namespace ltr
