#include "protect/secret_bytes.h"

#include <sodium.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace sitora::protect {
namespace {

// Secrets are small (keys, account values): they share a few locked chunks, cut into blocks of
// a power of two, instead of a locked, guard-paged mapping each, which the default limits
// (ulimit -l 8 MiB, vm.max_map_count) run out of after some thousands. A larger secret has a
// mapping of its own from libsodium.
constexpr std::size_t kSmallestBlock = 16;
constexpr std::size_t kLargestBlock = 4096;
constexpr std::size_t kChunk = 64 << 10;
constexpr std::size_t kClasses = std::countr_zero(kLargestBlock) - std::countr_zero(kSmallestBlock) + 1;

std::atomic<bool> locking_refused{false};

class SecretPool {
public:
    static SecretPool& Instance() {
        static SecretPool* pool = new SecretPool;  // never destroyed: secrets may outlive statics
        return *pool;
    }

    unsigned char* Take(std::size_t size) {
        const std::size_t type = ClassOf(size);
        const std::lock_guard lock(mutex_);
        auto& free = free_[type];
        if (free.empty()) Grow(type);
        unsigned char* block = free.back();
        free.pop_back();
        return block;
    }

    void Give(unsigned char* block, std::size_t size) {
        const std::size_t type = ClassOf(size);
        sodium_memzero(block, BlockSize(type));
        const std::lock_guard lock(mutex_);
        free_[type].push_back(block);
    }

    static bool IsPooled(std::size_t size) { return size <= kLargestBlock; }

private:
    static std::size_t ClassOf(std::size_t size) {
        const std::size_t block = std::bit_ceil(std::max(size, kSmallestBlock));
        return static_cast<std::size_t>(std::countr_zero(block) - std::countr_zero(kSmallestBlock));
    }
    static std::size_t BlockSize(std::size_t type) { return kSmallestBlock << type; }

    void Grow(std::size_t type) {
        void* chunk = mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (chunk == MAP_FAILED) throw std::bad_alloc();
        madvise(chunk, kChunk, MADV_DONTDUMP);
        // Where locking is refused the chunk is ordinary memory, still wiped on every release.
        if (mlock(chunk, kChunk) != 0) locking_refused = true;
        auto* bytes = static_cast<unsigned char*>(chunk);
        for (std::size_t at = 0; at + BlockSize(type) <= kChunk; at += BlockSize(type)) free_[type].push_back(bytes + at);
    }

    std::mutex mutex_;
    std::array<std::vector<unsigned char*>, kClasses> free_;
};

}  // namespace

void UseSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw std::runtime_error("libsodium cannot start");
}

bool SecretLockingRefused() { return locking_refused; }

SecretBytes::SecretBytes(std::size_t size) : size_(size) {
    UseSodium();
    if (SecretPool::IsPooled(size)) {
        data_ = SecretPool::Instance().Take(size);
    } else {
        data_ = static_cast<unsigned char*>(sodium_malloc(size));
        if (!data_) throw std::bad_alloc();
    }
    std::memset(data_, 0, size);
}

SecretBytes::SecretBytes(std::string_view bytes) : SecretBytes(bytes.size()) {
    if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

void SecretBytes::Release() {
    if (!data_) return;
    if (SecretPool::IsPooled(size_))
        SecretPool::Instance().Give(data_, size_);  // wipes before it is used again
    else
        sodium_free(data_);  // wipes before it frees
    data_ = nullptr;
    size_ = 0;
}

SecretBytes::~SecretBytes() { Release(); }

SecretBytes::SecretBytes(SecretBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

SecretBytes RandomSecret(std::size_t size) {
    SecretBytes bytes(size);
    randombytes_buf(bytes.data(), size);
    return bytes;
}

void Wipe(std::string& text) {
    if (!text.empty()) sodium_memzero(text.data(), text.size());
}

void DisableCoreDumps() {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
}

}  // namespace sitora::protect
