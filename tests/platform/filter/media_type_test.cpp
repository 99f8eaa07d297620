// Media types, identifiers and result codes.
#include "support/test_filters.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace {

using namespace platform::filter;
using support::filters::filter_test;
using support::filters::make_type;

std::string text(const GUID& g)
{
    char out[40];
    std::snprintf(out, sizeof out, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return out;
}

TEST(FilterIdentifiers, NamedOnesHaveTheirValues)
{
    struct row {
        const GUID& id;
        const char* expected;
    } rows[] = {
        {MEDIATYPE_Audio, "73647561-0000-0010-8000-00AA00389B71"},
        {MEDIATYPE_Video, "73646976-0000-0010-8000-00AA00389B71"},
        {MEDIATYPE_Stream, "E436EB83-524F-11CE-9F53-0020AF0BA770"},
        {MEDIASUBTYPE_PCM, "00000001-0000-0010-8000-00AA00389B71"},
        {MEDIASUBTYPE_RGB24, "E436EB7D-524F-11CE-9F53-0020AF0BA770"},
        {MEDIASUBTYPE_MPEG1Audio, "E436EB87-524F-11CE-9F53-0020AF0BA770"},
        {MEDIASUBTYPE_WAVE, "E436EB8B-524F-11CE-9F53-0020AF0BA770"},
        {FORMAT_WaveFormatEx, "05589F81-C356-11CE-BF01-00AA0055595A"},
        {FORMAT_VideoInfo, "05589F80-C356-11CE-BF01-00AA0055595A"},
        {IID_IAsyncReader, "56A868AA-0AD4-11CE-B03A-0020AF0BA770"},
        {IID_IStream, "0000000C-0000-0000-C000-000000000046"},
        {GUID_NULL, "00000000-0000-0000-0000-000000000000"},
    };
    for (const row& r : rows)
        EXPECT_EQ(text(r.id), r.expected);
    EXPECT_NE(MEDIATYPE_Audio, MEDIATYPE_Video);
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_PCM, MEDIASUBTYPE_PCM));
}

TEST(FilterResults, QuotedCodesHaveTheirValues)
{
    struct row {
        HRESULT hr;
        std::uint32_t expected;
    } rows[] = {
        {S_OK, 0},
        {S_FALSE, 1},
        {E_POINTER, 0x80004003},
        {E_INVALIDARG, 0x80070057},
        {E_FAIL, 0x80004005},
        {E_OUTOFMEMORY, 0x8007000E},
        {E_NOINTERFACE, 0x80004002},
        {E_UNEXPECTED, 0x8000FFFF},
        {VFW_E_BADALIGN, 0x8004020E},
        {VFW_E_ALREADY_COMMITTED, 0x8004020F},
        {VFW_E_BUFFERS_OUTSTANDING, 0x80040210},
        {VFW_E_SIZENOTSET, 0x80040212},
        {VFW_E_NOT_CONNECTED, 0x80040209},
        {VFW_E_INVALID_MEDIA_TYPE, 0x80040248},
        {VFW_S_NO_MORE_ITEMS, 0x00040103},
        {VFW_E_WRONG_STATE, 0x80040227},
        {VFW_E_TIMEOUT, 0x8004022E},
        {OLE_S_FIRST, 0x00040000},
    };
    for (const row& r : rows) {
        EXPECT_EQ(std::uint32_t(r.hr), r.expected);
        EXPECT_EQ(SUCCEEDED(r.hr), (r.expected & 0x80000000u) == 0);
    }
}

using MediaType = filter_test;

TEST_F(MediaType, CopiesHoldTheirOwnFormatBlock)
{
    CMediaType original = make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 2, 3, 4, 5});
    original.SetSampleSize(4);
    original.SetTemporalCompression(true);

    CMediaType copy(original);
    EXPECT_TRUE(copy == original);
    EXPECT_NE(copy.Format(), original.Format());
    EXPECT_EQ(copy.FormatLength(), 5u);
    EXPECT_TRUE(copy.IsFixedSize());
    EXPECT_EQ(copy.GetSampleSize(), 4u);
    EXPECT_TRUE(copy.IsTemporalCompressed());

    copy.Format()[0] = 9;
    EXPECT_FALSE(copy == original);
    EXPECT_EQ(original.Format()[0], 1);

    CMediaType assigned;
    assigned = original;
    EXPECT_TRUE(assigned == original);
    assigned = assigned;  // self-assignment keeps the block
    EXPECT_EQ(assigned.FormatLength(), 5u);

    AM_MEDIA_TYPE* heap = CreateMediaType(&original);
    ASSERT_NE(heap, nullptr);
    EXPECT_TRUE(CMediaType(*heap) == original);
    DeleteMediaType(heap);
    DeleteMediaType(nullptr);
}

TEST_F(MediaType, FailedBlockCopyKeepsTheIdentifiers)
{
    CMediaType original = make_type(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, {7, 7, 7});
    CMediaType target = make_type(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE, GUID_NULL, {1});

    fail_format_allocations(1);
    EXPECT_EQ(target.Set(original), E_OUTOFMEMORY);
    EXPECT_EQ(target.majortype, MEDIATYPE_Video);
    EXPECT_EQ(target.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(target.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(target.FormatLength(), 0u);
    EXPECT_EQ(target.Format(), nullptr);

    AM_MEDIA_TYPE raw{};
    fail_format_allocations(1);
    EXPECT_EQ(CopyMediaType(&raw, &original), E_OUTOFMEMORY);
    EXPECT_EQ(raw.majortype, MEDIATYPE_Video);
    EXPECT_EQ(raw.pbFormat, nullptr);

    fail_format_allocations(1);
    EXPECT_EQ(CreateMediaType(&original), nullptr);
    EXPECT_EQ(target.Set(original), S_OK);
    EXPECT_TRUE(target == original);
    EXPECT_EQ(CopyMediaType(nullptr, &original), E_POINTER);
    EXPECT_EQ(CopyMediaType(&raw, nullptr), E_POINTER);
}

TEST_F(MediaType, PartialMatches)
{
    CMediaType full = make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 2});
    struct row {
        CMediaType partial;
        bool matches;
    } rows[] = {
        {CMediaType(), true},
        {make_type(MEDIATYPE_Audio, GUID_NULL), true},
        {make_type(MEDIATYPE_Video, GUID_NULL), false},
        {make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM), true},
        {make_type(MEDIATYPE_Audio, MEDIASUBTYPE_WAVE), false},
        {make_type(GUID_NULL, MEDIASUBTYPE_PCM), true},
        {make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx), true},
        {make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_VideoInfo), false},
        {make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 2}), true},
        {make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {1, 3}), false},
    };
    for (const row& r : rows)
        EXPECT_EQ(full.MatchesPartial(&r.partial), r.matches) << text(r.partial.majortype) << " "
                                                              << text(r.partial.subtype);
    EXPECT_FALSE(full.IsPartiallySpecified());
    EXPECT_TRUE(make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM).IsPartiallySpecified());
    EXPECT_FALSE(CMediaType().IsValid());
    EXPECT_TRUE(CMediaType(MEDIATYPE_Audio).IsValid());
}

TEST(FilterFormats, RecordsHaveTheirWireSizes)
{
    EXPECT_EQ(sizeof(WAVEFORMATEX), 18u);
    EXPECT_EQ(sizeof(VIDEOINFOHEADER), 88u);
    EXPECT_EQ(offsetof(VIDEOINFOHEADER, bmiHeader), 48u);
}

}  // namespace
