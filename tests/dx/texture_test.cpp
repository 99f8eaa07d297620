// The texture cache (sharing, release, reads counted through a file-access
// table), the stretched draw on pixels, and pictures that cannot be loaded:
// missing, malformed, oversized or cut short.
#include <zlib.h>

#include <map>
#include <string>
#include <vector>

#include "dx/texture.hpp"
#include "fixture.hpp"
#include "media/core/internal.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/image_files.hpp"
#include "media/graphics/library_files.hpp"
#include "ui/texture.hpp"

namespace {

using dx_test::wrapper;
using graphics_test::bytes;

// Opens of each file name (without its folder) through the file-access table.
std::map<std::string, int>& opens() {
  static std::map<std::string, int> counts;
  return counts;
}

void* counting_open(const char* path, int cache, int reserved, int background) {
  std::string name = path;
  const std::size_t cut = name.find_last_of('/');
  if (cut != std::string::npos) name = name.substr(cut + 1);
  ++opens()[name];
  return media::core::plain_file_ops.open(path, cache, reserved, background);
}

class textures : public wrapper {
 protected:
  void SetUp() override {
    wrapper::SetUp();
    opens().clear();
    FILEOPS counting = media::core::plain_file_ops;
    counting.open = counting_open;
    SelectFileAccessOps(&counting);
  }
  void TearDown() override {
    SelectFileAccessOps(nullptr);
    wrapper::TearDown();
  }

  void write(const std::string& name, const bytes& data) const {
    folder.file(name, std::string(data.begin(), data.end()));
  }

  static bool cached(const std::string& path) { return dx::detail::texture::cache::get().count(path) != 0; }

  // The last presented frame after a frame that fills the screen with
  // background and then draws.
  static void draw_frame(std::uint32_t background, const std::function<void()>& draw) {
    support::driver::frame(
        [&] {
          DrawFilledBox(0, 0, 800, 600, PackScreenColor(background >> 16, (background >> 8) & 0xFF, background & 0xFF));
          draw();
        },
        nullptr);
  }

  support::temp_folder folder;
};

// A bottom-up 24-bit bitmap of the given size, pixel (x, y) = colour(x, y).
template <class F>
bytes bmp24(int width, int height, F colour) {
  graphics_test::bmp_spec s;
  s.bits = 24;
  s.width = width;
  s.height = height;
  for (int y = height - 1; y >= 0; --y) {
    int n = 0;
    for (int x = 0; x < width; ++x, n += 3) {
      const std::uint32_t c = colour(x, y);
      s.data.push_back(static_cast<unsigned char>(c));
      s.data.push_back(static_cast<unsigned char>(c >> 8));
      s.data.push_back(static_cast<unsigned char>(c >> 16));
    }
    while (n++ % 4 != 0) s.data.push_back(0);
  }
  return graphics_test::bmp_file(s);
}

TEST_F(textures, OnePathSharesOneGraphUntilItsLastUserLetsGo) {
  const std::string path = folder.at("pic.bmp");
  write("pic.bmp", bmp24(3, 2, [](int x, int y) { return 0x102030u * static_cast<std::uint32_t>(1 + x + y); }));
  dx::texture a = dx::texture::texture_from_file(path);
  dx::texture b;
  b.load(path);
  EXPECT_EQ(opens()["pic.bmp"], 1);
  const int graph = a.graph();
  ASSERT_GE(graph, 0);
  EXPECT_EQ(b.graph(), graph);
  EXPECT_EQ(a.image()->width, 3);
  EXPECT_EQ(a.image()->height, 2);
  EXPECT_EQ(a.image()->path, path);
  EXPECT_EQ(a.transparent, 1);

  a.release();
  EXPECT_EQ(IsGraphHandleValid(graph), 1);
  EXPECT_TRUE(cached(path));
  EXPECT_EQ(a.graph(), -1);
  b.release();
  EXPECT_EQ(IsGraphHandleValid(graph), 0);
  EXPECT_FALSE(cached(path));

  {
    // a copy is a user too; the last one to go, here a destructor, deletes
    dx::texture c = dx::texture::texture_from_file(path);
    EXPECT_EQ(opens()["pic.bmp"], 2);
    dx::texture d = c;
    c = dx::texture();
    EXPECT_EQ(IsGraphHandleValid(d.graph()), 1);
    EXPECT_TRUE(cached(path));
  }
  EXPECT_FALSE(cached(path));
}

TEST_F(textures, StretchedOverTheWidgetByNearestPixelsWithBlackLeftOut) {
  const std::string path = folder.at("skin.bmp");
  auto colour = [](int x, int y) -> std::uint32_t {
    if ((x + 2 * y) % 13 == 0) return 0;  // transparent
    return static_cast<std::uint32_t>((x * 5) & 0xFF) << 16 | static_cast<std::uint32_t>((y * 7) & 0xFF) << 8 |
           static_cast<std::uint32_t>(1 + (x + y) % 250);
  };
  write("skin.bmp", bmp24(200, 150, colour));
  ui::texture skin(dx::texture::texture_from_file(path));
  skin.width = ui::screen_width;
  skin.height = ui::screen_height;
  const std::uint32_t background = 0x336699;
  draw_frame(background, [&] { skin.draw(0, 0); });
  int wrong = 0;
  for (int y = 0; y < 600 && wrong < 10; ++y)
    for (int x = 0; x < 800 && wrong < 10; ++x) {
      const std::uint32_t source = colour(x / 4, y / 4);
      const std::uint32_t want = source == 0 ? background : source;
      if (frame_pixel(x, y) != want) {
        ++wrong;
        ADD_FAILURE() << "(" << x << ", " << y << "): " << std::hex << frame_pixel(x, y) << " instead of " << want;
      }
    }

  // the owner sizes an xtexture; drawn at an offset, it covers only its box
  ui::xtexture small(skin.image);
  small.set_size(400, 300);
  EXPECT_EQ(small.width, 400);
  EXPECT_EQ(small.height, 300);
  draw_frame(background, [&] { small.draw(100, 50); });
  EXPECT_EQ(frame_pixel(99, 60), background);
  EXPECT_EQ(frame_pixel(500, 60), background);
  EXPECT_EQ(frame_pixel(101, 51), colour(0, 0) == 0 ? background : colour(0, 0));
  EXPECT_EQ(frame_pixel(499, 349), colour(199, 149) == 0 ? background : colour(199, 149));
}

// A PNG of the given size claimed in its header: a small valid file whose
// size fields are rewritten, with the header's check sum made right again.
bytes png_claiming(std::uint32_t width, std::uint32_t height) {
  graphics_test::png_options o;
  o.rows = {255, 0, 0, 0, 255, 0};
  bytes file = graphics_test::png_file(o);
  // signature (8), length (4), "IHDR" (4), width at 16, height at 20
  for (int i = 0; i < 4; ++i) {
    file[16 + i] = static_cast<unsigned char>(width >> (24 - 8 * i));
    file[20 + i] = static_cast<unsigned char>(height >> (24 - 8 * i));
  }
  const uLong crc = crc32(0, file.data() + 12, 17);
  for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
  return file;
}

TEST_F(textures, PicturesThatCannotBeLoadedGiveEmptyEntriesThatDrawNothing) {
  graphics_test::png_options whole;
  whole.width = 64;
  whole.height = 64;
  whole.rows.assign(64 * 64 * 3, 200);
  bytes cut_png = graphics_test::png_file(whole);
  cut_png.resize(cut_png.size() / 2);
  bytes bmp_wrapping = bmp24(2, 2, [](int, int) { return 0xFFFFFFu; });
  // 0x10000 x 0x10001 pixels: a size product that wraps in 32 bits
  bmp_wrapping[18] = 0, bmp_wrapping[19] = 0, bmp_wrapping[20] = 1, bmp_wrapping[21] = 0;
  bmp_wrapping[22] = 1, bmp_wrapping[23] = 0, bmp_wrapping[24] = 1, bmp_wrapping[25] = 0;
  const struct {
    const char* name;
    bytes file;  // empty: no file
  } rows[] = {
      {"missing.png", {}},
      {"text.png", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}},
      {"huge.png", png_claiming(100000, 100000)},
      {"wrapping.png", png_claiming(65536, 65537)},
      {"many-pixels.png", png_claiming(32767, 32767)},
      {"wrapping.bmp", bmp_wrapping},
      {"cut.png", cut_png},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (!row.file.empty()) write(row.name, row.file);
    const std::string path = folder.at(row.name);
    ui::texture picture(dx::texture::texture_from_file(path));
    ASSERT_TRUE(picture.image.image());
    EXPECT_EQ(picture.image.graph(), -1);
    EXPECT_EQ(picture.image.image()->width, 0);
    EXPECT_EQ(picture.image.image()->height, 0);
    EXPECT_TRUE(cached(path));
    picture.width = 800;
    picture.height = 600;
    draw_frame(0x123456, [&] { picture.draw(0, 0); });
    EXPECT_EQ(frame_pixel(0, 0), 0x123456u);
    EXPECT_EQ(frame_pixel(799, 599), 0x123456u);
    picture.image.release();
    EXPECT_FALSE(cached(path));
  }
}

TEST_F(textures, JpegCutShortLoadsWithItsEndFilled) {
  graphics_test::jpeg_options o;
  o.width = 48;
  o.height = 48;
  bytes file = graphics_test::jpeg_file(o);
  file.resize(file.size() * 2 / 3);
  write("cut.jpg", file);
  dx::texture t = dx::texture::texture_from_file(folder.at("cut.jpg"));
  EXPECT_GE(t.graph(), 0);
  ASSERT_TRUE(t.image());
  EXPECT_EQ(t.image()->width, 48);
  EXPECT_EQ(t.image()->height, 48);
}

}  // namespace
