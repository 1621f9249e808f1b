// Counts the bytes the process asks malloc, calloc and realloc for while a
// CountAllocations is alive. The test executable replaces those three functions
// (forwarding to glibc), so requests made inside the image library and the
// format libraries are counted too. Sanitizer builds keep their own allocator:
// there Available() is false and nothing is counted.
#pragma once

#include <cstdint>

namespace imgrw_test {

class CountAllocations {
  public:
    CountAllocations();
    ~CountAllocations();
    CountAllocations(const CountAllocations &) = delete;
    CountAllocations &operator=(const CountAllocations &) = delete;

    static bool Available();
    // Sum of every request so far (frees are not subtracted) and the largest one.
    std::uint64_t Total() const;
    std::uint64_t Largest() const;
};

}  // namespace imgrw_test
