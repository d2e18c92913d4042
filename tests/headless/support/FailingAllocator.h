// Failure injection for the tests: the test program replaces the global
// operator new, which can be told to throw std::bad_alloc at the n-th
// allocation from now. Everything else allocates as usual (through malloc,
// so AddressSanitizer still sees every block).
#pragma once
#include <functional>

namespace failing_allocator {

// The number of allocations `action` makes when nothing fails.
long CountAllocations(const std::function<void()>& action);

// Runs `setup` and then `action` once for every allocation `action` makes,
// with that allocation failing (the first run fails the first allocation,
// and so on); `check` runs after each, told which allocation failed and
// whether `action` threw. Nothing fails in `setup` and `check`. Returns the
// number of runs.
long FailEachAllocation(const std::function<void()>& setup, const std::function<void()>& action,
                        const std::function<void(long, bool)>& check);

// Fails the n-th allocation from now (1 = the next one) once; 0 disarms.
void FailAllocation(long n);

}  // namespace failing_allocator
