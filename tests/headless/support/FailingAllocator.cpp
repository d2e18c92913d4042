#include "tests/headless/support/FailingAllocator.h"

#include <cstdlib>
#include <new>

namespace {
long g_countdown = 0;  // the allocation that fails, counted down; 0: none
long g_count = 0;      // allocations since counting started
}  // namespace

namespace {
void* allocate(std::size_t size) {
    ++g_count;
    if (g_countdown > 0 && --g_countdown == 0) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* allocate_nothrow(std::size_t size) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
}  // namespace

// Every form but the aligned ones, so that a sanitizer's own operators are
// never paired with these.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate_nothrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate_nothrow(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace failing_allocator {

void FailAllocation(long n) { g_countdown = n; }

long CountAllocations(const std::function<void()>& action) {
    g_countdown = 0;
    long before = g_count;
    action();
    return g_count - before;
}

long FailEachAllocation(const std::function<void()>& setup, const std::function<void()>& action,
                        const std::function<void(long, bool)>& check) {
    long runs = 0;
    for (long n = 1;; ++n) {
        if (setup) setup();
        bool threw = false;
        g_countdown = n;
        try {
            action();
        } catch (...) {
            threw = true;
        }
        const bool failed = g_countdown == 0;
        g_countdown = 0;
        if (!failed) return runs;  // the action made fewer than n allocations
        ++runs;
        check(n, threw);
    }
}

}  // namespace failing_allocator
