// The loaders' log line: a bitmap whose 24-bit copy cannot be allocated.
#include <string>

#include "image_files.hpp"
#include "media/core/alloc.hpp"
#include "media/core/log_folder.hpp"
#include "media/graphics/loaders/loader.hpp"

namespace graphics_test {
namespace {

class LoaderLog : public media_test::log_folder {};

TEST_F(LoaderLog, TwentyFourBitCopyThatCannotBeAllocatedIsLogged)
{
    OpenLogFile();
    bmp_spec s;
    s.width = 2, s.height = 2, s.bits = 32;
    s.data.assign(16, 0x40);
    const bytes file = bmp_file(s);
    // the stream record and the rows read pass; the 24-bit block fails
    media::core::fail_heap_requests_after(2, 1);
    IMGBUF image{};
    EXPECT_EQ(LoadImageBuffer(nullptr, file.data(), static_cast<int>(file.size()), 1, 0, 0, &image, nullptr, nullptr),
              -1);
    media::core::fail_heap_requests_after(0, 0);
    EXPECT_NE(read().find("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました"), std::string::npos);
    EXPECT_EQ(media::core::alloc_state.count, 0);
}

}  // namespace
}  // namespace graphics_test
