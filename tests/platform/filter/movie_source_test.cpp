// The movie source RenderFile picks for files the codec libraries know: a
// tiny movie made here by their encoders plays to its end in test renderers,
// seeks, and damaged copies of it fail cleanly or show what decodes.
#include "support/graph_filters.hpp"
#include "support/temp_folder.hpp"
#include "support/tiny_movie.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace platform::filter;
using namespace support::filters;

const GUID clsid_video_renderer{0x7E570020, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
const GUID clsid_audio_renderer{0x7E570021, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The tiny movie with sound, and counting renderers for its two types in
// the filter table (the sound one above the default audio renderer).
class MovieSource : public filter_test {
protected:
    MovieSource()
        : video_(clsid_video_renderer,
                 [] { return static_cast<IBaseFilter*>(new counting_renderer(MEDIATYPE_Video)); },
                 filter_entry{L"Video renderer", {}, MERIT_NORMAL, {{MEDIATYPE_Video, MEDIASUBTYPE_RGB24}}}),
          audio_(clsid_audio_renderer,
                 [] { return static_cast<IBaseFilter*>(new counting_renderer(MEDIATYPE_Audio)); },
                 filter_entry{L"Audio renderer", {}, MERIT_PREFERRED + 1, {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}}})
    {
    }
    void SetUp() override
    {
        movie = folder.at("tiny.avi");
        ASSERT_TRUE(support::make_tiny_movie(movie, 10, true));
    }
    static std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
    com_ptr<IGraphBuilder> new_graph()
    {
        com_ptr<IGraphBuilder> g;
        EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, g.put_void()),
                  S_OK);
        return g;
    }
    counting_renderer* renderer_named(IGraphBuilder* g, const wchar_t* name)
    {
        for (com_ptr<IBaseFilter>& f : filters_in(g))
            if (name_of(f.get()) == name)
                return dynamic_cast<counting_renderer*>(f.get());
        return nullptr;
    }
    LONG run_to_end(IGraphBuilder* g, HRESULT* wait_result)
    {
        auto control = com_ptr<IGraphBuilder>::share(g).as<IMediaControl>(IID_IMediaControl);
        auto events = com_ptr<IGraphBuilder>::share(g).as<IMediaEvent>(IID_IMediaEvent);
        LONG code = 0;
        *wait_result = control->Run();
        if (SUCCEEDED(*wait_result))
            *wait_result = events->WaitForCompletion(20000, &code);
        control->Stop();
        return code;
    }

    registration video_, audio_;
    support::temp_folder folder;
    std::string movie;
};

TEST_F(MovieSource, RendersPlaysAndSeeksTheTinyMovie)
{
    auto graph = new_graph();
    ASSERT_EQ(graph->RenderFile(wide(movie).c_str(), nullptr), S_OK);
    std::vector<com_ptr<IBaseFilter>> filters = filters_in(graph.get());
    ASSERT_EQ(filters.size(), 3u);
    EXPECT_EQ(name_of(filters[0].get()), wide(movie));
    counting_renderer* video = renderer_named(graph.get(), L"Video renderer");
    counting_renderer* audio = renderer_named(graph.get(), L"Audio renderer");
    ASSERT_TRUE(video && audio);

    // The video pin's type: bottom-up 24-bit RGB of the movie's size.
    CMediaType vt = video->InputPin()->CurrentMediaType();
    ASSERT_EQ(vt.formattype, FORMAT_VideoInfo);
    ASSERT_GE(vt.FormatLength(), sizeof(VIDEOINFOHEADER));
    VIDEOINFOHEADER info{};
    std::memcpy(&info, vt.Format(), sizeof info);
    EXPECT_EQ(info.bmiHeader.biWidth, support::tiny_movie_width);
    EXPECT_EQ(info.bmiHeader.biHeight, support::tiny_movie_height);
    EXPECT_EQ(info.bmiHeader.biBitCount, 24);
    EXPECT_EQ(info.AvgTimePerFrame, 400000);
    CMediaType at = audio->InputPin()->CurrentMediaType();
    ASSERT_GE(at.FormatLength(), sizeof(WAVEFORMATEX));
    WAVEFORMATEX wave{};
    std::memcpy(&wave, at.Format(), sizeof wave);
    EXPECT_EQ(wave.nSamplesPerSec, 8000u);
    EXPECT_EQ(wave.nChannels, 1);
    EXPECT_EQ(wave.wBitsPerSample, 16);

    auto seeking = graph.as<IMediaSeeking>(IID_IMediaSeeking);
    LONGLONG duration = 0;
    EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_NEAR(double(duration), 4'000'000.0, 400'000.0);

    HRESULT hr = E_FAIL;
    EXPECT_EQ(run_to_end(graph.get(), &hr), EC_COMPLETE);
    EXPECT_EQ(hr, S_OK);
    std::vector<seen_sample> frames = video->seen();
    ASSERT_EQ(frames.size(), 10u);
    const std::size_t stride = (support::tiny_movie_width * 3 + 3) & ~3u;
    ASSERT_EQ(frames[0].bytes.size(), stride * support::tiny_movie_height);
    // Bottom-up: the dark lower half comes first, the bright upper half last.
    EXPECT_LT(frames[0].bytes[0], 90);
    EXPECT_GT(frames[0].bytes[frames[0].bytes.size() - stride], 170);
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].start, REFERENCE_TIME(i) * 400000) << i;

    // The sound, sample for sample.
    std::vector<std::int16_t> pcm;
    for (const seen_sample& s : audio->seen())
        for (std::size_t b = 0; b + 1 < s.bytes.size(); b += 2)
            pcm.push_back(std::int16_t(s.bytes[b] | (s.bytes[b + 1] << 8)));
    ASSERT_EQ(pcm.size(), std::size_t(10 * support::tiny_movie_sound_per_picture));
    int wrong = 0;
    for (std::size_t n = 0; n < pcm.size(); ++n)
        wrong += pcm[n] != support::tiny_movie_sound(int(n));
    EXPECT_EQ(wrong, 0);

    LONGLONG current = 0;
    EXPECT_EQ(seeking->GetCurrentPosition(&current), S_OK);
    EXPECT_EQ(current, 3'600'000);

    // From the sixth picture on.
    LONGLONG middle = 2'000'000;
    ASSERT_EQ(seeking->SetPositions(&middle, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    EXPECT_EQ(run_to_end(graph.get(), &hr), EC_COMPLETE);
    frames = video->seen();
    ASSERT_EQ(frames.size(), 15u);
    EXPECT_EQ(frames[10].start, 2'000'000);
    EXPECT_EQ(frames[14].start, 3'600'000);
}

TEST_F(MovieSource, DamagedMoviesFailCleanlyOrShowWhatDecodes)
{
    const std::string whole = read_all(movie);
    ASSERT_GT(whole.size(), 1000u);
    struct row {
        const char* what;
        std::string bytes;
        int least_shown;  // pictures shown at least; negative: failing to open is as good
    };
    auto zeroed = [&](std::size_t from, std::size_t to) {
        std::string s = whole;
        std::fill(s.begin() + long(from), s.begin() + long(std::min(to, s.size())), '\0');
        return s;
    };
    auto scrambled = [&] {
        std::string s = whole;
        for (std::size_t i = 300; i < s.size(); i += 37)
            s[i] = char(s[i] ^ 0x5A);
        return s;
    };
    const row rows[] = {
        {"cut to its first 64 bytes", whole.substr(0, 64), -1},
        {"cut to a quarter", whole.substr(0, whole.size() / 4), -1},
        {"cut in half", whole.substr(0, whole.size() / 2), -1},
        {"cut short by one byte", whole.substr(0, whole.size() - 1), 9},
        {"middle third zeroed", zeroed(whole.size() / 3, 2 * whole.size() / 3), 1},
        {"header zeroed after the signature", zeroed(16, 400), -1},
        {"every 37th byte flipped", scrambled(), 0},
        {"garbage appended", whole + std::string(5000, '\x7F'), 10},
    };
    int index = 0;
    for (const row& r : rows) {
        std::string name = "damaged" + std::to_string(index++) + ".avi";
        folder.file(name, r.bytes);
        auto graph = new_graph();
        HRESULT rendered = graph->RenderFile(wide(folder.at(name)).c_str(), nullptr);
        if (FAILED(rendered)) {
            EXPECT_TRUE(rendered == VFW_E_UNKNOWN_FILE_TYPE || rendered == VFW_E_CANNOT_RENDER) << r.what;
            EXPECT_TRUE(filters_in(graph.get()).empty()) << r.what;
            EXPECT_LT(r.least_shown, 0) << r.what << " should have shown what decodes";
            continue;
        }
        HRESULT waited = E_FAIL;
        LONG code = run_to_end(graph.get(), &waited);
        EXPECT_EQ(waited, S_OK) << r.what;
        EXPECT_TRUE(code == EC_COMPLETE || code == EC_ERRORABORT) << r.what;
        if (counting_renderer* video = renderer_named(graph.get(), L"Video renderer")) {
            EXPECT_LE(video->count(), 10u) << r.what;
            EXPECT_GE(int(video->count()), r.least_shown) << r.what;
        }
    }
}

}  // namespace
