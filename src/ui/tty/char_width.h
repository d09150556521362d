// The columns a character takes on a terminal, counted as glibc's wcwidth
// counts them in a UTF-8 locale, but from tables of our own: the parent's
// locale (LC_CTYPE) must not change how a name is wrapped.
#pragma once

#include <cstddef>

namespace ui::tty {

// 0 for a combining mark or an invisible format character, 2 for a wide
// (East Asian Wide or Fullwidth, most emoji) one, 1 for every other one,
// including code points not assigned yet.
std::size_t characterColumns(char32_t character);

}  // namespace ui::tty
