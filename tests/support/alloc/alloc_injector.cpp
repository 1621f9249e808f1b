// Replaces the global operator new and delete and, outside sanitizer builds,
// malloc, calloc, realloc and free, so that a test binary linking this object
// counts the allocations of one call and can make the Nth of them fail.
#include "alloc_injector.hpp"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define ZR_HOOK_C_ALLOCATOR 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZR_HOOK_C_ALLOCATOR 0
#endif
#endif
#ifndef ZR_HOOK_C_ALLOCATOR
#define ZR_HOOK_C_ALLOCATOR 1
#endif
// The replacements must be seen by the reader library: exported although the
// project builds with hidden visibility.
#define ZR_REPLACES __attribute__((visibility("default")))

zr::test::Injector zr::test::injector;

namespace {
using zr::test::injector;
}  // namespace

#if ZR_HOOK_C_ALLOCATOR
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
void __libc_free(void *pointer);

ZR_REPLACES void *malloc(std::size_t size) {
    if (injector.FailThis()) return nullptr;
    void *p = __libc_malloc(size);
    if (p != nullptr && injector.armed) ++injector.live;
    return p;
}
ZR_REPLACES void *calloc(std::size_t count, std::size_t size) {
    if (injector.FailThis()) return nullptr;
    void *p = __libc_calloc(count, size);
    if (p != nullptr && injector.armed) ++injector.live;
    return p;
}
ZR_REPLACES void *realloc(void *pointer, std::size_t size) {
    if (injector.FailThis()) return nullptr;
    void *p = __libc_realloc(pointer, size);
    if (p != nullptr && pointer == nullptr && injector.armed) ++injector.live;
    return p;
}
ZR_REPLACES void free(void *pointer) {
    if (pointer != nullptr && injector.armed) --injector.live;
    __libc_free(pointer);
}
}  // extern "C"

namespace {
void *RawAllocate(std::size_t size) {
    return __libc_malloc(size == 0 ? 1 : size);
}
void RawFree(void *p) {
    __libc_free(p);
}
}  // namespace
#else
namespace {
void *RawAllocate(std::size_t size) {
    return std::malloc(size == 0 ? 1 : size);
}
void RawFree(void *p) {
    std::free(p);
}
}  // namespace
#endif

namespace {
void *CountedNew(std::size_t size) {
    if (injector.FailThis()) return nullptr;
    void *p = RawAllocate(size);
    if (p != nullptr && injector.armed) ++injector.live;
    return p;
}
void CountedDelete(void *p) {
    if (p != nullptr && injector.armed) --injector.live;
    RawFree(p);
}
}  // namespace

ZR_REPLACES void *operator new(std::size_t size) {
    void *p = CountedNew(size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
ZR_REPLACES void *operator new[](std::size_t size) {
    void *p = CountedNew(size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
ZR_REPLACES void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    return CountedNew(size);
}
ZR_REPLACES void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
    return CountedNew(size);
}
ZR_REPLACES void operator delete(void *p) noexcept {
    CountedDelete(p);
}
ZR_REPLACES void operator delete[](void *p) noexcept {
    CountedDelete(p);
}
ZR_REPLACES void operator delete(void *p, std::size_t) noexcept {
    CountedDelete(p);
}
ZR_REPLACES void operator delete[](void *p, std::size_t) noexcept {
    CountedDelete(p);
}
