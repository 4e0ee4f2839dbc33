// Allocations that fail on demand, for tests of what the code does when memory runs out. The
// unit tests' operator new is replaced for that; unarmed, it is malloc.
#pragma once
#include <cstddef>

// While one stands, allocations of at least `bytes` throw std::bad_alloc, once the first
// `passing` of them have been made.
class FailingAllocations {
public:
    explicit FailingAllocations(std::size_t bytes, int passing = 0);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};
