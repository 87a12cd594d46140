#include "AllocationLimit.h"

#include <atomic>
#include <new>
#include <stdint.h>
#include <stdlib.h>

namespace {

std::atomic<size_t> g_nLargest{SIZE_MAX};

} // namespace

CAllocationLimit::CAllocationLimit(size_t nLargest)
{
    g_nLargest = nLargest;
}

CAllocationLimit::~CAllocationLimit()
{
    g_nLargest = SIZE_MAX;
}

// Replaces the standard library's; its operator delete frees with free.
void* operator new(size_t nSize)
{
    if (nSize > g_nLargest.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    void* p = malloc(nSize ? nSize : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}
