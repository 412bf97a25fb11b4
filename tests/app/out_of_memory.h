#pragma once
// The app tests' own operator new, which can fail as when memory runs out. It lives in a
// file of its own, so that no call of it is inlined where the compiler could see through it.

#include <atomic>

// The next this many allocations of the test program succeed, and the one after fails with
// std::bad_alloc; negative: none fails.
extern std::atomic<int> allocationsBeforeFailure;
