#pragma once
// An account value sealed under the register key: XChaCha20-Poly1305 with a random 24-byte nonce,
// the column and the record's address as associated data, so that a value copied into another
// cell or record does not open. Its first byte (0xC1) is one the old scramble never writes (its
// key byte lies in 1-126), which tells the two forms apart.
#include <optional>
#include <string>
#include <string_view>

#include "protect/secret_bytes.h"

namespace sitora::protect {

inline constexpr unsigned char kSealedForm = 0xC1;
inline constexpr std::size_t kRegisterKeyBytes = 32;

// True for a stored value in the sealed form.
bool IsSealed(std::string_view stored);

// The stored form of `value`. `register_key` holds kRegisterKeyBytes bytes.
std::string SealValue(const SecretBytes& register_key, std::string_view column, std::string_view address,
                      std::string_view value);

// The value, or nothing when it does not open under this key, column and address (another key, a
// changed byte, a value moved from elsewhere, or no sealed form at all).
std::optional<SecretBytes> OpenValue(const SecretBytes& register_key, std::string_view column,
                                     std::string_view address, std::string_view stored);

}  // namespace sitora::protect
