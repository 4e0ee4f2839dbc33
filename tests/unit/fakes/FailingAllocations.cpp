// The unit tests' operator new: malloc, or a failure while a FailingAllocations stands.
#include "fakes/FailingAllocations.h"

#include <cstdlib>
#include <new>

namespace {

std::size_t failingFrom = 0; // 0: nothing fails
int passingLeft = 0;

} // namespace

FailingAllocations::FailingAllocations(std::size_t bytes, int passing)
{
    failingFrom = bytes;
    passingLeft = passing;
}

FailingAllocations::~FailingAllocations()
{
    failingFrom = 0;
}

void* operator new(std::size_t size)
{
    if (failingFrom != 0 && size >= failingFrom && passingLeft-- <= 0)
        throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
