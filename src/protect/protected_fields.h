#pragma once
// The stored layout of the eight account columns: value + record number (+ data key for the
// domain user), scrambled. All arguments and results are code page 936 bytes.
#include <optional>
#include <string>
#include <string_view>

namespace sitora::protect {

// A word that reading removes from the domain user wherever it stands.
inline constexpr std::string_view kMarkerWord = "Zunvek";

// scramble(value + number)
std::string ProtectValue(std::string_view value, std::string_view number);
// scramble(value + number + data key)
std::string ProtectDomainUser(std::string_view value, std::string_view number, std::string_view data_key);

struct KeyTest {
    bool passed = false;
    std::string unscrambled;  // the unscrambled domain user
};

// Unscrambles the stored domain user (NULL reads as empty) and checks that it ends with the
// data key; an empty key passes every record.
KeyTest DomainUserMatchesKey(std::optional<std::string_view> stored, std::string_view data_key);

// The domain user for display, after a passed key test: the data key found at its end is
// dropped (so a later save does not append it twice), then every "Zunvek" and every
// occurrence of the number are removed.
std::string RevealDomainUser(std::string_view unscrambled, std::string_view number, std::size_t key_length);

// Unscramble, then remove every occurrence of the number.
std::string RevealValue(std::optional<std::string_view> stored, std::string_view number);

}  // namespace sitora::protect
