#include "protect/sealed_value.h"

#include <sodium.h>

#include <stdexcept>

namespace sitora::protect {
namespace {

constexpr std::size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;

// What the value is bound to: the form, the column and the record. Lengths first, so that no two
// (column, address) pairs give the same bytes.
std::string AssociatedData(std::string_view column, std::string_view address) {
    std::string data(1, static_cast<char>(kSealedForm));
    for (const std::string_view part : {column, address}) {
        const auto length = static_cast<std::uint32_t>(part.size());
        for (int shift = 0; shift < 32; shift += 8) data += static_cast<char>((length >> shift) & 0xFF);
        data += part;
    }
    return data;
}

const unsigned char* Bytes(std::string_view text) { return reinterpret_cast<const unsigned char*>(text.data()); }

}  // namespace

bool IsSealed(std::string_view stored) {
    return !stored.empty() && static_cast<unsigned char>(stored.front()) == kSealedForm;
}

std::string SealValue(const SecretBytes& register_key, std::string_view column, std::string_view address,
                      std::string_view value) {
    UseSodium();
    if (register_key.size() != kRegisterKeyBytes) throw std::invalid_argument("register key of the wrong size");
    const std::string associated = AssociatedData(column, address);
    std::string sealed(1 + kNonceBytes + value.size() + kTagBytes, '\0');
    auto* out = reinterpret_cast<unsigned char*>(sealed.data());
    out[0] = kSealedForm;
    randombytes_buf(out + 1, kNonceBytes);
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(out + 1 + kNonceBytes, &written, Bytes(value), value.size(),
                                               Bytes(associated), associated.size(), nullptr, out + 1,
                                               register_key.data());
    return sealed;
}

std::optional<SecretBytes> OpenValue(const SecretBytes& register_key, std::string_view column,
                                     std::string_view address, std::string_view stored) {
    UseSodium();
    if (register_key.size() != kRegisterKeyBytes || !IsSealed(stored) || stored.size() < 1 + kNonceBytes + kTagBytes)
        return std::nullopt;
    const std::string associated = AssociatedData(column, address);
    const std::string_view cipher = stored.substr(1 + kNonceBytes);
    SecretBytes value(cipher.size() - kTagBytes);
    unsigned long long length = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(value.data(), &length, nullptr, Bytes(cipher), cipher.size(),
                                                   Bytes(associated), associated.size(), Bytes(stored.substr(1)),
                                                   register_key.data()) != 0)
        return std::nullopt;
    return value;
}

}  // namespace sitora::protect
