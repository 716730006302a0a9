// Linked into the corrupt-file test programs. Nothing in them legitimately needs more than a
// few MiB: a larger request means a length from the file was trusted.

#include <cstdio>
#include <cstdlib>
#include <new>

void* operator new(std::size_t size)
{
    constexpr std::size_t kLimit = std::size_t(64) << 20;
    if (size > kLimit)
    {
        std::fputs("operator new: more than 64 MiB requested\n", stderr);
        std::abort();
    }
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
