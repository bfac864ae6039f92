#pragma once
// Bytes that must not outlive their use: keys and revealed accounts. They live in memory that is
// locked (never swapped), left out of core dumps and wiped when dropped: small ones in a few
// shared locked chunks, larger ones in libsodium's guarded secure memory.
#include <cstddef>
#include <string>
#include <string_view>

namespace sitora::protect {

class SecretBytes {
public:
    SecretBytes() = default;
    // `size` zero bytes; throws std::bad_alloc when no memory is left.
    explicit SecretBytes(std::size_t size);
    explicit SecretBytes(std::string_view bytes);
    ~SecretBytes();
    SecretBytes(SecretBytes&& other) noexcept;
    SecretBytes& operator=(SecretBytes&& other) noexcept;
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    unsigned char* data() { return data_; }
    const unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::string_view view() const { return {reinterpret_cast<const char*>(data_), size_}; }

private:
    void Release();

    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

// `size` random bytes.
SecretBytes RandomSecret(std::size_t size);

// True once the system refused to lock secret memory (ulimit -l): secrets then live in ordinary
// memory, still wiped when dropped and left out of core dumps.
bool SecretLockingRefused();

// Overwrites a revealed text's bytes before it is dropped.
void Wipe(std::string& text);

// libsodium, ready for use; throws std::runtime_error when it cannot start.
void UseSodium();

// No core file for this process: a crash must not leave keys or revealed accounts on the disk.
void DisableCoreDumps();

}  // namespace sitora::protect
