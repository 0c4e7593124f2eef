#pragma once
// Terms of one or two characters, which the trigram index cannot look up, are found through
// a second index of every single character and character pair a body holds. Its tokens are
// the code points in hexadecimal (six digits each), words its tokenizer takes whole.

#include <string>
#include <string_view>

// The distinct tokens of a folded body, separated by blanks; line breaks are left out, as
// no term holds one.
std::string GramTokens(std::u16string_view folded);

// The token of a folded term of one or two characters.
std::string GramToken(std::u16string_view term);
