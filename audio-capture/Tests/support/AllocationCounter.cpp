// Global operator new and delete that count, in a file of their own so the
// compiler cannot inline them next to a delete-expression (GCC then mistakes
// the free() below for a mismatched deallocation).
#include "support/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

long tallwick::testing::allocationsSoFar() {
    return allocations.load();
}
