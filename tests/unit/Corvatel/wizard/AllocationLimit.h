// A test's limit on the size of one allocation: while a CAllocationLimit lives, the test
// program's own operator new throws std::bad_alloc for any block larger than it allows, as a
// machine out of memory would. The library's allocations go through its own operator new and
// are not limited.
#pragma once

#include <stddef.h>

class CAllocationLimit
{
public:
    explicit CAllocationLimit(size_t nLargest);
    ~CAllocationLimit();
    CAllocationLimit(const CAllocationLimit&) = delete;
    CAllocationLimit& operator=(const CAllocationLimit&) = delete;
};
