#include "protect/nibble_cipher.h"

#include <algorithm>
#include <random>

namespace sitora::protect {
namespace {

char ApplyKey(char c, unsigned char key) {
    const auto byte = static_cast<unsigned char>(c);
    return static_cast<char>((byte & 0xF0) | ((byte & 0x0F) ^ (key & 0x0F)));
}

// The bytes with the key applied, after `prefix` (the key's own byte when scrambling).
std::string ApplyKeyToAll(std::string_view prefix, std::string_view bytes, unsigned char key) {
    std::string out(prefix.size() + bytes.size(), '\0');
    std::copy(prefix.begin(), prefix.end(), out.begin());
    std::transform(bytes.begin(), bytes.end(), out.begin() + static_cast<long>(prefix.size()),
                   [key](char c) { return ApplyKey(c, key); });
    return out;
}

}  // namespace

unsigned char DrawKey() {
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> keys(1, 126);
    return static_cast<unsigned char>(keys(generator));
}

std::string ScrambleWithKey(std::string_view plain, unsigned char key) {
    const char key_byte = static_cast<char>(key);
    return ApplyKeyToAll(std::string_view(&key_byte, 1), plain, key);
}

std::string Scramble(std::string_view plain) { return ScrambleWithKey(plain, DrawKey()); }

std::string Unscramble(std::string_view scrambled) {
    if (scrambled.empty()) return {};
    return ApplyKeyToAll({}, scrambled.substr(1), static_cast<unsigned char>(scrambled[0]));
}

}  // namespace sitora::protect
