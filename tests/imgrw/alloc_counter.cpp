// Replacements of malloc, calloc and realloc that count requests, forwarding to
// glibc's own entry points.
#include "alloc_counter.hpp"

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define ZR_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZR_TEST_SANITIZED 1
#endif
#endif

namespace imgrw_test {
namespace {

std::atomic<bool> g_counting{false};
std::atomic<std::uint64_t> g_total{0};
std::atomic<std::uint64_t> g_largest{0};

[[maybe_unused]] void Note(std::uint64_t bytes) {
    if (!g_counting.load(std::memory_order_relaxed)) return;
    g_total.fetch_add(bytes, std::memory_order_relaxed);
    std::uint64_t seen = g_largest.load(std::memory_order_relaxed);
    while (bytes > seen && !g_largest.compare_exchange_weak(seen, bytes, std::memory_order_relaxed)) {
    }
}

}  // namespace

CountAllocations::CountAllocations() {
    g_total = 0;
    g_largest = 0;
    g_counting = true;
}

CountAllocations::~CountAllocations() {
    g_counting = false;
}

std::uint64_t CountAllocations::Total() const {
    return g_total;
}

std::uint64_t CountAllocations::Largest() const {
    return g_largest;
}

#ifdef ZR_TEST_SANITIZED
bool CountAllocations::Available() {
    return false;
}
#else
bool CountAllocations::Available() {
    return true;
}
#endif

}  // namespace imgrw_test

#ifndef ZR_TEST_SANITIZED
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *block, std::size_t size);

void *malloc(std::size_t size) {
    imgrw_test::Note(size);
    return __libc_malloc(size);
}

void *calloc(std::size_t count, std::size_t size) {
    // An overflowing product is refused by glibc; count it as far too much.
    imgrw_test::Note(size != 0 && count > SIZE_MAX / size ? std::uint64_t{1} << 62
                                                          : std::uint64_t{count} * size);
    return __libc_calloc(count, size);
}

void *realloc(void *block, std::size_t size) {
    imgrw_test::Note(size);
    return __libc_realloc(block, size);
}
}  // extern "C"
#endif
