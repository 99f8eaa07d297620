// Fuzz target: the packed-data decoder over raw input. The block's packed
// size is set to the input's size (the decoder's contract: the block holds
// that many bytes); the announced unpacked size is kept below 1 MiB, and the
// output buffer is exactly that size so any write past it is seen.
#include <cstdint>
#include <cstring>
#include <vector>

#include "media/core/archive.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < ARCHIVE_PACKED_HEADER_SIZE || size > 0x7FFFFFFF)
        return 0;
    std::vector<std::uint8_t> block(data, data + size);
    const auto packed_size = static_cast<std::uint32_t>(size);
    std::memcpy(block.data() + 4, &packed_size, 4);
    block[3] = 0;  // under 1 MiB, so that runs stay quick
    block[2] &= 0x0F;
    const int announced = DecompressArchiveData(block.data(), nullptr);
    if (announced < 0)
        return 0;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(announced));
    const int got = DecompressArchiveData(block.data(), out.data());
    if (got != -1 && got != announced)
        __builtin_trap();
    return 0;
}
