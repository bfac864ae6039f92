#include "protect/secret_bytes.h"

#include <sodium.h>
#include <sys/resource.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace sitora::protect {

void UseSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw std::runtime_error("libsodium cannot start");
}

SecretBytes::SecretBytes(std::size_t size) : size_(size) {
    UseSodium();
    // sodium_malloc never gives a null pointer for a size of its own: ask for one byte at least.
    data_ = static_cast<unsigned char*>(sodium_malloc(size ? size : 1));
    if (!data_) throw std::bad_alloc();
    std::memset(data_, 0, size ? size : 1);
}

SecretBytes::SecretBytes(std::string_view bytes) : SecretBytes(bytes.size()) {
    if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

SecretBytes::~SecretBytes() {
    if (data_) sodium_free(data_);  // wipes before it frees
}

SecretBytes::SecretBytes(SecretBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept {
    if (this != &other) {
        if (data_) sodium_free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void Wipe(std::string& text) {
    if (!text.empty()) sodium_memzero(text.data(), text.size());
}

void DisableCoreDumps() {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
}

}  // namespace sitora::protect
