// The Theora decoder: open and its refusals, the current frame's moves, the
// stock the thread keeps, conversion, close, and damaged files. Pictures
// are checked against a plain decode of the same file.
#include <dirent.h>

#include "movie_fixture.hpp"

namespace {

using movie_test::byte_stream;
using movie_test::image_of;
using movie_test::picture;
using movie_test::reference_frames;
using movie_test::wait_until;
using namespace media::snd;

const char* const MSG_RECORD = "Theora ムービーデコード処理用のメモリ確保に失敗しました\n";
const char* const MSG_INDEX = "Theora ページ情報格納用メモリの確保に失敗しました\n";
const char* const MSG_KEYFRAMES = "Theora キーフレーム情報格納用メモリの確保に失敗しました\n";
const char* const MSG_IMAGE = "Theora ムービーデコードフレームストック用画像バッファの確保に失敗しました\n";
const char* const MSG_SLOTS = "Theora ムービーデコードフレームストック用のメモリ確保に失敗しました\n";

// The fixtures, made once per program.
const std::string& movie_420()
{
    static const std::string file = support::write_theora_movie();
    return file;
}

const std::vector<picture>& frames_420()
{
    static const std::vector<picture> frames = reference_frames(movie_420());
    return frames;
}

int thread_count()
{
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* e = readdir(dir))
            n += e->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

class Theora : public movie_test::movie {
protected:
    THEORADECODER* open(byte_stream& stream, int slots = 10)
    {
        const FILEOPS ops = stream.ops();
        return OpenTheoraDecoder(&ops, &stream, slots);
    }
    // Converts the current frame and checks it against the plain decode.
    void expect_current_picture(THEORADECODER* d, int frame, const char* what)
    {
        ASSERT_EQ(GetTheoraCurrentFrame(d), frame) << what;
        ConvertTheoraFrame(d, 1, 0);
        EXPECT_TRUE(image_of(d) == frames_420()[frame]) << what << ": frame " << frame;
    }
};

TEST_F(Theora, FixtureHasTheFramesItWasAskedFor)
{
    ASSERT_EQ(frames_420().size(), 16u);
    EXPECT_EQ(frames_420()[0].size(), 64u * 48 * 4);
    EXPECT_FALSE(frames_420()[0] == frames_420()[1]);
}

TEST_F(Theora, OpenReadsInfoKeyframesAndFrameZero)
{
    support::theora_movie_options vorbis_first, vorbis_after;
    vorbis_first.vorbis = true;
    vorbis_after.vorbis = true;
    vorbis_after.vorbis_first = false;
    support::theora_movie_options gathered;
    gathered.page_per_frame = false;
    const struct {
        const char* name;
        std::string file;
    } rows[] = {{"video alone", movie_420()},
                {"pages of several frames", support::write_theora_movie(gathered)},
                {"audio stream first", support::write_theora_movie(vorbis_first)},
                {"audio stream after", support::write_theora_movie(vorbis_after)}};
    for (const auto& row : rows) {
        byte_stream stream(row.file);
        THEORADECODER* d = open(stream);
        ASSERT_NE(d, nullptr) << row.name;
        THEORA_MOVIEINFO info{};
        EXPECT_EQ(GetTheoraInfo(d, &info), 0);
        EXPECT_EQ(info.frame_rate, 8.0) << row.name;
        EXPECT_EQ(info.frame_count, 16) << row.name;
        EXPECT_EQ(info.width, 64) << row.name;
        EXPECT_EQ(info.height, 48) << row.name;
        for (int f = 0; f < 16; ++f)
            EXPECT_EQ(d->keyframes[f], f % 4 == 0 ? 1 : 0) << row.name << " frame " << f;
        EXPECT_EQ(GetTheoraCurrentFrame(d), 0) << row.name;
        EXPECT_EQ(d->rgb_fresh, 1) << row.name;
        EXPECT_TRUE(image_of(d) == frames_420()[0]) << row.name;
        EXPECT_EQ(GetTheoraYuvSurface(d), nullptr);
        EXPECT_EQ(d->surface_format, 0u);
        CloseTheoraDecoder(d);
    }
}

// 4:2:2 and 4:4:4 movies take the floating-point rule, chroma at their own
// ratios: within a step of the fixed-point rule everywhere.
TEST_F(Theora, OtherChromaLayoutsShowTheirOwnColours)
{
    for (th_pixel_fmt format : {TH_PF_422, TH_PF_444}) {
        support::theora_movie_options o;
        o.format = format;
        const std::string file = support::write_theora_movie(o);
        const std::vector<picture> reference = reference_frames(file);
        byte_stream stream(file);
        THEORADECODER* d = open(stream);
        ASSERT_NE(d, nullptr) << format;
        const picture got = image_of(d);
        ASSERT_EQ(got.size(), reference[0].size());
        int worst = 0;
        for (std::size_t i = 0; i < got.size(); ++i)
            worst = std::max(worst, std::abs(got[i] - reference[0][i]));
        EXPECT_LE(worst, 2) << format;
        CloseTheoraDecoder(d);
    }
}

TEST_F(Theora, Refusals)
{
    support::theora_movie_options audio_only, headers_only;
    audio_only.theora = false;
    audio_only.vorbis = true;
    headers_only.frames = 0;
    const struct {
        const char* name;
        std::string file;
        const char* logged;  // null: nothing
    } rows[] = {
        {"not Ogg", "RIFF....WAVEfmt " + movie_420(), nullptr},
        {"Ogg later in the file", "OgXS" + movie_420().substr(4), nullptr},
        {"empty", "", nullptr},
        {"three bytes", "Ogg", nullptr},
        {"Ogg without Theora", support::write_theora_movie(audio_only), "End of file while searching for codec headers."},
        {"headers and no picture", support::write_theora_movie(headers_only), ""},
    };
    for (const auto& row : rows) {
        const std::string before = read();
        byte_stream stream(row.file);
        EXPECT_EQ(open(stream), nullptr) << row.name;
        EXPECT_EQ(media::core::alloc_state.count, blocks_) << row.name;
        const std::string logged = read().substr(before.size());
        if (!row.logged)
            EXPECT_EQ(logged, "") << row.name;
        else
            EXPECT_NE(logged.find(row.logged), std::string::npos) << row.name << ": " << logged;
    }
}

// Each managed allocation of the open failing in turn, on a movie long
// enough that the page index and the keyframe flags must grow.
TEST_F(Theora, EachAllocationFailureFailsTheOpen)
{
    support::theora_movie_options o;
    o.frames = 1010;
    o.frame_width = o.picture_width = 16;
    o.frame_height = o.picture_height = 16;
    byte_stream stream(support::write_theora_movie(o));
    const int threads = thread_count();
    std::vector<std::string> seen;
    for (int k = 0;; ++k) {
        ASSERT_LT(k, 20) << "the open never succeeded";
        const std::string before = read();
        byte_stream::seek(&stream, 0, 0);
        media::core::fail_heap_requests_after(k, 1);
        THEORADECODER* d = open(stream);
        media::core::fail_next_heap_requests(0);
        if (d) {
            // the allocations after the open's own are the thread's picture copies
            CloseTheoraDecoder(d);
            EXPECT_EQ(media::core::alloc_state.count, blocks_);
            break;
        }
        EXPECT_EQ(media::core::alloc_state.count, blocks_) << "allocation " << k;
        EXPECT_EQ(thread_count(), threads) << "allocation " << k;
        seen.push_back(read().substr(before.size()));
    }
    const std::vector<std::string> expected = {MSG_RECORD, MSG_INDEX, MSG_KEYFRAMES, MSG_INDEX, MSG_KEYFRAMES, MSG_IMAGE, MSG_SLOTS};
    // the index grows at its 1001st page, the flags at frame 1000, in the same step
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i)
        EXPECT_NE(seen[i].find(expected[i].substr(0, expected[i].size() - 1) + "\r\n"), std::string::npos) << "allocation " << i << ": " << seen[i];
}

TEST_F(Theora, AdvanceWrapsIntoTheMovie)
{
    byte_stream stream(movie_420());
    THEORADECODER* d = open(stream);
    ASSERT_NE(d, nullptr);
    const struct {
        int step, expected;
    } rows[] = {{9, 9}, {9, 2}, {0, 2}, {-3, 2}, {40, 10}, {15, 9}, {1, 10}};
    for (const auto& row : rows) {
        AdvanceTheoraFrame(d, row.step);
        expect_current_picture(d, row.expected, "advance");
    }
    CloseTheoraDecoder(d);
}

TEST_F(Theora, SeekMatchesSequentialDecoding)
{
    byte_stream stream(movie_420());
    THEORADECODER* d = open(stream);
    ASSERT_NE(d, nullptr);
    const struct {
        int target, expected;
    } rows[] = {{10, 10}, {3, 3}, {13, 13}, {16, 15}, {0, 0}, {-4, 0}, {7, 7}, {15, 15}};
    for (const auto& row : rows) {
        SeekTheoraDecoder(d, row.target);
        expect_current_picture(d, row.expected, "seek");
    }
    // the wrap: on through frame 15 to frame 1
    AdvanceTheoraFrame(d, 2);
    expect_current_picture(d, 1, "wrap");
    CloseTheoraDecoder(d);
}

TEST_F(Theora, FullStockWaitsForAStaleSlot)
{
    byte_stream stream(movie_420());
    THEORADECODER* d = open(stream);
    ASSERT_NE(d, nullptr);
    const auto frames_held = [d] {
        std::vector<int> held;
        for (int i = 0; i < d->slot_count; ++i)
            if (d->slots[i].valid.load())
                held.push_back(d->slots[i].frame.load());
        std::sort(held.begin(), held.end());
        return held;
    };
    const std::vector<int> first_ten = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    wait_until([&] { return d->state.load() == THEORA_STATE_FULL && frames_held() == first_ten; });
    const int position = d->decode_position.load();
    const int passes = d->passes.load();
    wait_until([&] { return d->passes.load() > passes + 3; });
    EXPECT_EQ(d->state.load(), THEORA_STATE_FULL);
    EXPECT_EQ(d->decode_position.load(), position);
    EXPECT_EQ(frames_held(), first_ten);

    AdvanceTheoraFrame(d, 1);
    const std::vector<int> next_ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    wait_until([&] { return d->state.load() == THEORA_STATE_FULL && frames_held() == next_ten; });
    expect_current_picture(d, 1, "after the move");
    CloseTheoraDecoder(d);
}

TEST_F(Theora, ConvertOncePerFrame)
{
    byte_stream stream(movie_420());
    THEORADECODER* d = open(stream);
    ASSERT_NE(d, nullptr);
    std::memset(d->rgb.pixels, 0x5A, 16);
    EXPECT_EQ(ConvertTheoraFrame(d, 1, 1), 0) << "the same frame with the same flags";
    EXPECT_EQ(static_cast<std::uint8_t*>(d->rgb.pixels)[0], 0x5A) << "nothing changed";
    EXPECT_EQ(ConvertTheoraFrame(d, 0, 0), 0);
    AdvanceTheoraFrame(d, 1);
    EXPECT_EQ(d->rgb_fresh, 0);
    EXPECT_EQ(ConvertTheoraFrame(d, 0, 1), 0) << "a surface wanted, none present";
    EXPECT_EQ(ConvertTheoraFrame(d, 1, 1), 1) << "the RGB image alone";
    EXPECT_TRUE(image_of(d) == frames_420()[1]);
    EXPECT_EQ(ConvertTheoraFrame(d, 1, 0), 0);
    CloseTheoraDecoder(d);
}

// Data that ends after the scan: a frame the stock lacks is not waited for.
TEST_F(Theora, FrameMissingAfterTheEndOfDataIsNotWaitedFor)
{
    byte_stream stream(movie_420());
    THEORADECODER* d = open(stream);
    ASSERT_NE(d, nullptr);
    wait_until([&] { return d->state.load() == THEORA_STATE_FULL; });
    stream.limit.store(d->pages[1].offset);
    SeekTheoraDecoder(d, 13);
    EXPECT_EQ(ConvertTheoraFrame(d, 1, 0), 0);
    EXPECT_EQ(d->end_of_data.load(), 1);
    EXPECT_EQ(GetTheoraCurrentFrame(d), 13);
    CloseTheoraDecoder(d);
}

TEST_F(Theora, CloseEndsTheThreadFirst)
{
    const int threads = thread_count();
    byte_stream stream(movie_420());
    THEORADECODER* d = open(stream);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(thread_count(), threads + 1);
    // held by hand, as the open holds it
    d->hold_request.store(77);
    wait_until([&] { return d->held_ack.load() == 77; });
    EXPECT_EQ(d->state.load(), THEORA_STATE_HELD);
    CloseTheoraDecoder(d);
    EXPECT_EQ(thread_count(), threads);

    for (int i = 0; i < 50; ++i) {
        byte_stream s(movie_420());
        THEORADECODER* each = open(s);
        ASSERT_NE(each, nullptr);
        if (i % 3 == 0)
            AdvanceTheoraFrame(each, i % 16 + 1);
        CloseTheoraDecoder(each);
    }
    EXPECT_EQ(thread_count(), threads);
}

// The owner moves, seeks and converts while the thread decodes; every
// picture matches the plain decode (and the race detector stays quiet).
TEST_F(Theora, OwnerAndThreadShareTheRecord)
{
    byte_stream stream(movie_420());
    THEORADECODER* d = open(stream, 4);
    ASSERT_NE(d, nullptr);
    int frame = 0;
    for (int i = 0; i < 120; ++i) {
        const int before = frame;
        if (i % 11 == 5) {
            frame = (i * 7) % 16;
            SeekTheoraDecoder(d, frame);
        } else {
            const int step = 1 + i % 3;
            AdvanceTheoraFrame(d, step);
            frame = (frame + step) % 16;
        }
        ASSERT_EQ(ConvertTheoraFrame(d, 1, 1), frame != before ? 1 : 0) << i;
        ASSERT_TRUE(image_of(d) == frames_420()[frame]) << "step " << i << " frame " << frame;
    }
    CloseTheoraDecoder(d);
}

// The fixture cut at every page boundary and inside pages, and with a byte
// of each page's body changed: no decoder, or one that plays what it has.
TEST_F(Theora, DamagedFiles)
{
    support::theora_movie_options o;
    o.vorbis = true;
    const std::string whole = support::write_theora_movie(o);
    const std::vector<std::size_t> starts = support::page_starts(whole);
    ASSERT_GT(starts.size(), 10u);
    struct row {
        std::string name;
        std::string file;
    };
    std::vector<row> rows;
    for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
        const std::size_t begin = starts[i], end = starts[i + 1];
        rows.push_back({"cut before page " + std::to_string(i), whole.substr(0, begin)});
        rows.push_back({"cut in the header of page " + std::to_string(i), whole.substr(0, begin + 13)});
        rows.push_back({"cut in the body of page " + std::to_string(i), whole.substr(0, (begin + end) / 2 + 1)});
        std::string altered = whole;
        altered[(begin + end) / 2] ^= 0x41;
        rows.push_back({"body of page " + std::to_string(i) + " changed", altered});
    }
    int opened = 0;
    for (const row& r : rows) {
        byte_stream stream(r.file);
        THEORADECODER* d = open(stream);
        if (d) {
            ++opened;
            THEORA_MOVIEINFO info{};
            GetTheoraInfo(d, &info);
            EXPECT_GT(info.frame_count, 0) << r.name;
            for (int k = 0; k < 6; ++k) {
                AdvanceTheoraFrame(d, 3);
                ConvertTheoraFrame(d, 1, 1);
            }
            SeekTheoraDecoder(d, info.frame_count - 1);
            ConvertTheoraFrame(d, 1, 1);
            SeekTheoraDecoder(d, 1);
            ConvertTheoraFrame(d, 1, 1);
            CloseTheoraDecoder(d);
        }
        EXPECT_EQ(media::core::alloc_state.count, blocks_) << r.name;
    }
    EXPECT_GT(opened, 0);
}

}  // namespace
