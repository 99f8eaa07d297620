// Memory helpers.
#include "media/core/memory.hpp"

#include <cstring>

void MemFill(void* buffer, int byte, int length)
{
    if (length > 0)
        std::memset(buffer, byte, static_cast<std::size_t>(length));
}

void MemCopy(void* destination, const void* source, int length)
{
    if (length > 0)
        std::memcpy(destination, source, static_cast<std::size_t>(length));
}

void* MemMove(void* destination, const void* source, int length)
{
    if (length > 0)
        std::memmove(destination, source, static_cast<std::size_t>(length));
    return destination;
}

int MemCompare(const void* a, const void* b, int length)
{
    if (length <= 0)
        return 0;
    return std::memcmp(a, b, static_cast<std::size_t>(length)) == 0 ? 0 : 1;
}
