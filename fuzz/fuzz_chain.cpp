// Fuzz target: the loader chain from memory, the input split into an image
// and an alpha image (the first two bytes give the split, the third the
// mirror flag).
#include "fuzz_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::input in(data, size);
    const std::size_t split = in.take(2);
    const int mirror = static_cast<int>(in.take(1) & 1);
    const std::uint8_t* image_data = in.rest();
    const std::size_t rest = in.rest_size();
    const std::size_t image_size = split < rest ? split : rest;
    IMGBUF image{}, alpha{};
    const int result =
        LoadImageWithAlphaFile(nullptr, image_data, static_cast<int>(image_size), 1, image_data + image_size,
                               static_cast<int>(rest - image_size), 1, &image, &alpha, mirror);
    if (result >= 0) ReleaseImageBuffer(&image);
    if (result == 0) ReleaseImageBuffer(&alpha);
    if (result < -1 || result > 1 || (result != 0 && alpha.pixels != nullptr)) std::abort();
    return 0;
}
