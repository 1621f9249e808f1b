// Allocation-failure injection for test binaries: linking alloc_injector.cpp
// replaces the process's allocators with counting ones. While `armed`, every
// allocation is counted and the `failAt`-th one (1-based) fails. Test-only and
// single-threaded: arm it around one call at a time.
#pragma once

namespace zr::test {

struct Injector {
    bool armed = false;
    long count = 0;   // allocations seen while armed
    long failAt = 0;  // which one fails (1-based); 0: none
    long live = 0;    // allocations not yet freed, counted while armed
    bool failed = false;

    bool FailThis() {
        if (!armed) return false;
        if (++count != failAt) return false;
        failed = true;
        return true;
    }
};

extern Injector injector;

}  // namespace zr::test
