#pragma once
// The program's one reversible scrambling of short byte strings: a key byte in front,
// then every byte with its low four bits XORed with the key's low four bits.
#include <string>
#include <string_view>

namespace sitora::protect {

// A key byte drawn uniformly from 1 to 126.
unsigned char DrawKey();

// key byte + scrambled bytes; the key is drawn with DrawKey().
std::string Scramble(std::string_view plain);
std::string ScrambleWithKey(std::string_view plain, unsigned char key);

// The plain bytes; any first byte serves as key. Empty and one-byte input give "".
std::string Unscramble(std::string_view scrambled);

}  // namespace sitora::protect
