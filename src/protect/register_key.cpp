#include "protect/register_key.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>

#include "protect/sealed_value.h"

namespace sitora::protect {
namespace {

// "SRK1", passes (8 bytes), memory (8 bytes), salt, nonce, then the sealed key with its tag.
constexpr std::string_view kMagic = "SRK1";
constexpr std::size_t kSaltBytes = crypto_pwhash_SALTBYTES;
constexpr std::size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kSealedKeyBytes = kRegisterKeyBytes + crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kWrappedBytes = kMagic.size() + 8 + 8 + kSaltBytes + kNonceBytes + kSealedKeyBytes;
// A stored form from elsewhere must not make this program spend minutes or gigabytes: a cost
// above four times the program's own, or above 256 MiB, is refused before any work.
constexpr std::uint64_t kMostPasses = 4 * crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr std::uint64_t kMostMemory = std::min<std::uint64_t>(std::uint64_t{256} << 20, 4 * crypto_pwhash_MEMLIMIT_INTERACTIVE);

void PutNumber(std::string& out, std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

std::uint64_t GetNumber(std::string_view bytes) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return value;
}

const unsigned char* Bytes(std::string_view text) { return reinterpret_cast<const unsigned char*>(text.data()); }

std::optional<SecretBytes> Derive(std::string_view data_key, std::string_view salt, DerivationCost cost) {
    if (cost.passes < crypto_pwhash_OPSLIMIT_MIN || cost.passes > kMostPasses || cost.memory < crypto_pwhash_MEMLIMIT_MIN ||
        cost.memory > kMostMemory)
        return std::nullopt;
    SecretBytes derived(crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
    // An empty key may come without any bytes behind it; libsodium wants a pointer all the same.
    const char* key_bytes = data_key.empty() ? "" : data_key.data();
    if (crypto_pwhash(derived.data(), derived.size(), key_bytes, data_key.size(), Bytes(salt), cost.passes,
                      static_cast<std::size_t>(cost.memory), crypto_pwhash_ALG_ARGON2ID13) != 0)
        return std::nullopt;  // out of memory
    return derived;
}

}  // namespace

DerivationCost DefaultDerivationCost() {
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
}

SecretBytes NewRegisterKey() {
    UseSodium();
    SecretBytes key(kRegisterKeyBytes);
    randombytes_buf(key.data(), key.size());
    return key;
}

std::string WrapRegisterKey(const SecretBytes& register_key, std::string_view data_key, DerivationCost cost) {
    UseSodium();
    std::string salt(kSaltBytes, '\0');
    randombytes_buf(salt.data(), salt.size());
    const auto derived = Derive(data_key, salt, cost);
    if (!derived) throw std::runtime_error("the data key's derivation failed");
    std::string wrapped(kMagic);
    PutNumber(wrapped, cost.passes);
    PutNumber(wrapped, cost.memory);
    wrapped += salt;
    std::string nonce(kNonceBytes, '\0');
    randombytes_buf(nonce.data(), nonce.size());
    wrapped += nonce;
    std::string sealed(kSealedKeyBytes, '\0');
    // The header is associated data: raising or lowering the stored cost breaks the seal.
    const std::string header = wrapped;
    crypto_aead_xchacha20poly1305_ietf_encrypt(reinterpret_cast<unsigned char*>(sealed.data()), nullptr,
                                               register_key.data(), register_key.size(), Bytes(header), header.size(),
                                               nullptr, Bytes(nonce), derived->data());
    return wrapped + sealed;
}

std::size_t WrappedKeyBytes() { return kWrappedBytes; }

bool IsWrappedKeyForm(std::string_view wrapped) { return wrapped.size() == kWrappedBytes && wrapped.starts_with(kMagic); }

std::optional<SecretBytes> UnwrapRegisterKey(std::string_view wrapped, std::string_view data_key) {
    UseSodium();
    if (wrapped.size() != kWrappedBytes || !wrapped.starts_with(kMagic)) return std::nullopt;
    std::string_view rest = wrapped.substr(kMagic.size());
    const DerivationCost cost{GetNumber(rest.substr(0, 8)), GetNumber(rest.substr(8, 8))};
    const std::string_view salt = rest.substr(16, kSaltBytes);
    const std::string_view nonce = rest.substr(16 + kSaltBytes, kNonceBytes);
    const std::string_view sealed = rest.substr(16 + kSaltBytes + kNonceBytes);
    const std::string_view header = wrapped.substr(0, wrapped.size() - sealed.size());
    const auto derived = Derive(data_key, salt, cost);
    if (!derived) return std::nullopt;
    SecretBytes key(kRegisterKeyBytes);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(key.data(), nullptr, nullptr, Bytes(sealed), sealed.size(),
                                                   Bytes(header), header.size(), Bytes(nonce), derived->data()) != 0)
        return std::nullopt;
    return key;
}

}  // namespace sitora::protect
