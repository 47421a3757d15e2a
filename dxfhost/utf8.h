// utf8.h: the one place where dxfhost looks at text as UTF-8.
//
// Receives byte strings from drawings, file names and the module's alerts, which need not be
// UTF-8. Hands on the length of a well-formed sequence, the columns a text takes on a terminal,
// the text as a terminal may show it, and the text made valid UTF-8 for JSON.
#ifndef DXFHOST_UTF8_H
#define DXFHOST_UTF8_H

#include <cstddef>
#include <string>

namespace utf8 {

// Length of the well-formed UTF-8 sequence at s[i] (1 for ASCII), or 0 when there is none:
// overlong forms, surrogates and code points past U+10FFFF are not well formed.
std::size_t sequence(const std::string& s, std::size_t i);

// Columns the text takes on a terminal: one per character.
std::size_t columns(const std::string& s);

// At most max characters of s, control characters and bytes that are not UTF-8 shown as '?'.
// Sets *cut when characters were left out.
std::string shown(const std::string& s, std::size_t max, bool* cut);

// s with every byte that is not part of a well-formed sequence replaced by the character of
// the same number (as Latin-1 reads it), so that the result is always valid UTF-8.
std::string valid(const std::string& s);

} // namespace utf8

#endif
