// PhonicKey: the sound key of a word for phonic searching: its first character followed by at
// most three digits coding the consonant sounds that follow. Pure string work.
#pragma once

#include <string>
#include <string_view>

// The key (1 to 4 characters; empty for an empty word). Only the letters A to Z have sound
// codes: phonic searching is for words in Latin letters. With `utf8` the first character is a
// whole UTF-8 character.
std::string phonicKey(std::string_view word, bool utf8 = false);
