// Fuzz target: the PNG loader alone on the input.
#include "fuzz_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::run_loader(LoadPngImage, data, size);
    return 0;
}
