#include "protect/protected_fields.h"

#include "base/text/byte_strings.h"
#include "protect/nibble_cipher.h"

namespace sitora::protect {

std::string ProtectValue(std::string_view value, std::string_view number) {
    std::string joined;
    joined.reserve(value.size() + number.size());
    (joined += value) += number;
    return Scramble(joined);
}

std::string ProtectDomainUser(std::string_view value, std::string_view number, std::string_view data_key) {
    std::string joined;
    joined.reserve(value.size() + number.size() + data_key.size());
    ((joined += value) += number) += data_key;
    return Scramble(joined);
}

KeyTest DomainUserMatchesKey(std::optional<std::string_view> stored, std::string_view data_key) {
    KeyTest test;
    test.unscrambled = Unscramble(stored.value_or(std::string_view()));
    const std::string_view text = test.unscrambled;
    const std::string_view tail = text.size() > data_key.size() ? text.substr(text.size() - data_key.size()) : text;
    test.passed = tail == data_key;
    return test;
}

std::string RevealDomainUser(std::string_view unscrambled, std::string_view number, std::size_t key_length) {
    std::string_view value = unscrambled.substr(0, unscrambled.size() - std::min(key_length, unscrambled.size()));
    return text::RemoveAll(text::RemoveAll(value, kMarkerWord), number);
}

std::string RevealValue(std::optional<std::string_view> stored, std::string_view number) {
    return text::RemoveAll(Unscramble(stored.value_or(std::string_view())), number);
}

}  // namespace sitora::protect
