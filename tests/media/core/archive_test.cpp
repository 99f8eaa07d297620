// The archive reader: packed data, keys, opening from memory and from a
// file, folders, searches, entries, and damaged archives.
#include "media/core/archive.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive_writer.hpp"
#include "log_folder.hpp"

namespace {

using namespace archive_test;
using Archives = media_test::log_folder;

const std::string run_text = std::string(40, 'a') + "bcd" + std::string(300, 'z') + "\xFE\xFE tail";

node sample_tree()
{
    return folder("", {
                          file("a.png", "PNG-BYTES"),
                          file("Run.txt", run_text),
                          file("run_packed.txt", run_text, true),
                          folder("sub", {file("one.txt", "1"), file("two.dat", "22"),
                                         folder("deep", {file("x.bin", "xyz")})}),
                          file("\x83\x61.txt", "double-byte"),
                      });
}

std::string read_all(DXAFILEREAD& r)
{
    std::string out;
    char buffer[7];
    int n;
    while ((n = ReadArchiveEntry(&r, buffer, sizeof buffer)) > 0) {
        while (PollArchiveEntry(&r) == 0) {  // a background read is keyed once it is there
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

std::string packed_block(const std::string& body, unsigned char escape, std::uint32_t unpacked)
{
    std::string out;
    put32(out, unpacked);
    put32(out, static_cast<std::uint32_t>(body.size() + 9));
    out += static_cast<char>(escape);
    return out + body;
}

TEST(ArchivePacked, DecodesLiteralsEscapesAndReferences)
{
    struct row {
        const char* what;
        std::string body;
        unsigned char escape;
        std::string expected;
    };
    const row rows[] = {
        {"escape twice is one literal escape", std::string("\x41\xF0\xF0", 3), 0xF0, std::string("\x41\xF0", 2)},
        {"distance 1, length 10", std::string("A\xF0\x30\x00", 4), 0xF0, std::string(11, 'A')},
        // code 48 above escape 0x10 is written as 49
        {"code above the escape", std::string("A\x10\x31\x00", 4), 0x10, std::string(11, 'A')},
        // code 51: length 10, distance code 3 repeats the previous distance 2
        {"repeated distance", std::string("AB\x10\x08\x01\x10\x34", 7), 0x10, "ABABABABABABABABA"},
        // bit 2 with x = 1: length 4 + 32
        {"long length", std::string("A\xF0\x04\x01\x00", 5), 0xF0, std::string(37, 'A')},
    };
    for (const row& r : rows) {
        const std::string block = packed_block(r.body, r.escape, static_cast<std::uint32_t>(r.expected.size()));
        EXPECT_EQ(DecompressArchiveData(block.data(), nullptr), static_cast<int>(r.expected.size())) << r.what;
        std::string out(r.expected.size(), '?');
        EXPECT_EQ(DecompressArchiveData(block.data(), out.data()), static_cast<int>(r.expected.size())) << r.what;
        EXPECT_EQ(out, r.expected) << r.what;
    }
}

TEST(ArchivePacked, MalformedStreamsFailInsideTheirBuffers)
{
    struct row {
        const char* what;
        std::string body;
        std::uint32_t unpacked;
    };
    const row rows[] = {
        {"reference before any output", std::string("\xF0\x30\x00", 3), 10},
        {"distance beyond the output", std::string("A\xF0\x30\x05", 4), 11},
        {"repeated distance first", std::string("A\xF0\x33", 3), 11},
        {"output beyond the announced size", std::string("A\xF0\x30\x00", 4), 5},
        {"literal beyond the announced size", "ABC", 2},
        {"stream ends inside a code", std::string("A\xF0\x31", 3), 11},
        {"stream ends after the escape", std::string("A\xF0", 2), 1},
        {"output shorter than announced", "AB", 3},
    };
    for (const row& r : rows) {
        const std::string block = packed_block(r.body, 0xF0, r.unpacked);
        std::vector<char> out(r.unpacked + 1, '?');
        EXPECT_EQ(DecompressArchiveData(block.data(), out.data()), -1) << r.what;
        EXPECT_EQ(out[r.unpacked], '?') << r.what;  // nothing past the announced size
    }
}

TEST(ArchiveKey, StringsRepeatAndAnEmptyOneIsTheBuiltInKey)
{
    unsigned char a[12], b[12], c[12], d[12];
    BuildArchiveKey("abc", a);
    BuildArchiveKey("abcabcabcabc", b);
    EXPECT_EQ(std::memcmp(a, b, 12), 0);
    BuildArchiveKey("abcabcabcabcXYZ", c);  // only the first 12 bytes count
    EXPECT_EQ(std::memcmp(a, c, 12), 0);
    BuildArchiveKey("", c);
    BuildArchiveKey(nullptr, d);
    EXPECT_EQ(std::memcmp(c, d, 12), 0);
    EXPECT_NE(std::memcmp(a, d, 12), 0);

    // the key index follows the file position
    std::string text(30, '\0');
    EXPECT_EQ(ApplyArchiveKey(5, text.data() + 7, 7, d), 0);
    std::string whole(30, '\0');
    ApplyArchiveKey(30, whole.data(), 0, d);
    EXPECT_EQ(text.substr(7, 5), whole.substr(7, 5));
}

// The key applied in long stretches gives what one byte at a time gives, at
// every starting position and length around the stretches' edges.
TEST(ArchiveKey, LongBuffersAreKeyedByteForByte)
{
    unsigned char key[12];
    BuildArchiveKey("stretch", key);
    std::string plain(200, '\0');
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 37 + 5);
    for (std::int64_t position : {0, 1, 5, 11, 12, 13, 1000003})
        for (int length : {0, 1, 23, 24, 47, 48, 49, 71, 72, 100, 199}) {
            std::string got = plain, want = plain;
            const int index = ApplyArchiveKey(length, got.data() + 1, position, key);
            for (int i = 0; i < length; ++i) want[1 + i] ^= static_cast<char>(key[(position + i) % 12]);
            EXPECT_EQ(got, want) << position << " " << length;
            EXPECT_EQ(index, static_cast<int>((position + length) % 12)) << position << " " << length;
        }
}

// The key bytes and a keyed header pinned, so the format cannot drift
// unseen.
TEST(ArchiveKey, KeysAndAKeyedHeaderArePinned)
{
    const std::vector<unsigned char> built_in = {0x55, 0xAA, 0x20, 0x55, 0x55, 0x0F,
                                                 0x55, 0xAA, 0x55, 0x96, 0x78, 0xCD};
    const std::vector<unsigned char> of_string = {0x85, 0x56, 0xE4, 0xB8, 0x96, 0xC9,
                                                  0x85, 0x53, 0x73, 0x48, 0x44, 0x0B};
    std::vector<unsigned char> key(12);
    BuildArchiveKey(nullptr, key.data());
    EXPECT_EQ(key, built_in);
    BuildArchiveKey("zentil", key.data());
    EXPECT_EQ(key, of_string);

    // magic, version 2, head size 80, data at 24, head at 25, file table 20, directory table 64
    const std::vector<unsigned char> header = {0x11, 0xF2, 0x22, 0x55, 0x05, 0x0F, 0x55, 0xAA,
                                               0x4D, 0x96, 0x78, 0xCD, 0x4C, 0xAA, 0x20, 0x55,
                                               0x41, 0x0F, 0x55, 0xAA, 0x15, 0x96, 0x78, 0xCD};
    std::string block = keyed(plain_archive(folder("", {file("a.txt", "A")})));
    EXPECT_EQ(std::vector<unsigned char>(block.begin(), block.begin() + 24), header);
    DXAARCHIVE a{};
    ASSERT_EQ(OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr), 0);
    EXPECT_NE(FindArchiveFile(&a, "a.txt"), nullptr);
    CloseArchive(&a);
}

// The writer's packer against the reader's unpacker: seeded data of three
// kinds and a few shapes that reach the edges of the code space.
TEST(ArchivePacked, PackerRoundTripsThroughTheReader)
{
    const auto random_bytes = [](std::size_t n, std::uint32_t seed) {
        std::string out(n, '\0');
        for (char& c : out) {
            seed = seed * 1103515245u + 12345u;
            c = static_cast<char>(seed >> 24);
        }
        return out;
    };
    std::string all_bytes;
    for (int i = 0; i < 256 * 3; ++i) all_bytes += static_cast<char>(i % 256);
    const std::string far = random_bytes(70000, 3);  // repeated beyond 65,536 bytes: 3-byte distances
    struct row {
        const char* what;
        std::string data;
    };
    const row rows[] = {
        {"empty", ""},
        {"one byte", "x"},
        {"a long run", std::string(20000, 'q')},
        {"every byte value", all_bytes},
        {"random", random_bytes(50000, 1)},
        {"random repeated far", far + random_bytes(1000, 4) + far},
        {"text-like", text_like(200000, 5)},
        {"image-like", image_like(300000, 6)},
        {"alternating runs", std::string(300, 'a') + std::string(31 + 4, 'b') + std::string(300, 'a') +
                                 std::string(31 + 4, 'b') + "ab"},
    };
    pack_census census;
    for (const row& r : rows) {
        const std::string block = pack(r.data, &census);
        ASSERT_EQ(DecompressArchiveData(block.data(), nullptr), static_cast<int>(r.data.size())) << r.what;
        std::string out(r.data.size() + 1, '?');
        EXPECT_EQ(DecompressArchiveData(block.data(), out.data()), static_cast<int>(r.data.size())) << r.what;
        EXPECT_EQ(out.substr(0, r.data.size()), r.data) << r.what;
        EXPECT_EQ(pack(r.data), block) << r.what;  // deterministic
    }
    EXPECT_LT(pack(text_like(200000, 5)).size(), 200000u / 2);
    EXPECT_LT(pack(image_like(300000, 6)).size(), 300000u * 2 / 3);
    EXPECT_GT(census.literals, 0u);
    EXPECT_GT(census.escaped_escapes, 0u);
    EXPECT_GT(census.extended_lengths, 0u);
    for (int kind = 0; kind < 4; ++kind) EXPECT_GT(census.distances[kind], 0u) << kind;
}

TEST_F(Archives, InMemoryArchiveOpensReadsAndIsHandedBackKeyed)
{
    const std::string stored = keyed(plain_archive(sample_tree()));
    std::string block = stored;
    DXAARCHIVE a{};
    ASSERT_EQ(OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr), 0);
    EXPECT_EQ(WaitArchiveHead(&a), block.data());

    DXAFILEREAD r{};
    ASSERT_EQ(OpenArchiveEntry(&r, &a, "A.PNG", 0), 0);  // case-insensitive for ASCII letters
    EXPECT_EQ(read_all(r), "PNG-BYTES");
    EXPECT_EQ(IsArchiveEntryAtEnd(&r), -1);
    EXPECT_EQ(CloseArchiveEntry(&r), 0);

    // stored as is and packed read the same
    ASSERT_EQ(OpenArchiveEntry(&r, &a, "run.TXT", 0), 0);
    EXPECT_EQ(read_all(r), run_text);
    CloseArchiveEntry(&r);
    ASSERT_EQ(OpenArchiveEntry(&r, &a, "RUN_packed.txt", 0), 0);
    EXPECT_NE(r.unpacked, nullptr);
    EXPECT_EQ(read_all(r), run_text);
    EXPECT_EQ(SeekArchiveEntry(&r, -5, 2), 0);
    EXPECT_EQ(TellArchiveEntry(&r), static_cast<int>(run_text.size()) - 5);
    EXPECT_EQ(IsArchiveEntryAtEnd(&r), 0);
    EXPECT_EQ(read_all(r), " tail");
    CloseArchiveEntry(&r);

    ASSERT_EQ(OpenArchiveEntry(&r, &a, "sub/deep/X.BIN", 0), 0);
    EXPECT_EQ(read_all(r), "xyz");
    CloseArchiveEntry(&r);
    int position = 0, size = 0;
    ASSERT_EQ(LocateArchiveFile(&a, "\\sub\\two.dat", &position, &size), 0);
    EXPECT_EQ(block.substr(static_cast<std::size_t>(position), static_cast<std::size_t>(size)), "22");

    EXPECT_EQ(CloseArchive(&a), 0);
    EXPECT_EQ(block, stored);
}

TEST_F(Archives, ABlockNoKeyOpensIsLeftAsItCame)
{
    std::string block = plain_archive(sample_tree());  // not keyed
    block[0] ^= 0x01;  // and no key gives the magic from it
    const std::string before = block;
    DXAARCHIVE a{};
    EXPECT_EQ(OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr), -1);
    EXPECT_EQ(block, before);
    EXPECT_EQ(a.open, 0);

    // the second default key is accepted
    unsigned char second[12];
    media::core::second_archive_key(second);
    block = keyed(plain_archive(sample_tree()), second);
    ASSERT_EQ(OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr), 0);
    EXPECT_NE(FindArchiveFile(&a, "a.png"), nullptr);
    CloseArchive(&a);
    EXPECT_EQ(block, keyed(plain_archive(sample_tree()), second));
}

TEST_F(Archives, FoldersWalkAndFilesAreFoundOnlyWhereTheyAre)
{
    std::string block = keyed(plain_archive(sample_tree()));
    DXAARCHIVE a{};
    ASSERT_EQ(OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr), 0);

    EXPECT_EQ(ChangeArchiveDirectory(&a, "..", 0), -1);  // at the root
    EXPECT_EQ(ChangeArchiveDirectory(&a, "SUB/deep/", 0), 0);
    EXPECT_NE(FindArchiveFile(&a, "x.bin"), nullptr);
    EXPECT_EQ(ChangeArchiveDirectory(&a, "..", 0), 0);
    EXPECT_NE(FindArchiveFile(&a, "one.txt"), nullptr);
    EXPECT_EQ(ChangeArchiveDirectory(&a, "/", 0), 0);
    EXPECT_EQ(FindArchiveFile(&a, "one.txt"), nullptr);

    EXPECT_EQ(ChangeArchiveDirectory(&a, "sub/nothing", 1), -1);
    EXPECT_EQ(a.current, 0u);  // restored
    EXPECT_EQ(ChangeArchiveDirectory(&a, "sub/nothing", 0), -1);
    EXPECT_NE(a.current, 0u);  // stopped in sub
    ChangeArchiveDirectory(&a, "/", 0);

    EXPECT_EQ(FindArchiveFile(&a, "sub"), nullptr);            // a folder is no file
    EXPECT_EQ(FindArchiveFile(&a, "sub/deep"), nullptr);
    EXPECT_EQ(FindArchiveFile(&a, "nothing/a.png"), nullptr);  // not the root's a.png
    EXPECT_EQ(FindArchiveFile(&a, "sub/"), nullptr);
    EXPECT_NE(FindArchiveFile(&a, "\x83\x61.TXT"), nullptr);  // the trail byte is not a letter
    EXPECT_EQ(FindArchiveFile(&a, "\x83\x41.TXT"), nullptr);
    EXPECT_EQ(FindArchiveFile(&a, (std::string(300, 'a') + "/a.png").c_str()), nullptr);
    CloseArchive(&a);
}

TEST(ArchiveWildcard, Matches)
{
    struct row {
        const char* name;
        const char* pattern;
        int result;
    };
    const row rows[] = {
        {"A.PNG", "*", 0},       {"A.PNG", "*.PNG", 0},  {"A.PNG", "?.PNG", 0},   {"AB.PNG", "?.PNG", -1},
        {"A.PNG", "*.TXT", -1},  {"A.PNG", "A*", 0},     {"A.B.C", "*.C", -1},    // no backtracking
        {"\x83\x61", "\x83\x61", 0}, {"\x83\x61", "\x83\x41", -1}, {"", "*", 0}, {"A", "", -1},
    };
    for (const row& r : rows) EXPECT_EQ(MatchWildcard(r.name, r.pattern), r.result) << r.name << " " << r.pattern;
}

TEST_F(Archives, SearchesListDotsThenEntries)
{
    std::string block = keyed(plain_archive(sample_tree()));
    DXAARCHIVE a{};
    ASSERT_EQ(OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr), 0);
    auto list = [&](const char* path) {
        std::vector<std::string> names;
        DXAFIND find{};
        FILEINFO info{};
        for (int got = FindFirstInArchive(&find, &a, path, &info); got == 0; got = FindNextInArchive(&find, &info))
            names.push_back(std::string(info.name) + (info.directory ? "/" : "") + ":" + std::to_string(info.size_low));
        return names;
    };
    EXPECT_EQ(list("*"), (std::vector<std::string>{"./:0", "a.png:9", "Run.txt:" + std::to_string(run_text.size()),
                                                  "run_packed.txt:" + std::to_string(run_text.size()), "sub/:0",
                                                  "\x83\x61.txt:11"}));
    EXPECT_EQ(list("sub/*"), (std::vector<std::string>{"./:0", "../:0", "one.txt:1", "two.dat:2", "deep/:0"}));
    EXPECT_EQ(list("sub\\*.txt"), (std::vector<std::string>{"one.txt:1"}));
    EXPECT_EQ(list("/sub/deep/*.bin"), (std::vector<std::string>{"x.bin:3"}));
    EXPECT_TRUE(list("nothing/*").empty());
    EXPECT_TRUE(list((std::string(256, 'a')).c_str()).empty());
    EXPECT_EQ(a.current, 0u);
    CloseArchive(&a);
}

TEST_F(Archives, StreamedArchiveReadsEntriesWithAndWithoutBackground)
{
    dir_.file("pack.dxa", keyed(plain_archive(sample_tree())));
    DXAARCHIVE a{};
    ASSERT_EQ(OpenArchiveFileStreamed(&a, "pack.dxa", nullptr), 0);
    EXPECT_EQ(WaitArchiveHead(&a), nullptr);
    for (int background = 0; background < 2; ++background) {
        for (const char* name : {"run.txt", "run_packed.txt"}) {
            DXAFILEREAD r{};
            ASSERT_EQ(OpenArchiveEntry(&r, &a, name, background), 0) << name;
            EXPECT_EQ(read_all(r), run_text) << name << background;
            EXPECT_EQ(SeekArchiveEntry(&r, 40, 0), 0);
            char three[3];
            EXPECT_EQ(ReadArchiveEntry(&r, three, 3), 3);
            while (PollArchiveEntry(&r) == 0) {
            }
            EXPECT_EQ(std::string(three, 3), "bcd");
            CloseArchiveEntry(&r);
        }
    }
    DXAFILEREAD r{};
    EXPECT_EQ(OpenArchiveEntry(&r, &a, "missing.txt", 0), -1);
    CloseArchive(&a);

    DXAARCHIVE loaded{};
    ASSERT_EQ(OpenArchiveFileLoaded(&loaded, "pack.dxa", nullptr, 0), 0);
    ASSERT_EQ(OpenArchiveEntry(&r, &loaded, "sub/two.dat", 0), 0);
    EXPECT_EQ(read_all(r), "22");
    CloseArchiveEntry(&r);
    CloseArchive(&loaded);
    EXPECT_EQ(OpenArchiveFileStreamed(&a, "missing.dxa", nullptr), -1);
}

// A file cut short after the open: a foreground read of bytes it no longer
// holds delivers nothing, a background read delivers the entry's bytes that
// are left and zeros (never key bytes), and a packed entry read short in the
// background is refused.
TEST_F(Archives, AFileCutShortAfterTheOpenHandsOutNoKeyBytes)
{
    std::string big(4000, '\0');
    std::uint32_t seed = 7;
    for (char& c : big) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(1 + (seed >> 16) % 255);  // never zero: a zero can only be a missing byte
    }
    // the big entry's data starts at 24, so 1,000 of its bytes survive the cut to 1,024
    dir_.file("cut.dxa", keyed(plain_archive(folder("", {file("big.bin", big), file("p.txt", run_text, true)}))));
    DXAARCHIVE a{};
    ASSERT_EQ(OpenArchiveFileStreamed(&a, "cut.dxa", nullptr), 0);
    DXAFILEREAD foreground{}, background{}, packed{};
    ASSERT_EQ(OpenArchiveEntry(&foreground, &a, "big.bin", 0), 0);
    ASSERT_EQ(OpenArchiveEntry(&background, &a, "big.bin", 1), 0);
    std::filesystem::resize_file(dir_.at("cut.dxa"), 1024);

    std::string out(2000, '?');
    EXPECT_EQ(ReadArchiveEntry(&foreground, out.data(), 2000), 0);
    out.assign(2000, '?');
    EXPECT_EQ(ReadArchiveEntry(&background, out.data(), 2000), 2000);
    while (PollArchiveEntry(&background) == 0) {
    }
    EXPECT_EQ(out, big.substr(0, 1000) + std::string(1000, '\0'));

    ASSERT_EQ(OpenArchiveEntry(&packed, &a, "p.txt", 1), 0);
    char buffer[16];
    EXPECT_EQ(ReadArchiveEntry(&packed, buffer, sizeof buffer), 0);
    CloseArchiveEntry(&packed);
    CloseArchiveEntry(&background);
    CloseArchiveEntry(&foreground);
    CloseArchive(&a);
}

// Version 1 has 40-byte records and no packed entries; each way of opening
// reads it.
TEST_F(Archives, VersionOneArchivesOpenEachWay)
{
    const node tree = folder("", {file("a.txt", "alpha"), folder("sub", {file("b.txt", run_text)})});
    const std::string stored = keyed(plain_archive(tree, 1));
    dir_.file("v1.dxa", stored);
    for (int way = 0; way < 3; ++way) {
        std::string block = stored;
        DXAARCHIVE a{};
        const int opened = way == 0   ? OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr)
                           : way == 1 ? OpenArchiveFileStreamed(&a, "v1.dxa", nullptr)
                                      : OpenArchiveFileLoaded(&a, "v1.dxa", nullptr, 0);
        ASSERT_EQ(opened, 0) << way;
        EXPECT_EQ(a.header.version, 1) << way;
        for (int background = 0; background < 2; ++background) {
            DXAFILEREAD r{};
            ASSERT_EQ(OpenArchiveEntry(&r, &a, "sub/b.txt", background), 0) << way;
            EXPECT_EQ(read_all(r), run_text) << way;
            CloseArchiveEntry(&r);
            ASSERT_EQ(OpenArchiveEntry(&r, &a, "A.TXT", background), 0) << way;
            EXPECT_EQ(read_all(r), "alpha") << way;
            CloseArchiveEntry(&r);
        }
        DXAFIND find{};
        FILEINFO info{};
        ASSERT_EQ(FindFirstInArchive(&find, &a, "sub/*.txt", &info), 0) << way;
        EXPECT_STREQ(info.name, "b.txt");
        EXPECT_EQ(info.size_low, run_text.size());
        CloseArchive(&a);
    }
}

TEST_F(Archives, ALoadWithoutWaitingFinishesAtWaitArchiveHead)
{
    const std::string stored = keyed(plain_archive(sample_tree()));
    dir_.file("load.dxa", stored);
    DXAARCHIVE a{};
    ASSERT_EQ(OpenArchiveFileLoaded(&a, "load.dxa", nullptr, 1), 0);
    auto* image = static_cast<const char*>(WaitArchiveHead(&a));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(PollArchiveLoad(&a), 1);
    EXPECT_EQ(a.loading, 0);
    EXPECT_EQ(std::string(image, stored.size()), plain_archive(sample_tree()));
    DXAFILEREAD r{};
    ASSERT_EQ(OpenArchiveEntry(&r, &a, "run_packed.txt", 0), 0);
    EXPECT_EQ(read_all(r), run_text);
    CloseArchiveEntry(&r);
    CloseArchive(&a);
}

TEST_F(Archives, FindsGiveTheEntriesDates)
{
    const char* previous = std::getenv("TZ");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    node dated = file("d.txt", "dated");
    dated.created = 129233271090000000ull;  // 2010-07-11 13:05:09 UTC
    dated.accessed = 1;
    dated.written = 129233271090000000ull + 36610000000ull;  // an hour, a minute and a second later
    std::string block = keyed(plain_archive(folder("", {dated})));
    DXAARCHIVE a{};
    ASSERT_EQ(OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr), 0);
    DXAFIND find{};
    FILEINFO info{};
    ASSERT_EQ(FindFirstInArchive(&find, &a, "*.txt", &info), 0);
    const DATEDATA& c = info.created;
    const DATEDATA& w = info.last_written;
    EXPECT_EQ((std::vector<int>{c.year, c.month, c.day, c.hour, c.minute, c.second}),
              (std::vector<int>{2010, 7, 11, 13, 5, 9}));
    EXPECT_EQ((std::vector<int>{w.year, w.month, w.day, w.hour, w.minute, w.second}),
              (std::vector<int>{2010, 7, 11, 14, 6, 10}));
    CloseArchive(&a);
    if (previous != nullptr)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

// Damaged archives: each is refused at open or at the entry, in memory and
// streamed, and nothing reads outside the archive (the sanitizer checks).
TEST_F(Archives, DamagedArchivesAreRefused)
{
    const std::string good = plain_archive(sample_tree());
    const std::uint32_t names = get32(good, file_table_at);
    const std::uint32_t head = get32(good, head_address_at);
    struct row {
        const char* what;
        std::string plain;
        bool opens;  // the header is sound; the entry "sub/one.txt" is refused
    };
    std::vector<row> rows;
    rows.push_back({"truncated header", good.substr(0, 20), false});
    rows.push_back({"truncated head block", good.substr(0, good.size() - 8), false});
    std::string s = good;
    set32(s, head_size_at, 0xFFFFFFF0);
    rows.push_back({"head size past the end", s, false});
    s = good;
    set32(s, directory_table_at, 0x7FFFFFFF);
    rows.push_back({"directory table past the head", s, false});
    s = good;
    s[2] = 9;
    rows.push_back({"version 9", s, false});
    // the root folder's entry count and first entry
    const std::uint32_t root = head + get32(good, directory_table_at);
    s = good;
    set32(s, root + 8, 0x10000000);
    rows.push_back({"entry count past the table", s, true});
    s = good;
    set32(s, root + 12, 0xFFFFFF00);
    rows.push_back({"first entry past the table", s, true});
    // the sub folder's file-table record (index 3)
    const std::uint32_t files = head + names;
    s = good;
    set32(s, files + 3 * 44 + 0, 0xFFFFFF00);
    rows.push_back({"name offset past the head", s, true});
    s = good;
    set32(s, files + 3 * 44 + 32, 0x7FFFFFF0);
    rows.push_back({"folder record past the directory table", s, true});
    for (row r : rows) {
        const std::string stored = keyed(r.plain);
        std::string block = stored;
        DXAARCHIVE a{};
        const int opened = OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr);
        EXPECT_EQ(opened == 0, r.opens) << r.what;
        if (opened == 0) {
            DXAFILEREAD reader{};
            EXPECT_EQ(OpenArchiveEntry(&reader, &a, "sub/one.txt", 0), -1) << r.what;
            DXAFIND find{};
            FILEINFO info{};
            int found = 0;
            for (int got = FindFirstInArchive(&find, &a, "sub/*", &info); got == 0 && found < 100;
                 got = FindNextInArchive(&find, &info))
                ++found;
            EXPECT_LT(found, 100) << r.what;
            CloseArchive(&a);
        }
        EXPECT_EQ(block, stored) << r.what;

        dir_.file("bad.dxa", stored);
        DXAARCHIVE f{};
        EXPECT_EQ(OpenArchiveFileStreamed(&f, "bad.dxa", nullptr) == 0, r.opens) << r.what;
        if (f.open != 0) {
            DXAFILEREAD reader{};
            EXPECT_EQ(OpenArchiveEntry(&reader, &f, "sub/one.txt", 0), -1) << r.what;
            CloseArchive(&f);
        }
    }
}

TEST_F(Archives, DamagedEntriesAreRefusedOrReadNothing)
{
    node tree = folder("", {file("p.txt", run_text, true), file("s.txt", "stored")});
    const std::string good = plain_archive(tree);
    const std::uint32_t files = get32(good, head_address_at) + get32(good, file_table_at);
    struct row {
        const char* what;
        const char* name;
        std::size_t at;
        std::uint32_t value;
    };
    const row rows[] = {
        {"data past the end", "s.txt", files + 44 + 32, 0x7FFFFF00},
        {"size past the end", "s.txt", files + 44 + 36, 0x7FFFFF00},
        {"unpacked size that lies", "p.txt", files + 36, static_cast<std::uint32_t>(run_text.size() + 100)},
        {"packed size past the end", "p.txt", files + 40, 0x7FFFFF00},
        {"packed header's unpacked size lies", "p.txt", 24 + 0, 5},
    };
    for (const row& r : rows) {
        std::string plain = good;
        set32(plain, r.at, r.value);
        std::string block = keyed(plain);
        DXAARCHIVE a{};
        ASSERT_EQ(OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr), 0) << r.what;
        DXAFILEREAD reader{};
        EXPECT_EQ(OpenArchiveEntry(&reader, &a, r.name, 0), -1) << r.what;
        CloseArchive(&a);
        for (int background = 0; background < 2; ++background) {
            dir_.file("bad.dxa", keyed(plain));
            ASSERT_EQ(OpenArchiveFileStreamed(&a, "bad.dxa", nullptr), 0);
            if (OpenArchiveEntry(&reader, &a, r.name, background) == 0) {
                // a background unpack fails only once the bytes are there
                EXPECT_EQ(background, 1) << r.what;
                char buffer[16];
                EXPECT_EQ(ReadArchiveEntry(&reader, buffer, sizeof buffer), 0) << r.what;
                CloseArchiveEntry(&reader);
            }
            CloseArchive(&a);
        }
    }
}

TEST_F(Archives, RandomlyDamagedArchivesReadOnlyInsideThemselves)
{
    // Bytes of a sound archive changed at random (a fixed seed): whatever
    // opens is walked, searched and read in full; the sanitizers see any
    // read outside the block, and every loop must end.
    const std::string stored = keyed(plain_archive(sample_tree()));
    const char* paths[] = {"a.png", "Run.txt", "run_packed.txt", "sub/one.txt", "sub/deep/x.bin", "\x83\x61.txt"};
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    int read_count = 0, open_count = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string block = stored;
        const int changes = 1 + static_cast<int>(next() % 4);
        for (int k = 0; k < changes; ++k) block[next() % block.size()] = static_cast<char>(next());
        DXAARCHIVE a{};
        if (OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr) != 0) continue;
        ++open_count;
        for (const char* path : paths) {
            DXAFILEREAD r{};
            if (OpenArchiveEntry(&r, &a, path, 0) != 0) continue;
            EXPECT_LE(read_all(r).size(), block.size() * 16) << round;
            ++read_count;
            CloseArchiveEntry(&r);
        }
        DXAFIND find{};
        FILEINFO info{};
        if (FindFirstInArchive(&find, &a, "sub/*", &info) == 0) {
            int found = 1;
            while (found < 100 && FindNextInArchive(&find, &info) == 0) ++found;
            EXPECT_LT(found, 100) << round;
        }
        ChangeArchiveDirectory(&a, "sub/deep", 0);
        CloseArchive(&a);
    }
    // Most damage lands in the entries: the walk and the reads are exercised.
    EXPECT_GT(open_count, 1000);
    EXPECT_GT(read_count, 1000);
}

TEST_F(Archives, AFolderThatContainsItselfWalksWithoutEnd)
{
    std::string plain = plain_archive(folder("", {folder("loop", {file("f.txt", "F")})}));
    const std::uint32_t head = get32(plain, head_address_at);
    const std::uint32_t dirs = head + get32(plain, directory_table_at);
    // the loop folder's record: its parent is itself and it lists the root's entries
    set32(plain, dirs + 16 + 4, 16);
    set32(plain, dirs + 16 + 8, 1);
    set32(plain, dirs + 16 + 12, get32(plain, dirs + 12));
    std::string block = keyed(plain);
    DXAARCHIVE a{};
    ASSERT_EQ(OpenArchiveInMemory(&a, block.data(), static_cast<int>(block.size()), nullptr), 0);
    EXPECT_EQ(ChangeArchiveDirectory(&a, "loop/loop/loop/loop", 0), 0);
    EXPECT_EQ(ChangeArchiveDirectory(&a, "..", 0), 0);
    EXPECT_EQ(ChangeArchiveDirectory(&a, "..", 0), 0);
    EXPECT_EQ(FindArchiveFile(&a, "/loop/loop/f.txt"), nullptr);
    CloseArchive(&a);
}

}  // namespace
