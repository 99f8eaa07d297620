// Font handles and the glyph cache on the fake face: creation and its
// refusals, the cache geometry, the exact cell contents of every font type,
// the ring of cells, the code points the face is asked for, the fatal exits
// and the default font; one case with the installed Japanese font.
#include <cstring>
#include <string>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/glyph.hpp"
#include "media/graphics/internal.hpp"
#include "platform/font/font.hpp"

namespace {

using platform::font::fake_glyph;

// The fake face: single-byte characters 10 wide, double-byte ones 20, height
// 20 and ascent 16: maximum width 20, height 20.
platform::font::fake_settings fake_setup()
{
    platform::font::fake_settings s;
    s.height = 20;
    s.ascent = 16;
    s.single_advance = 10;
    s.double_advance = 20;
    return s;
}

class Fonts : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        platform::font::install_fake(fake_setup());
        blocks_ = media::core::alloc_state.count;
    }
    void TearDown() override
    {
        media::gfx::delete_all_fonts();
        EXPECT_EQ(media::core::alloc_state.count, blocks_) << "blocks left allocated";
        platform::font::remove_fake();
        platform::font::close();
        headless_media::TearDown();
    }

    static void add_glyph(wchar_t code, int w, int h, int ox, int oy, std::vector<unsigned char> levels)
    {
        platform::font::fake_settings s = fake_setup();
        s.glyphs.push_back({code, fake_glyph{w, h, ox, oy, std::move(levels)}});
        platform::font::install_fake(s);
    }
    static void set_glyphs(const std::vector<std::pair<wchar_t, fake_glyph>>& glyphs, int double_advance = 20)
    {
        platform::font::fake_settings s = fake_setup();
        s.double_advance = double_advance;
        s.glyphs = glyphs;
        platform::font::install_fake(s);
    }

    static int make(int type, int edge = -1, int size = -1)
    {
        return CreateFontToHandle(nullptr, size, -1, type, -1, edge, 0);
    }

    // The byte at (x, y) of the memory cache; bits fonts give 0 or 1.
    static int at(const FONTREC* f, int x, int y)
    {
        const unsigned char* row = f->memory_cache + y * f->memory_pitch;
        return f->memory_bits == 1 ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x];
    }

    static FONTCELL* render(int handle, const std::string& bytes)
    {
        // one entry per character: single bytes below 0x80 or half-width kana, else pairs
        std::vector<unsigned char> entries;
        for (std::size_t i = 0; i < bytes.size();) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            const bool lead = (b >= 0x81 && b <= 0x9F) || b >= 0xE0;
            entries.push_back(b);
            entries.push_back(lead && i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0);
            entries.push_back(0);
            i += lead ? 2 : 1;
        }
        return RenderGlyphsToCache(handle, static_cast<int>(entries.size() / 3), entries.data());
    }

    int blocks_ = 0;
};

TEST_F(Fonts, CreationAppliesTheDefaultsAndNumbersTheHandle)
{
    const int h = CreateFontToHandle(nullptr, -1, -1, -1, -1, -1, 0);
    EXPECT_EQ(h, (0 | 0x2000) << 16 | 0);
    const FONTREC* f = GetFontRecord(h);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->size, 16);
    EXPECT_EQ(f->thickness, 6);
    EXPECT_EQ(f->type, 0);
    EXPECT_EQ(f->char_set, 1);
    EXPECT_EQ(f->edge_size, 1);
    EXPECT_STREQ(f->face_name, "");
    EXPECT_EQ(f->cache_graph, -1);
    const platform::font::request& r = platform::font::fake_requests().back();
    EXPECT_EQ(r.face, L"ＭＳ ゴシック");
    EXPECT_EQ(r.height, 16);
    EXPECT_EQ(r.weight, 600);
    EXPECT_EQ(r.charset, platform::font::shiftjis_charset);
    EXPECT_TRUE(r.fixed_pitch);
    EXPECT_EQ(CreateFontToHandle("x", 12, 3, 0, 0, 3, 1), (1 | 0x2000) << 16 | 1);

    const struct {
        int bits, type, edge, char_set, stored_type, stored_edge, face_charset;
    } rows[] = {
        {32, 0, 3, 0, 1, 3, platform::font::default_charset},  // edge above 1 sets the edge bit
        {32, 2, 1, 2, 2, 1, platform::font::hangul_charset},
        {8, 2, -1, -1, 0, 1, platform::font::shiftjis_charset},  // no grey levels on 8 bits
        {8, 3, 2, 1, 1, 2, platform::font::shiftjis_charset},
    };
    for (const auto& row : rows) {
        media::gfx::screen_mode.bits = row.bits;
        const int font = CreateFontToHandle("Face", 14, 5, row.type, row.char_set, row.edge, 0);
        ASSERT_NE(GetFontRecord(font), nullptr);
        EXPECT_EQ(GetFontRecord(font)->type, row.stored_type) << row.type << " on " << row.bits;
        EXPECT_EQ(GetFontRecord(font)->edge_size, row.stored_edge);
        EXPECT_EQ(platform::font::fake_requests().back().charset, row.face_charset);
        EXPECT_EQ(platform::font::fake_requests().back().face, L"Face");
        DeleteFontHandle(font);
    }
}

TEST_F(Fonts, FortyFontsAtMostAndRefusedSlots)
{
    std::vector<int> handles;
    for (int i = 0; i < 40; ++i) {
        handles.push_back(make(0));
        ASSERT_EQ(handles.back(), (i | 0x2000) << 16 | i);
    }
    EXPECT_EQ(make(0), -1);
    EXPECT_NE(read().find("作成できるフォントハンドル数 40 の限界を超えました\r\n"), std::string::npos);
    EXPECT_EQ(DeleteFontHandle(handles[7]), 0);
    EXPECT_EQ(DeleteFontHandle(handles[7]), -1);
    EXPECT_EQ(IsFontHandleValid(handles[7]), 0);
    // the full table spent no check number
    EXPECT_EQ(make(0), (40 | 0x2000) << 16 | 7);
    DeleteFontHandle(handles[3]);
    EXPECT_EQ(CreateFontToHandle(nullptr, -1, -1, -1, -1, -1, 0, 4, -1), -1);  // occupied
    EXPECT_EQ(CreateFontToHandle(nullptr, -1, -1, -1, -1, -1, 0, 40, -1), -1);
    EXPECT_EQ(CreateFontToHandle(nullptr, -1, -1, -1, -1, -1, 0, 3, 99), (99 | 0x2000) << 16 | 3);

    media::gfx::delete_all_fonts();
    media::core::window_state.destroyed = 1;
    EXPECT_EQ(make(0), -1);
}

TEST_F(Fonts, FailedCreationsLogLeaveNothingAndFreeTheirSlot)
{
    const std::wstring gothic = L"ＭＳ ゴシック";
    const struct {
        const char* face;
        int failures;
        bool made;
        std::vector<int> charsets;
        std::vector<std::wstring> faces;
        std::vector<bool> italic;
        const char* message;
    } rows[] = {
        {"Face", 2, true, {129, 1, 128}, {L"Face", L"Face", L"Face"}, {true, true, true}, nullptr},
        {"Face", 3, false, {129, 1, 128}, {L"Face", L"Face", L"Face"}, {true, true, true}, "指定のフォントの作成に失敗しました\r\n"},
        {nullptr, 1, true, {129, 1}, {gothic, gothic}, {true, false}, nullptr},
        {"", 2, true, {129, 1, 1}, {gothic, gothic, L""}, {true, false, false}, nullptr},
        {nullptr, 3, false, {129, 1, 1}, {gothic, gothic, L""}, {true, false, false}, "フォントの作成に失敗しました\r\n"},
    };
    for (const auto& row : rows) {
        platform::font::install_fake(fake_setup());
        platform::font::fail_fake_faces(row.failures);
        const int blocks = media::core::alloc_state.count;
        const int h = CreateFontToHandle(row.face, 16, 6, 0, 2, -1, 1);
        EXPECT_EQ(h >= 0, row.made) << row.failures;
        const auto& requests = platform::font::fake_requests();
        ASSERT_EQ(requests.size(), row.charsets.size());
        for (std::size_t i = 0; i < requests.size(); ++i) {
            EXPECT_EQ(requests[i].charset, row.charsets[i]) << i;
            EXPECT_EQ(requests[i].face, row.faces[i]) << i;
            EXPECT_EQ(requests[i].italic, row.italic[i]) << i;
        }
        if (row.message != nullptr) {
            EXPECT_NE(read().find(row.message), std::string::npos);
            EXPECT_EQ(media::core::alloc_state.count, blocks);
        }
        DeleteFontHandle(h);
        EXPECT_EQ(media::core::alloc_state.count, blocks);
        // the slot is free again
        const int next = make(0);
        EXPECT_EQ(next & 0xFFFF, 0);
        DeleteFontHandle(next);
    }

    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(make(0), -1);
    EXPECT_NE(read().find("フォント管理用メモリ領域の確保に失敗しました\r\n"), std::string::npos);
    media::core::fail_heap_requests_after(1, 1);
    EXPECT_EQ(make(0), -1);
    EXPECT_NE(read().find("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle"), std::string::npos);
    EXPECT_EQ(media::core::alloc_state.count, blocks_);
    EXPECT_EQ(make(0) & 0xFFFF, 0);
}

TEST_F(Fonts, CellGeometryAndMemoryCache)
{
    const struct {
        int type, edge, double_advance;
        int cell_size, cell_height, cells, pitch;
    } rows[] = {
        {0, -1, 20, 24, 20, 568, 3},   // 22 raised to 24
        {2, -1, 20, 24, 20, 568, 24},
        {1, 2, 20, 32, 24, 320, 32},   // edge 2: 26 -> 32, 20 + 4
        {3, 1, 20, 24, 22, 568, 24},
        {0, -1, 198, 200, 20, 20, 25},  // 0x50000 / 200^2 = 13, raised to 20
        {0, -1, 4, 24, 20, 568, 3},     // height above the width: the cell height 20, size 8 -> raised to the cell height
    };
    for (const auto& row : rows) {
        set_glyphs({}, row.double_advance);
        const int h = make(row.type, row.edge);
        const FONTREC* f = GetFontRecord(h);
        ASSERT_NE(f, nullptr);
        SCOPED_TRACE(row.type * 1000 + row.double_advance);
        if (row.double_advance == 4) {
            // maximum width 10: 12 -> 16, below the cell height 20
            EXPECT_EQ(f->cell_size, 20);
            EXPECT_EQ(f->cell_count, 0x50000 / 400);
        } else {
            EXPECT_EQ(f->cell_size, row.cell_size);
            EXPECT_EQ(f->cell_count, row.cells);
            EXPECT_EQ(f->memory_pitch, row.pitch);
        }
        EXPECT_EQ(f->cell_height, row.cell_height);
        EXPECT_EQ(f->cache_width, f->cell_size);
        EXPECT_EQ(f->cache_height, f->cell_count * f->cell_size);
        EXPECT_EQ(f->memory_bits, row.type == 0 ? 1 : 8);
        EXPECT_EQ(f->cells[f->cell_count - 1].slot, f->cell_count - 1);
        EXPECT_EQ(f->cells[f->cell_count].slot, -1);
        DeleteFontHandle(h);
    }
}

TEST_F(Fonts, GlyphsLandInTheirCellsAsBitsAndLevels)
{
    // 'A': 3 by 2, origin (2, 10): levels 0, 1, 16 / 8, 15, 16
    add_glyph(L'A', 3, 2, 2, 10, {0, 1, 16, 8, 15, 16});
    for (const int type : {0, 2}) {
        const int h = make(type);
        const FONTREC* f = GetFontRecord(h);
        render(h, "xA");  // 'A' in cell 1
        const FONTCELL* c = &f->cells[1];
        EXPECT_EQ(f->index['A'].cell, c);
        EXPECT_EQ(c->x_offset, 2);
        EXPECT_EQ(c->y_offset, 16 - 10);
        EXPECT_EQ(c->advance, 10);
        EXPECT_EQ(c->width, 3);
        EXPECT_EQ(c->height, 2);
        const int x = 1, y = 24 + 1;
        const int expected[2][2][3] = {{{0, 1, 1}, {1, 1, 1}}, {{0, 0, 15}, {7, 14, 15}}};
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 3; ++i) EXPECT_EQ(at(f, x + i, y + j), expected[type / 2][j][i]) << type << i << j;
        // nothing else in the cell
        int set = 0;
        for (int j = 0; j < 24; ++j)
            for (int i = 0; i < 24; ++i) set += at(f, i, 24 + j) != 0;
        EXPECT_EQ(set, type == 0 ? 5 : 4);
        DeleteFontHandle(h);
    }
}

TEST_F(Fonts, OutlinesOfEdgeFonts)
{
    add_glyph(L'A', 1, 1, 0, 16, {16});
    const struct {
        int type, edge;
        int glyph_value, outline_count;
    } rows[] = {
        {1, 1, 1, 4},    // the four direct neighbours
        {1, 2, 1, 20},   // the 5 x 5 square without corners, less the glyph pixel
        {3, 1, 0x0F, 4},
        {3, 2, 0xFF, 20},
        {3, 5, 0xFF, 120},  // the whole 11 x 11 square
    };
    for (const auto& row : rows) {
        const int h = make(row.type, row.edge);
        const FONTREC* f = GetFontRecord(h);
        const FONTCELL* c = render(h, "A");
        EXPECT_EQ(c->width, 1 + 2 * row.edge);
        EXPECT_EQ(c->advance, 10 + 2 * row.edge);
        const int e = row.edge, gx = 1 + e, gy = 1 + e;
        EXPECT_EQ(at(f, gx, gy), row.glyph_value);
        int outline = 0;
        for (int y = 0; y < f->cell_size; ++y)
            for (int x = 0; x < f->cell_size; ++x) {
                if (x == gx && y == gy) continue;
                const int v = at(f, x, y);
                if (v == 0) continue;
                ++outline;
                EXPECT_EQ(v, row.type == 1 ? 2 : 0xF0) << x << "," << y;
                EXPECT_LE(std::abs(x - gx), e);
                EXPECT_LE(std::abs(y - gy), e);
                if (e == 1) EXPECT_EQ(std::abs(x - gx) + std::abs(y - gy), 1);
                if (e == 2) EXPECT_FALSE(std::abs(x - gx) == 2 && std::abs(y - gy) == 2);
            }
        EXPECT_EQ(outline, row.outline_count) << row.type << " edge " << row.edge;
        DeleteFontHandle(h);
    }

    // type 3 keeps the stronger outline level and ORs the glyph level in
    set_glyphs({{L'A', fake_glyph{2, 1, 0, 16, {16, 8}}}});
    const int h = make(3, 1);
    const FONTREC* f = GetFontRecord(h);
    render(h, "A");
    EXPECT_EQ(at(f, 2, 2), 0x7F);  // level 16, inside the weaker pixel's outline
    EXPECT_EQ(at(f, 3, 2), 0xF7);  // level 8, inside the stronger pixel's outline
    EXPECT_EQ(at(f, 1, 2), 0xF0);
    EXPECT_EQ(at(f, 4, 2), 0x70);
    DeleteFontHandle(h);
}

TEST_F(Fonts, SpacesAndEmptyGlyphsTakeAnAdvanceOnly)
{
    // a tab with an empty bitmap and a line feed with a box of height 0
    set_glyphs({{L'\t', fake_glyph{0, 0, 0, 0, {}}}, {L'\n', fake_glyph{5, 0, 0, 0, {}}}});
    for (const int edge : {-1, 2}) {
        const int h = make(edge == 2 ? 1 : 0, edge);
        const FONTREC* f = GetFontRecord(h);
        const int grow = edge == 2 ? 4 : 0;
        render(h, std::string(" \x81\x40\t\n"));
        const int advances[] = {10, 20, 10, 10};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(f->cells[k].advance, advances[k] + grow) << k;
            EXPECT_EQ(f->cells[k].width, grow);
            EXPECT_EQ(f->cells[k].height, grow);
        }
        for (int i = 0; i < 4 * f->cell_size * f->memory_pitch; ++i) ASSERT_EQ(f->memory_cache[i], 0);
        DeleteFontHandle(h);
    }
}

TEST_F(Fonts, OversizedGlyphsStayInsideTheirCellAndTheCache)
{
    // a glyph of 40 by 40 pixels in a cache of 24-pixel cells
    set_glyphs({{L'A', fake_glyph{40, 40, -3, 30, std::vector<unsigned char>(1600, 16)}}});
    for (const int type : {0, 1, 2, 3}) {
        const int h = make(type);
        FONTREC* f = GetFontRecord(h);
        const int cs = f->cell_size;
        const std::size_t bytes = static_cast<std::size_t>(f->memory_pitch) * f->cache_height;
        // the glyph in cell 1: every byte before its area and after it stays 0x5A
        std::memset(f->memory_cache, 0x5A, bytes);
        f->next_cell = 1;
        render(h, "A");
        f->index['A'] = {0, nullptr};
        for (int y = 0; y < cs + 1; ++y)
            for (int b = 0; b < f->memory_pitch; ++b) EXPECT_EQ(f->memory_cache[y * f->memory_pitch + b], 0x5A);
        for (int y = 2 * cs + 1; y < 4 * cs; ++y)
            for (int b = 0; b < f->memory_pitch; ++b)
                ASSERT_EQ(f->memory_cache[y * f->memory_pitch + b], 0x5A) << "type " << type << " row " << y;
        // the last cell: its area reaches one row past the cache
        f->next_cell = f->cell_count - 1;
        render(h, "A");
        EXPECT_EQ(f->next_cell, 0);
        DeleteFontHandle(h);
    }
}

TEST_F(Fonts, TheRingOverwritesTheOldestCell)
{
    set_glyphs({}, 198);  // 20 cells
    const int h = make(0);
    const FONTREC* f = GetFontRecord(h);
    ASSERT_EQ(f->cell_count, 20);
    std::string letters;
    for (char c = 'a'; c < 'a' + 25; ++c) letters += c;
    const FONTCELL* last = render(h, letters);
    // the batch keeps the last 20 and returns the last entry's cell
    EXPECT_EQ(last, &f->cells[4]);
    EXPECT_EQ(f->index['y'].cell, last);
    for (char c = 'a'; c < 'f'; ++c) EXPECT_EQ(f->index[static_cast<unsigned char>(c)].cached, 0) << c;
    for (char c = 'f'; c < 'z'; ++c) EXPECT_EQ(f->index[static_cast<unsigned char>(c)].cached, 1) << c;
    // 'a' comes back in the oldest cell, taking 'f' out
    EXPECT_EQ(render(h, "a"), &f->cells[5]);
    EXPECT_EQ(f->index['a'].cell, &f->cells[5]);
    EXPECT_EQ(f->index['f'].cached, 0);
    EXPECT_EQ(f->index['f'].cell, nullptr);
    EXPECT_EQ(f->cells[5].owner, &f->index['a']);

    EXPECT_EQ(ResetFontCache(h), 0);
    EXPECT_EQ(f->index['a'].cached, 0);
    EXPECT_EQ(f->next_cell, 0);
    EXPECT_EQ(f->cells[5].in_use, 0);
    EXPECT_EQ(ResetFontCache(-1), -1);
    EXPECT_EQ(RenderGlyphsToCache(-1, 1, reinterpret_cast<const unsigned char*>("a\0\0")), nullptr);
    media::gfx::draw_state.locked = 1;
    EXPECT_EQ(render(h, "a"), nullptr);
    EXPECT_EQ(f->index['a'].cached, 0);
    media::gfx::draw_state.locked = 0;
    DeleteFontHandle(h);
}

TEST_F(Fonts, CodesReachTheFaceAsCodePoints)
{
    const struct {
        unsigned char first, second;
        int char_set;
        wchar_t expected;
    } rows[] = {
        {0x82, 0xA0, 1, L'\u3042'}, {0xB1, 0, 1, L'\uFF71'},    {0x81, 0x5F, 1, L'\uFF3C'},
        {0x81, 0x40, 1, L'\u3000'}, {0x41, 0, 0, L'A'},          {0xB0, 0xA1, 2, L'\uAC00'},
        {0x85, 0x40, 1, L'\u30FB'},  // no CP932 character
        {0x82, 0, 1, L'\u30FB'},     // a lone lead byte
    };
    for (const auto& row : rows) {
        const int h = CreateFontToHandle(nullptr, -1, -1, 0, row.char_set, -1, 0);
        platform::font::install_fake(fake_setup());
        const unsigned char entry[3] = {row.first, row.second, 0};
        const FONTCELL* c = RenderGlyphsToCache(h, 1, entry);
        ASSERT_NE(c, nullptr);
        ASSERT_FALSE(platform::font::fake_code_points().empty());
        EXPECT_EQ(platform::font::fake_code_points().front(), row.expected) << std::hex << row.first * 256 + row.second;
        EXPECT_EQ(GetFontRecord(h)->index[row.first | row.second << 8].cell, c);
        DeleteFontHandle(h);
    }
}

using FontsDeathTest = Fonts;

TEST_F(FontsDeathTest, GlyphFailuresEndTheProcess)
{
    const int h = make(2);
    FONTREC* f = GetFontRecord(h);
    platform::font::fail_fake_glyphs(true);
    EXPECT_EXIT(render(h, "A"), ::testing::ExitedWithCode(255), "");
    EXPECT_NE(read().find("GetGlyphOutline 関数が失敗しました\r\n"), std::string::npos);
    platform::font::fail_fake_glyphs(false);

    EXPECT_EXIT((media::core::fail_heap_requests_after(0, 1), render(h, "A")), ::testing::ExitedWithCode(255), "");
    EXPECT_NE(read().find("アンチエイリアス文字取得用バッファの確保に失敗しました\r\n"), std::string::npos);

    platform::font::face* face = f->face;
    f->face = nullptr;
    EXPECT_EXIT(render(h, "A"), ::testing::ExitedWithCode(255), "");
    EXPECT_NE(read().find("テキストキャッシュサーフェスのＤＣの取得に失敗しました\r\n"), std::string::npos);
    f->face = face;
    DeleteFontHandle(h);
}

TEST_F(Fonts, HandleQueriesAndSettings)
{
    const int h = CreateFontToHandle("Face", 18, 4, 0, 1, -1, 0);
    char face[256] = "?";
    int size = 0, thickness = 0;
    EXPECT_EQ(QueryFontHandleInfo(face, &size, &thickness, h), 0);
    EXPECT_STREQ(face, "Face");
    EXPECT_EQ(size, 18);
    EXPECT_EQ(thickness, 4);
    EXPECT_EQ(QueryFontHandleInfo(nullptr, nullptr, nullptr, h), 0);
    EXPECT_EQ(QueryFontHandleInfo(face, &size, &thickness, h + 1), -1);
    EXPECT_EQ(QueryFontHandleSize(h), 18);
    EXPECT_EQ(QueryFontHandleSize(-1), -1);
    EXPECT_EQ(SetFontSpacing(3, h), 0);
    EXPECT_EQ(GetFontRecord(h)->spacing, 3);
    EXPECT_EQ(SetFontSpacing(3, 12345), -1);
    EXPECT_EQ(GetFontRecord(12345), nullptr);
    EXPECT_EQ(IsFontHandleValid(h), 1);

    int lost = 7;
    EXPECT_EQ(SetFontLostFlagPointer(h, &lost), 0);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(SetFontLostFlagPointer(-1, &lost), -1);
    EXPECT_EQ(DeleteFontHandle(h), 0);
    EXPECT_EQ(lost, 1);

    // names past their buffers are cut at a character boundary
    std::string long_name;
    for (int i = 0; i < 150; ++i) long_name += "\x82\xA0";
    const int cut = CreateFontToHandle(long_name.c_str(), -1, -1, -1, -1, -1, 0);
    EXPECT_EQ(std::string(GetFontRecord(cut)->face_name), long_name.substr(0, 254));
    DeleteFontHandle(cut);
    SetDefaultFontFace(("a" + long_name).c_str(), -1);
    EXPECT_EQ(std::string(media::gfx::font_manager.default_face), ("a" + long_name).substr(0, 127));
}

TEST_F(Fonts, RecreatingKeepsEveryHandleValue)
{
    const int a = make(0);
    const int b = CreateFontToHandle("Face", 20, 9, 2, 1, -1, 0, 5, 1234);
    SetFontSpacing(2, b);
    int lost = 0;
    SetFontLostFlagPointer(a, &lost);
    EXPECT_EQ(RecreateAllFonts(), 0);
    EXPECT_EQ(lost, 1);
    ASSERT_NE(GetFontRecord(a), nullptr);
    ASSERT_NE(GetFontRecord(b), nullptr);
    EXPECT_EQ(b, (1234 | 0x2000) << 16 | 5);
    EXPECT_EQ(GetFontRecord(b)->spacing, 2);
    EXPECT_EQ(GetFontRecord(b)->type, 2);
    EXPECT_STREQ(GetFontRecord(b)->face_name, "Face");
    EXPECT_EQ(GetFontRecord(a)->lost_flag, nullptr);
    EXPECT_EQ(media::gfx::font_manager.fonts.count(), 2);
}

TEST_F(Fonts, TheDefaultFontFollowsItsSettings)
{
    EXPECT_EQ(StartFontSystem(), 0);
    EXPECT_NE(read().find("フォントの初期化を行います\r\n"), std::string::npos);
    EXPECT_NE(read().find("フォントの初期化は正常に終了しました\r\n"), std::string::npos);
    int h = QueryDefaultFontHandle();
    const FONTREC* f = GetFontRecord(h);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->size, 16);
    EXPECT_EQ(f->thickness, 6);
    EXPECT_EQ(f->type, 0);
    EXPECT_EQ(f->char_set, 1);
    EXPECT_EQ(f->italic, 0);

    // the wrapper's four settings
    SetDefaultFontType(2);
    SetDefaultFontSize(20);
    SetDefaultFontThickness(9);
    SetDefaultFontFace("meiryo", 1);
    h = QueryDefaultFontHandle();
    f = GetFontRecord(h);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->type, 2);
    EXPECT_EQ(f->size, 20);
    EXPECT_EQ(f->thickness, 9);
    EXPECT_STREQ(f->face_name, "meiryo");
    EXPECT_EQ(media::gfx::font_manager.fonts.count(), 1);

    // the same value twice: one rebuild
    const std::size_t made = platform::font::fake_requests().size();
    SetDefaultFontSize(22);
    SetDefaultFontSize(22);
    EXPECT_EQ(platform::font::fake_requests().size(), made + 1);
    RefreshDefaultFont();
    EXPECT_EQ(platform::font::fake_requests().size(), made + 1);
    SetDefaultFontSizeThickness("ignored", -1, -1);
    EXPECT_EQ(GetFontRecord(QueryDefaultFontHandle())->size, 16);
    EXPECT_STREQ(GetFontRecord(QueryDefaultFontHandle())->face_name, "meiryo");

    // a reset keeps the default font's settings
    const int other = make(0);
    ResetFontSystem();
    EXPECT_EQ(IsFontHandleValid(other), 0);
    EXPECT_EQ(GetFontRecord(QueryDefaultFontHandle())->type, 2);
    EXPECT_STREQ(GetFontRecord(QueryDefaultFontHandle())->face_name, "meiryo");

    // on an 8-bit screen a type-2 default never matches its settings
    media::gfx::screen_mode.bits = 8;
    SetDefaultFontSize(18);
    const int first = QueryDefaultFontHandle();
    EXPECT_EQ(GetFontRecord(first)->type, 0);
    RefreshDefaultFont();
    EXPECT_NE(QueryDefaultFontHandle(), first);
    EXPECT_EQ(IsFontHandleValid(first), 0);
    EXPECT_EQ(media::gfx::font_manager.fonts.count(), 1);
    media::gfx::screen_mode.bits = 0;

    EXPECT_EQ(EndFontSystem(), 0);
    EXPECT_EQ(media::gfx::font_manager.fonts.count(), 0);
}

// The installed Japanese font: the default font builds and あ lands in its cell.
TEST_F(Fonts, TheInstalledFontRendersIntoItsCells)
{
    platform::font::remove_fake();
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(StartFontSystem(), 0);
        const int h = QueryDefaultFontHandle();
        const FONTREC* f = GetFontRecord(h);
        ASSERT_NE(f, nullptr) << read();
        const FONTCELL* c = render(h, "\x82\xA0");
        ASSERT_NE(c, nullptr);
        EXPECT_GT(c->width, 4);
        EXPECT_GT(c->height, 4);
        EXPECT_LE(c->x_offset + c->width, f->cell_size);
        int set = 0;
        for (int y = 1; y <= f->cell_size; ++y)
            for (int x = 0; x < f->cell_size; ++x) set += at(f, x, y);
        EXPECT_GT(set, 20);
        EXPECT_EQ(EndFontSystem(), 0);
    }
}

}  // namespace
