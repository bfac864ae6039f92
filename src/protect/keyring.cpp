#include "protect/keyring.h"

#include <libsecret/secret.h>
#include <sodium.h>

#include <cstring>
#include <memory>

#include "protect/secret_bytes.h"

namespace sitora::protect {
namespace {

const SecretSchema* Schema() {
    static const SecretSchema schema = {"org.sitora.Sitora.DataKey",
                                        SECRET_SCHEMA_NONE,
                                        {{"item", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &schema;
}

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, ErrorFree>;

KeyringError Fault(GError* raw) {
    const Error error(raw);
    const std::string detail = error && error->message ? error->message : "unknown error";
    if (error && (error->domain == G_DBUS_ERROR || error->domain == G_IO_ERROR) &&
        detail.find("ocked") == std::string::npos)
        return KeyringError(KeyringFault::kNoService, detail);
    if (error && (g_error_matches(error.get(), SECRET_ERROR, SECRET_ERROR_IS_LOCKED) ||
                  detail.find("ocked") != std::string::npos || detail.find("prompt") != std::string::npos))
        return KeyringError(KeyringFault::kLocked, detail);
    return KeyringError(KeyringFault::kFailed, detail);
}

std::string ItemOf(std::string_view marker) { return std::string(marker.substr(kKeyringMarkerPrefix.size())); }

// The key is kept as hexadecimal text: the keyring's passwords are text, a data key any bytes.
std::string Hex(std::string_view bytes) {
    std::string hex(bytes.size() * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    hex.pop_back();
    return hex;
}

}  // namespace

bool IsKeyringMarker(std::string_view carried) {
    return carried.starts_with(kKeyringMarkerPrefix) && carried.size() > kKeyringMarkerPrefix.size();
}

std::string StoreKeyInKeyring(std::string_view key) {
    UseSodium();
    unsigned char random[16];
    randombytes_buf(random, sizeof random);
    const std::string item = Hex(std::string_view(reinterpret_cast<const char*>(random), sizeof random));
    std::string hex = Hex(key);
    GError* error = nullptr;
    const bool stored = secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, "Sitora 数据密钥", hex.c_str(),
                                                   nullptr, &error, "item", item.c_str(), nullptr);
    sodium_memzero(hex.data(), hex.size());
    if (!stored) throw Fault(error);
    const std::string marker = std::string(kKeyringMarkerPrefix) + item;
    std::string back = LoadKeyFromKeyring(marker);
    const bool same = back == key;
    sodium_memzero(back.data(), back.size());
    if (!same) throw KeyringError(KeyringFault::kFailed, "the keyring did not give the data key back as stored");
    return marker;
}

std::string LoadKeyFromKeyring(std::string_view marker) {
    if (!IsKeyringMarker(marker)) throw KeyringError(KeyringFault::kMissing, "sk.exe names no keyring item");
    GError* error = nullptr;
    gchar* hex = secret_password_lookup_sync(Schema(), nullptr, &error, "item", ItemOf(marker).c_str(), nullptr);
    if (error) throw Fault(error);
    if (!hex) throw KeyringError(KeyringFault::kMissing, "the keyring holds no data key for this program folder");
    std::string key(std::strlen(hex) / 2, '\0');
    std::size_t length = 0;
    const int rc = sodium_hex2bin(reinterpret_cast<unsigned char*>(key.data()), key.size(), hex, std::strlen(hex),
                                  nullptr, &length, nullptr);
    secret_password_free(hex);
    if (rc != 0) throw KeyringError(KeyringFault::kFailed, "the keyring's item is not a data key");
    key.resize(length);
    return key;
}

void RemoveKeyFromKeyring(std::string_view marker) {
    if (!IsKeyringMarker(marker)) return;
    GError* error = nullptr;
    secret_password_clear_sync(Schema(), nullptr, &error, "item", ItemOf(marker).c_str(), nullptr);
    if (error) throw Fault(error);
}

}  // namespace sitora::protect
