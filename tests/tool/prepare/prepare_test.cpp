// The prepared working folder: the exact text files, the tree of samples, the
// pictures as the libraries decode them, and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "media/graphics/library_files.hpp"
#include "tool/prepare/prepare.hpp"

namespace {

namespace fs = std::filesystem;
using bytes = std::vector<unsigned char>;

bytes read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string read_text(const fs::path& path)
{
    const bytes b = read_file(path);
    return std::string(b.begin(), b.end());
}

std::set<std::string> names_in(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string() + (e.is_directory() ? "/" : ""));
    return names;
}

struct decoded {
    int width = 0, height = 0;
    bytes rgb;
};

decoded decode_jpeg(const fs::path& path)
{
    const bytes file = read_file(path);
    decoded d;
    if (file.size() < 4) return d;
    int components = 0;
    d.rgb = graphics_test::jpeg_plain_decode(file, &components);
    if (components != 3) return {};
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    d.width = static_cast<int>(info.image_width);
    d.height = static_cast<int>(info.image_height);
    jpeg_destroy_decompress(&info);
    return d;
}

decoded decode_png(const fs::path& path)
{
    const bytes file = read_file(path);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    decoded d;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return d;
    image.format = PNG_FORMAT_RGB;
    d.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, d.rgb.data(), 0, nullptr)) return {};
    d.width = static_cast<int>(image.width);
    d.height = static_cast<int>(image.height);
    return d;
}

class Prepare : public ::testing::Test {
 protected:
    void SetUp() override
    {
        base_ = fs::temp_directory_path() /
                ("prepare-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base_);
        fs::create_directories(base_);
    }
    void TearDown() override { fs::remove_all(base_); }

    fs::path base_;
};

TEST_F(Prepare, WritesTheTextFilesByteForByte)
{
    const fs::path home = base_ / "home";
    std::string error;
    ASSERT_TRUE(tool::prepare::make_working_folder(home.string(), &error)) << error;
    EXPECT_EQ(read_text(home / "system.txt"), "<root></root>");
    // the comment in code page 932: "選んだファイルを既定のアプリで開く"
    const std::string script =
        "// \x91\x49\x82\xf1\x82\xbe\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x8a\xf9\x92\xe8\x82\xcc\x83\x41\x83\x76"
        "\x83\x8a\x82\xc5\x8a\x4a\x82\xad\n"
        "process main(string path)\n{\n    using::open(path);\n}\n";
    EXPECT_EQ(read_text(home / "extension.hpp"), script);
    // nothing but the finished folder is left beside it
    EXPECT_EQ(names_in(base_), (std::set<std::string>{"home/"}));
}

TEST_F(Prepare, MakesTheSampleTree)
{
    const fs::path home = base_ / "a" / "b" / "home";  // missing parents are made
    std::string error;
    ASSERT_TRUE(tool::prepare::make_working_folder(home.string() + "/", &error)) << error;
    EXPECT_EQ(names_in(home), (std::set<std::string>{"extension.hpp", "root/", "skin/", "system.txt", "wallpaper/"}));
    const std::set<std::string> root = names_in(home / "root");
    EXPECT_EQ(root, (std::set<std::string>{"budget.csv", "documents/", "music/", "pictures/", "projects/",
                                           "shopping list.txt", "todo.txt", u8"旅行の写真/"}));
    EXPECT_GE(root.size(), 7u);  // more than the five rows the screen shows
    EXPECT_EQ(names_in(home / "root/documents"),
              (std::set<std::string>{"meeting notes.txt", "readme.txt", u8"日本語のメモ.txt"}));
    EXPECT_TRUE(names_in(home / "root/music").empty());
    EXPECT_EQ(names_in(home / "root/pictures"), (std::set<std::string>{"sunrise.png"}));
    EXPECT_EQ(names_in(home / "skin"), (std::set<std::string>{"skin.jpg"}));
    EXPECT_EQ(names_in(home / "wallpaper"), (std::set<std::string>{"evening.jpg"}));
    // the wallpaper is listed through code page 932 names: an ASCII name is safe
    for (const auto& e : fs::directory_iterator(home / "wallpaper")) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(std::all_of(name.begin(), name.end(), [](char c) { return c > 0x20 && c < 0x7f; })) << name;
    }
    EXPECT_EQ(read_text(home / u8"root/documents/日本語のメモ.txt").substr(0, 9), u8"買い物");
}

TEST_F(Prepare, PicturesDecodeAtTheirSizes)
{
    const fs::path home = base_ / "home";
    std::string error;
    ASSERT_TRUE(tool::prepare::make_working_folder(home.string(), &error)) << error;
    const decoded skin = decode_jpeg(home / "skin/skin.jpg");
    ASSERT_EQ(skin.width, 800);
    ASSERT_EQ(skin.height, 600);
    ASSERT_EQ(skin.rgb.size(), 800u * 600u * 3u);
    // black is see-through in the skin: none of its pixels may be pure black
    std::size_t black = 0;
    for (std::size_t i = 0; i < skin.rgb.size(); i += 3)
        if (skin.rgb[i] == 0 && skin.rgb[i + 1] == 0 && skin.rgb[i + 2] == 0) ++black;
    EXPECT_EQ(black, 0u);
    const decoded wallpaper = decode_jpeg(home / "wallpaper/evening.jpg");
    EXPECT_EQ(wallpaper.width, 800);
    EXPECT_EQ(wallpaper.height, 600);
    const decoded sample = decode_png(home / "root/pictures/sunrise.png");
    EXPECT_EQ(sample.width, 320);
    EXPECT_EQ(sample.height, 240);
}

TEST_F(Prepare, RefusesWhatItCannotOrMustNotMake)
{
    const fs::path existing = base_ / "existing";
    fs::create_directories(existing / "root");
    std::ofstream(existing / "system.txt") << "<root><tag/></root>";
    std::ofstream(base_ / "plain") << "x";
    struct row {
        std::string folder;
        std::string message;
    } rows[] = {
        {existing.string(), "already exists"},
        {(base_ / "plain" / "home").string(), "cannot make"},
        {"", "names no folder"},
        {"..", "names no folder"},
        {(base_ / "existing" / "..").string(), "already exists"},
    };
    for (const row& r : rows) {
        std::string error;
        EXPECT_FALSE(tool::prepare::make_working_folder(r.folder, &error)) << r.folder;
        EXPECT_NE(error.find(r.message), std::string::npos) << r.folder << ": " << error;
    }
    // the existing folder is as it was, and no half-made folder is left
    EXPECT_EQ(read_text(existing / "system.txt"), "<root><tag/></root>");
    EXPECT_EQ(names_in(existing), (std::set<std::string>{"root/", "system.txt"}));
    EXPECT_EQ(names_in(base_), (std::set<std::string>{"existing/", "plain"}));
}

}  // namespace
