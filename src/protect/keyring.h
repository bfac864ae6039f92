#pragma once
// The data key in the user's keyring (the desktop's Secret Service: GNOME Keyring, KWallet),
// through libsecret, instead of in sk.exe beside the register: a copy of the program folder then
// holds no key, and reveals nothing. sk.exe keeps a marker naming the keyring's item.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sitora::protect {

// Why the keyring could not give or take the data key.
enum class KeyringFault {
    kNoService,  // no session bus, or no Secret Service on it
    kLocked,     // the keyring is locked and could not be opened here
    kMissing,    // the keyring holds no data key for this marker (another machine or user)
    kFailed,     // anything else the service answered
};

class KeyringError : public std::runtime_error {
public:
    KeyringError(KeyringFault fault, const std::string& detail)
        : std::runtime_error(detail), fault_(fault) {}
    KeyringFault Fault() const { return fault_; }

private:
    KeyringFault fault_;
};

// The marker sk.exe holds in place of a data key kept in the keyring: no key a user can type
// (it begins with an escape byte), followed by the item's random name.
inline constexpr std::string_view kKeyringMarkerPrefix = "\x1bsitora-keyring:";
bool IsKeyringMarker(std::string_view carried);

// Stores `key` (code page 936 bytes) in the default keyring under a new random name; returns
// the marker that names it. Reads it back before it returns. Throws KeyringError.
std::string StoreKeyInKeyring(std::string_view key);

// The data key the marker names. Throws KeyringError.
std::string LoadKeyFromKeyring(std::string_view marker);

// Forgets the item the marker names (nothing when there is none). Throws KeyringError.
void RemoveKeyFromKeyring(std::string_view marker);

}  // namespace sitora::protect
