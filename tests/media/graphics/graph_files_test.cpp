// Graphs from image files on the software renderer: every loader's fixture
// into a graph, the alpha companion, mirroring, the transparent colour, bad
// files, source names and the reload through a counting file-access table.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "graph_fixture.hpp"
#include "image_files.hpp"
#include "library_files.hpp"
#include "media/core/archive.hpp"
#include "media/core/archive_writer.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/convert.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/loaders/loader.hpp"
#include "media/graphics/settings.hpp"

namespace {

using graphics_test::bytes;

class GraphFiles : public graphics_test::graph_fixture {
protected:
    void TearDown() override
    {
        SelectFileAccessOps(nullptr);
        graph_fixture::TearDown();
    }

    void write(const std::string& name, const bytes& data) const
    {
        std::ofstream out(dir_.at(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }

    static const MEMIMG& body_image(int g) { return GetGraphRecord(g)->body->image; }

    // A bottom-up 24-bit bitmap of one row per entry of rows (0xRRGGBB).
    static bytes bmp24(const std::vector<std::vector<std::uint32_t>>& rows)
    {
        graphics_test::bmp_spec s;
        s.bits = 24;
        s.width = static_cast<int>(rows[0].size());
        s.height = static_cast<int>(rows.size());
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            std::size_t n = 0;
            for (std::uint32_t c : *row) {
                s.data.push_back(static_cast<unsigned char>(c));
                s.data.push_back(static_cast<unsigned char>(c >> 8));
                s.data.push_back(static_cast<unsigned char>(c >> 16));
                n += 3;
            }
            while (n++ % 4 != 0) s.data.push_back(0);
        }
        return graphics_test::bmp_file(s);
    }
};

// Counts the opens of each file name (without its folder) through the
// file-access table.
std::map<std::string, int>& opens()
{
    static std::map<std::string, int> counts;
    return counts;
}

void* counting_open(const char* path, int cache, int reserved, int background)
{
    std::string name = path;
    const std::size_t cut = name.find_last_of("\\/");
    if (cut != std::string::npos) name = name.substr(cut + 1);
    ++opens()[name];
    return media::core::plain_file_ops.open(path, cache, reserved, background);
}

TEST_F(GraphFiles, EveryLoaderFixtureBecomesAGraphOfItsConvertedPixels)
{
    using namespace graphics_test;
    bmp_spec bmp8;
    bmp8.width = 3, bmp8.height = 2, bmp8.bits = 8, bmp8.colors_used = 3;
    bmp8.palette = {0x000000, 0xFF0000, 0x00FF00};
    bmp8.data = {0, 1, 2, 0, 2, 1, 0, 0};
    png_options rgb;
    rgb.rows = {255, 0, 0, 0, 0, 0};
    png_options rgba;
    rgba.color_type = PNG_COLOR_TYPE_RGBA;
    rgba.rows = {255, 0, 0, 128, 0, 255, 0, 255};
    png_options indexed;
    indexed.color_type = PNG_COLOR_TYPE_PALETTE;
    indexed.palette = {{10, 20, 30}, {40, 50, 60}};
    indexed.rows = {0, 1};
    tga_spec tga;
    tga.width = 2, tga.height = 1;
    tga.data = {0x10, 0x20, 0x30, 0, 0, 0};
    dds_spec argb;
    argb.width = 2, argb.height = 2;
    argb.data = {1, 2, 3, 4, 5, 6, 7, 0, 9, 10, 11, 255, 0, 0, 0, 0};
    dds_spec dxt1;
    dxt1.width = 4, dxt1.height = 4, dxt1.pf_flags = 4, dxt1.fourcc = fourcc("DXT1");
    dxt1.data = {0x00, 0xF8, 0x00, 0x00, 0x54, 0x54, 0x54, 0x54};
    const struct {
        const char* name;
        bytes file;
    } rows[] = {
        {"pic8.bmp", bmp_file(bmp8)},
        {"pic24.bmp", bmp24({{0xFF0000, 0x000000, 0x123456}, {0x00FF00, 0x0000FF, 0xFFFFFF}})},
        {"rgb.png", png_file(rgb)},
        {"rgba.png", png_file(rgba)},
        {"indexed.png", png_file(indexed)},
        {"pic.jpg", jpeg_file({})},
        {"pic.tga", tga_file(tga)},
        {"argb.dds", dds_file(argb)},
        {"dxt1.dds", dds_file(dxt1)},
        {"pic.bgra", bgra_file(0x08080808, 2, 1, {1, 2, 3, 4, 5, 6, 7, 0})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        write(row.name, row.file);
        const int g = LoadGraphFile(row.name, 0);
        ASSERT_GE(g, 0);
        IMGBUF loaded{};
        ASSERT_EQ(LoadImageBuffer(row.name, nullptr, 0, 0, 0, 0, &loaded, nullptr, nullptr), 0);
        ASSERT_EQ(DecodeDxtImage(&loaded), 0);
        RecomputeUnusedBits(&loaded.format);
        const MEMIMG& image = body_image(g);
        EXPECT_EQ(image.width, loaded.width);
        EXPECT_EQ(image.height, loaded.height);
        const MEMIMG_BASE& base = *image.base;
        std::vector<unsigned char> want(static_cast<std::size_t>(base.pitch) * loaded.height);
        const RECT whole{0, 0, loaded.width, loaded.height};
        ConvertPixelRect(want.data(), base.pitch, base.format, loaded.pixels, loaded.pitch, &loaded.format, nullptr, 0,
                         nullptr, 0, 0, &whole, 0, 1, base.transparent, 0, 0, 0, 0, 0);
        const std::size_t row_bytes = static_cast<std::size_t>(loaded.width) * base.format->pixel_bytes;
        for (int y = 0; y < loaded.height; ++y)
            EXPECT_EQ(std::memcmp(want.data() + y * base.pitch,
                                  static_cast<const unsigned char*>(image.pixels) + y * base.pitch, row_bytes),
                      0)
                << "row " << y;
        ReleaseImageBuffer(&loaded);
        DeleteGraphHandle(g);
    }
    // literal pixels: the 24-bit bitmap's rows, and the DXT1 block (left column red)
    const int g = LoadGraphFile("pic24.bmp", 0);
    EXPECT_EQ(pixel(body_image(g), 0, 0), 0xFF0000u);
    EXPECT_EQ(pixel(body_image(g), 2, 0), 0x123456u);
    EXPECT_EQ(pixel(body_image(g), 1, 1), 0x0000FFu);
    const int d = LoadGraphFile("dxt1.dds", 0);
    EXPECT_EQ(pixel(body_image(d), 0, 0), 0xFF0000u);
    EXPECT_EQ(pixel(body_image(d), 3, 0), 0u);
    EXPECT_EQ(GetGraphRecord(LoadGraphFile("pic8.bmp", 0))->body->paletted, 1);
}

TEST_F(GraphFiles, TheAlphaCompanionGivesTheAlphaAndMirroringTurnsBoth)
{
    write("pic.bmp", bmp24({{0x102030, 0x405060}}));
    write("pic_a.bmp", bmp24({{0x800000, 0xFF0000}}));
    const int g = LoadGraphFile("pic.bmp", 0);
    ASSERT_GE(g, 0);
    const MEMIMG& image = body_image(g);
    ASSERT_EQ(image.base->alpha, 1);
    const auto argb = [&](int x) {
        std::uint32_t v = 0;
        std::memcpy(&v, static_cast<const unsigned char*>(image.pixels) + x * 4, 4);
        return v;
    };
    EXPECT_EQ(argb(0), 0x80102030u);
    EXPECT_EQ(argb(1), 0xFF405060u);

    const int m = LoadGraphOrMovie("pic.bmp", 1, 0);
    ASSERT_GE(m, 0);
    std::uint32_t first = 0;
    std::memcpy(&first, body_image(m).pixels, 4);
    EXPECT_EQ(first, 0xFF405060u);
    EXPECT_EQ(GetGraphRecord(m)->mirror, 1);

    // a companion of another size: no graph, nothing kept
    write("pic_a.bmp", bmp24({{0x800000}}));
    const int count = media::gfx::graphs.count();
    EXPECT_EQ(LoadGraphFile("pic.bmp", 0), -1);
    EXPECT_EQ(media::gfx::graphs.count(), count);
}

TEST_F(GraphFiles, BlackPixelsOfAPictureWithoutAlphaAreTransparent)
{
    for (const char* name : {"black.bmp", "black.png"}) {
        SCOPED_TRACE(name);
        if (std::string(name) == "black.bmp") {
            write(name, bmp24({{0x000000, 0xFF0000}, {0x010000, 0x000000}}));
        } else {
            graphics_test::png_options o;
            o.height = 2;
            o.rows = {0, 0, 0, 255, 0, 0, 1, 0, 0, 0, 0, 0};
            write(name, graphics_test::png_file(o));
        }
        const int g = LoadGraphFile(name, 0);
        ASSERT_GE(g, 0);
        fill_screen(0x808080);
        ASSERT_EQ(DrawGraphAt(0, 0, g, 1), 0);
        EXPECT_EQ(screen(0, 0), 0x808080u);
        EXPECT_EQ(screen(1, 0), 0xFF0000u);
        EXPECT_EQ(screen(0, 1), 0x010000u);
        EXPECT_EQ(screen(1, 1), 0x808080u);
        DeleteGraphHandle(g);
    }
}

TEST_F(GraphFiles, MissingAndBadFilesGiveNoGraphAndKeepNothing)
{
    const int blocks = media::core::alloc_state.count;
    EXPECT_EQ(LoadGraphFile("nothing.bmp", 0), -1);
    EXPECT_NE(read().find("グラフィックファイル nothing.bmp がありません"), std::string::npos);
    EXPECT_EQ(read().find("右記のグラフィックファイルのロードに失敗しました：nothing.bmp"), std::string::npos);

    graphics_test::png_options o;
    o.width = 8, o.height = 8;
    o.rows.assign(8 * 8 * 3, 0x77);
    bytes cut = graphics_test::png_file(o);
    cut.resize(cut.size() / 2);
    write("cut.png", cut);
    write("junk.bin", bytes(100, 0xA5));
    media::gfx::settings.graph_color_depth = 16;
    media::gfx::settings.use_transparent_color = 1;
    for (const char* name : {"cut.png", "junk.bin"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(LoadGraphFile(name, 0), -1);
        EXPECT_NE(read().find(std::string("右記のグラフィックファイルのロードに失敗しました：") + name + " \r\n"),
                  std::string::npos);
    }
    EXPECT_EQ(media::gfx::settings.graph_color_depth, 16);
    EXPECT_EQ(media::gfx::settings.use_transparent_color, 1);
    EXPECT_EQ(media::gfx::settings.graph_drawable, 0);
    EXPECT_EQ(media::gfx::settings.textures_unmanaged, 0);
    EXPECT_EQ(media::gfx::settings.movie_graph, 0);
    EXPECT_EQ(media::gfx::graphs.count(), 0);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
}

// "SKIN.DXA" serves every path under "skin/", a plain file of the same path
// notwithstanding.
TEST_F(GraphFiles, AnArchiveServesThePicturesOfItsFolder)
{
    graphics_test::png_options o;
    o.width = 2, o.height = 1;
    o.rows = {10, 20, 30, 40, 50, 60};
    const bytes archived = graphics_test::png_file(o);
    using namespace archive_test;
    write("SKIN.DXA", [&] {
        const std::string stored = keyed(plain_archive(
            folder("", {file("x.png", std::string(archived.begin(), archived.end()), true)})));
        return bytes(stored.begin(), stored.end());
    }());
    dir_.folder("skin");
    write("skin/x.png", bmp24({{0xFFFFFF, 0xFFFFFF}}));
    const int g = LoadGraphFile("skin/x.png", 0);
    ASSERT_GE(g, 0);
    fill_screen(0x808080);
    ASSERT_EQ(DrawGraphAt(0, 0, g, 0), 0);
    EXPECT_EQ(screen(0, 0), 0x0A141Eu);
    EXPECT_EQ(screen(1, 0), 0x28323Cu);
    DeleteGraphHandle(g);
    CloseUnusedArchives();
}

TEST_F(GraphFiles, SourceNamesAreAbsoluteSharedAndFreedWithTheLastGraph)
{
    write("pic.bmp", bmp24({{1, 2, 3, 4}}));
    const int blocks = media::core::alloc_state.count;
    const int g = LoadGraphFile("pic.bmp", 0);
    ASSERT_GE(g, 0);
    char full[260];
    ASSERT_EQ(ResolveFullPath("pic.bmp", full, nullptr), 0);
    GRAPHSOURCENAME* name = GetGraphRecord(g)->source;
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name->path, full);
    const int d = DeriveGraph(2, 0, 2, 1, g);
    EXPECT_EQ(GetGraphRecord(d)->source, name);
    EXPECT_EQ(name->ref_count, 2);
    EXPECT_EQ(GetGraphRecord(d)->source_x, 2);
    DeleteGraphHandle(g);
    EXPECT_EQ(name->ref_count, 1);

    const int other = MakeGraphOfSize(2, 2);
    EXPECT_EQ(SetGraphSourceName(other, nullptr, d), 0);
    EXPECT_EQ(GetGraphRecord(other)->source, name);
    EXPECT_EQ(SetGraphSourceName(other, nullptr, 0x7FFFFFFF), -1);
    EXPECT_EQ(SetGraphSourceName(other, nullptr, -1), 0);
    EXPECT_EQ(GetGraphRecord(other)->source, nullptr);
    EXPECT_EQ(SetGraphSourceName(-1, "pic.bmp", -1), -1);

    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(SetGraphSourceName(other, "else.bmp", -1), -1);
    EXPECT_NE(read().find("転送する画像ファイルのファイル名を保存するメモリ領域の確保に失敗しました"),
              std::string::npos);
    EXPECT_EQ(GetGraphRecord(other)->source, nullptr);

    DeleteGraphHandle(d);
    DeleteGraphHandle(other);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
}

TEST_F(GraphFiles, ReloadReadsEachFileOnceAndSkipsVanishedOnes)
{
    write("pic.bmp", bmp24({{0x111111, 0x222222, 0x333333, 0x444444}}));
    write("two.bmp", bmp24({{0x555555}}));
    const int g = LoadGraphFile("pic.bmp", 0);
    const int d = DeriveGraph(2, 0, 2, 1, g);
    const int t = LoadGraphFile("two.bmp", 0);
    const int plain = MakeGraphOfSize(1, 1);
    FillMemImgRect(const_cast<MEMIMG*>(&body_image(g)), nullptr, 0xFF000000u);
    FillMemImgRect(const_cast<MEMIMG*>(&body_image(t)), nullptr, 0xFF000000u);
    FillMemImgRect(const_cast<MEMIMG*>(&body_image(plain)), nullptr, 0xFF0000FFu);

    FILEOPS counting = media::core::plain_file_ops;
    counting.open = counting_open;
    opens().clear();
    SelectFileAccessOps(&counting);
    ReloadGraphsFromFiles();
    EXPECT_NE(read().find("グラフィックを復帰します\r\n"), std::string::npos);
    EXPECT_EQ(opens()["pic.bmp"], 1);
    EXPECT_EQ(opens()["two.bmp"], 1);
    EXPECT_EQ(pixel(body_image(g), 0, 0), 0x111111u);
    EXPECT_EQ(pixel(body_image(g), 3, 0), 0x444444u);
    EXPECT_EQ(pixel(GetGraphRecord(d)->image, 0, 0), 0x333333u);
    EXPECT_EQ(pixel(body_image(t), 0, 0), 0x555555u);
    EXPECT_EQ(pixel(body_image(plain), 0, 0), 0x0000FFu);
    // the records were kept, not made again
    EXPECT_EQ(GetGraphRecord(g)->source, GetGraphRecord(d)->source);
    EXPECT_EQ(GetGraphRecord(g)->source->ref_count, 2);

    std::filesystem::remove(dir_.at("pic.bmp"));
    FillMemImgRect(const_cast<MEMIMG*>(&body_image(g)), nullptr, 0xFF000000u);
    FillMemImgRect(const_cast<MEMIMG*>(&body_image(t)), nullptr, 0xFF000000u);
    ReloadGraphsFromFiles();
    EXPECT_EQ(pixel(body_image(g), 0, 0), 0u);
    EXPECT_EQ(pixel(body_image(t), 0, 0), 0x555555u);
}

TEST_F(GraphFiles, RectTransfersCutToTheGraphAndFindThePaletteTransparentEntry)
{
    IMGBUF image{};
    ASSERT_EQ(CreateXRGB8ImageBuffer(4, 2, &image), 0);
    for (int x = 0; x < 4; ++x) SetImagePixel(&image, x, 0, 10 * x, 0, 0, 255);
    const int g = MakeGraphOfSize(3, 2);
    FillMemImgRect(const_cast<MEMIMG*>(&body_image(g)), nullptr, 0xFF0000FFu);
    const RECT empty{0, 0, 0, 2};
    EXPECT_EQ(TransferImageToGraphRect(g, &empty, 0, 0, &image, nullptr, 0, 1, 0), 0);
    EXPECT_EQ(pixel(body_image(g), 0, 0), 0x0000FFu);
    const RECT whole{0, 0, 4, 1};
    EXPECT_EQ(TransferImageToGraphRect(g, &whole, 1, 0, &image, nullptr, 0, 1, 0), 0);
    EXPECT_EQ(pixel(body_image(g), 0, 0), 0x0000FFu);
    EXPECT_EQ(pixel(body_image(g), 1, 0), 0x000000u);
    EXPECT_EQ(pixel(body_image(g), 2, 0), 0x0A0000u);
    EXPECT_EQ(TransferImageToGraphRect(g, &whole, 3, 0, &image, nullptr, 0, 1, 0), -1);
    EXPECT_EQ(TransferImageToGraphRect(0x7FFFFFFF, &whole, 0, 0, &image, nullptr, 0, 1, 0), -1);
    ReleaseImageBuffer(&image);

    // paletted bodies: the entry of the transparent colour (black), or none
    struct row {
        std::vector<png_color> palette;
        std::uint32_t transparent;
    };
    const row rows[] = {{{{10, 20, 30}, {0, 0, 0}}, 1}, {{{10, 20, 30}, {40, 50, 60}}, 0xFFFF}};
    for (int depth : {32, 16})
        for (const row& r : rows) {
            SCOPED_TRACE(depth * 100000 + static_cast<int>(r.transparent));
            graphics_test::png_options o;
            o.color_type = PNG_COLOR_TYPE_PALETTE;
            o.palette = r.palette;
            o.rows = {0, 1};
            write("indexed.png", graphics_test::png_file(o));
            IMGBUF loaded{};
            ASSERT_EQ(LoadImageBuffer("indexed.png", nullptr, 0, 0, 0, 0, &loaded, nullptr, nullptr), 0);
            // the 256 entries past the file's own are no black
            for (int i = 2; i < 256; ++i) loaded.format.palette[i] = {8, 8, 8, 0};
            SetGraphColorDepth(depth);
            const int p = MakeGraphFromImage(&loaded, nullptr, 0, 0, 0);
            SetGraphColorDepth(0);
            ASSERT_GE(p, 0);
            EXPECT_EQ(body_image(p).base->transparent, r.transparent);
            // index 0 is drawn either way
            fill_screen(0x808080);
            ASSERT_EQ(DrawGraphAt(0, 0, p, 1), 0);
            if (depth == 32) {
                EXPECT_EQ(screen(0, 0), 0x0A141Eu);
                EXPECT_EQ(screen(1, 0), r.transparent == 1 ? 0x808080u : 0x28323Cu);
            }
            ReleaseImageBuffer(&loaded);
            DeleteGraphHandle(p);
        }
}

TEST_F(GraphFiles, TopLeftPixelAndBleedSettingsWhenSwitchedOn)
{
    IMGBUF image{};
    ASSERT_EQ(CreateXRGB8ImageBuffer(3, 1, &image), 0);
    SetImagePixel(&image, 0, 0, 10, 20, 30, 255);
    SetImagePixel(&image, 1, 0, 200, 0, 0, 255);
    SetImagePixel(&image, 2, 0, 10, 20, 31, 255);

    media::gfx::settings.transparent_from_pixel = 1;
    const int g = MakeGraphFromImage(&image, nullptr, 0, 0, 0);
    media::gfx::settings.transparent_from_pixel = 0;
    ASSERT_GE(g, 0);
    EXPECT_EQ(GetGraphRecord(g)->body->transparent, 0x0A141Eu);
    EXPECT_EQ(media::gfx::settings.transparent_color, 0u);
    fill_screen(0x808080);
    DrawGraphAt(0, 0, g, 1);
    EXPECT_EQ(screen(0, 0), 0x808080u);
    EXPECT_EQ(screen(1, 0), 0xC80000u);
    EXPECT_EQ(screen(2, 0), 0x0A141Fu);

    // bleed: transparent pixels take their neighbour's colour with alpha 0
    media::gfx::settings.transparent_color = 0x0A141E;
    media::gfx::settings.bleed_transparent = 1;
    const int b = MakeGraphFromImage(&image, nullptr, 0, 0, 0);
    media::gfx::settings.bleed_transparent = 0;
    media::gfx::settings.transparent_color = 0;
    ASSERT_GE(b, 0);
    const MEMIMG& bled = body_image(b);
    ASSERT_EQ(bled.base->alpha, 1);
    std::uint32_t px[3];
    std::memcpy(px, bled.pixels, 12);
    EXPECT_EQ(px[0], 0x00C80000u);
    EXPECT_EQ(px[1], 0xFFC80000u);
    EXPECT_EQ(px[2], 0xFF0A141Fu);

    // mirror now: the pixels go in mirrored, the image comes back unchanged
    const int m = MakeGraphFromImage(&image, nullptr, 0, 1, 1);
    EXPECT_EQ(pixel(body_image(m), 0, 0), 0x0A141Fu);
    EXPECT_EQ(pixel(body_image(m), 2, 0), 0x0A141Eu);
    EXPECT_EQ(pixel(body_image(m), 1, 0), 0xC80000u);
    int r = 0;
    GetImagePixel(&image, 1, 0, &r, nullptr, nullptr, nullptr);
    EXPECT_EQ(r, 200);
    ReleaseImageBuffer(&image);
}

}  // namespace
