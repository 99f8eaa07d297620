// Media samples over a memory range: times, flags, lengths and types.
#include "support/test_filters.hpp"

#include <gtest/gtest.h>

namespace {

using namespace platform::filter;
using support::filters::filter_test;
using support::filters::make_type;

class MediaSample : public filter_test {
protected:
    BYTE memory[16] = {};
};

TEST_F(MediaSample, TimesAreDistinctFromNoTimes)
{
    auto* sample = new CMediaSample("sample", nullptr, nullptr, memory, sizeof memory);
    sample->AddRef();
    REFERENCE_TIME start = -1, stop = -1;
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

    REFERENCE_TIME zero = 0, five = 5'000'000;
    EXPECT_EQ(sample->SetTime(&zero, &five), S_OK);
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(stop, 5'000'000);

    EXPECT_EQ(sample->SetTime(&five, nullptr), S_OK);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(start, 5'000'000);
    EXPECT_EQ(stop, 5'000'001);

    EXPECT_EQ(sample->SetTime(nullptr, nullptr), S_OK);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

    std::int64_t media_start = 0, media_stop = 0;
    EXPECT_EQ(sample->GetMediaTime(&media_start, &media_stop), VFW_E_MEDIA_TIME_NOT_SET);
    std::int64_t a = 10, b = 20;
    EXPECT_EQ(sample->SetMediaTime(&a, &b), S_OK);
    EXPECT_EQ(sample->GetMediaTime(&media_start, &media_stop), S_OK);
    EXPECT_EQ(media_start, 10);
    EXPECT_EQ(media_stop, 20);
    EXPECT_EQ(sample->SetMediaTime(nullptr, nullptr), S_OK);
    EXPECT_EQ(sample->GetMediaTime(&media_start, &media_stop), VFW_E_MEDIA_TIME_NOT_SET);
    sample->Release();
}

TEST_F(MediaSample, FlagsAndLengths)
{
    auto* sample = new CMediaSample("sample", nullptr, nullptr, memory, sizeof memory);
    sample->AddRef();
    BYTE* data = nullptr;
    EXPECT_EQ(sample->GetPointer(&data), S_OK);
    EXPECT_EQ(data, memory);
    EXPECT_EQ(sample->GetSize(), 16);

    struct row {
        HRESULT (CMediaSample::*get)();
        HRESULT (CMediaSample::*set)(bool);
    } rows[] = {
        {&CMediaSample::IsSyncPoint, &CMediaSample::SetSyncPoint},
        {&CMediaSample::IsPreroll, &CMediaSample::SetPreroll},
        {&CMediaSample::IsDiscontinuity, &CMediaSample::SetDiscontinuity},
    };
    for (const row& r : rows) {
        EXPECT_EQ((sample->*r.get)(), S_FALSE);
        EXPECT_EQ((sample->*r.set)(true), S_OK);
        EXPECT_EQ((sample->*r.get)(), S_OK);
        EXPECT_EQ((sample->*r.set)(false), S_OK);
        EXPECT_EQ((sample->*r.get)(), S_FALSE);
    }

    struct length_row {
        LONG length;
        HRESULT result;
        LONG kept;
    } lengths[] = {{0, S_OK, 0}, {16, S_OK, 16}, {17, VFW_E_BUFFER_OVERFLOW, 16}, {-1, VFW_E_BUFFER_OVERFLOW, 16},
                   {5, S_OK, 5}};
    for (const length_row& r : lengths) {
        EXPECT_EQ(sample->SetActualDataLength(r.length), r.result) << r.length;
        EXPECT_EQ(sample->GetActualDataLength(), r.kept) << r.length;
    }
    sample->Release();
}

TEST_F(MediaSample, CarriesAMediaTypeAndProperties)
{
    auto* sample = new CMediaSample("sample", nullptr, nullptr, memory, sizeof memory);
    sample->AddRef();
    AM_MEDIA_TYPE* type = reinterpret_cast<AM_MEDIA_TYPE*>(1);
    EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
    EXPECT_EQ(type, nullptr);

    CMediaType pcm = make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, {4, 3, 2});
    EXPECT_EQ(sample->SetMediaType(&pcm), S_OK);
    ASSERT_EQ(sample->GetMediaType(&type), S_OK);
    EXPECT_TRUE(CMediaType(*type) == pcm);
    DeleteMediaType(type);

    AM_SAMPLE2_PROPERTIES props{};
    EXPECT_EQ(sample->GetProperties(&props), S_OK);
    EXPECT_TRUE(props.dwSampleFlags & AM_SAMPLE_TYPECHANGED);
    EXPECT_EQ(props.dwStreamId, AM_STREAM_MEDIA);
    EXPECT_EQ(props.pbBuffer, memory);

    props.dwStreamId = 3;
    props.lActual = 8;
    props.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID | AM_SAMPLE_SPLICEPOINT;
    props.tStart = 1;
    props.tStop = 2;
    EXPECT_EQ(sample->SetProperties(&props), S_OK);
    REFERENCE_TIME start, stop;
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop, 2);
    EXPECT_EQ(sample->IsSyncPoint(), S_OK);
    EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);  // the flags no longer name a type
    AM_SAMPLE2_PROPERTIES back{};
    sample->GetProperties(&back);
    EXPECT_EQ(back.dwStreamId, 3u);
    EXPECT_EQ(back.lActual, 8);

    props.lActual = 17;
    EXPECT_EQ(sample->SetProperties(&props), VFW_E_BUFFER_OVERFLOW);

    EXPECT_EQ(sample->SetMediaType(nullptr), S_OK);
    sample->Release();
}

TEST_F(MediaSample, NullOutPointersAndUnknownInterfaces)
{
    auto* sample = new CMediaSample("sample", nullptr, nullptr, memory, sizeof memory);
    sample->AddRef();
    REFERENCE_TIME t = 0;
    std::int64_t m = 0;
    EXPECT_EQ(sample->GetPointer(nullptr), E_POINTER);
    EXPECT_EQ(sample->GetTime(nullptr, &t), E_POINTER);
    EXPECT_EQ(sample->GetTime(&t, nullptr), E_POINTER);
    EXPECT_EQ(sample->GetMediaTime(nullptr, &m), E_POINTER);
    EXPECT_EQ(sample->GetMediaTime(&m, nullptr), E_POINTER);
    EXPECT_EQ(sample->GetMediaType(nullptr), E_POINTER);
    EXPECT_EQ(sample->GetProperties(nullptr), E_POINTER);
    EXPECT_EQ(sample->SetProperties(nullptr), E_POINTER);
    EXPECT_EQ(sample->QueryInterface(IID_IMediaSample, nullptr), E_POINTER);

    void* out = &t;
    EXPECT_EQ(sample->QueryInterface(IID_IPin, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(sample->QueryInterface(IID_IMediaSample2, &out), S_OK);
    static_cast<IMediaSample2*>(out)->Release();
    sample->Release();
}

}  // namespace
