// Stream sounds: the ring quantities, the first fill and the refill amounts
// (thread held), playback on the virtual clock, the refusals of adding and
// the release of every source at delete.
#include "sound_fixture.hpp"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "media/core/alloc.hpp"
#include "media/sound/convert.hpp"
#include "media/sound/stream_sound.hpp"
#include "media/core/pump.hpp"
#include "support/riff_writer.hpp"
#include "support/temp_folder.hpp"

namespace {

using media::snd::sound_system;
using support::chunk;
using support::counting_bytes;
using support::pcm16_fields;
using support::riff_file;
using support::wave_format;
using support::wave_format_fields;
using StreamSounds = sound_test::sound;

int live_blocks()
{
    return media::core::alloc_state.count;
}

std::string wav(const wave_format_fields& f, const std::string& data)
{
    return riff_file({chunk("fmt ", wave_format(f)), chunk("data", data)});
}

wave_format_fields mono8(std::uint32_t rate)
{
    wave_format_fields f;
    f.channels = 1;
    f.rate = rate;
    f.bytes_per_second = rate;
    f.block_align = 1;
    f.bits = 8;
    return f;
}

// A new stream sound of one source kept as a file image, primed.
int make_stream(const std::string& file, int repeat = 0)
{
    const int h = AddSoundData(-1);
    if (h == -1 || AddStreamSoundFromImage(file.data(), static_cast<int>(file.size()), repeat, h, 2, -1) != 0)
        return -1;
    PrimeStreamSound(h);
    return h;
}

// Bytes of a sound's ring.
std::string ring_bytes(SOUNDDATA* d, std::uint32_t offset, std::uint32_t n)
{
    void *a, *b;
    std::uint32_t an, bn;
    if (LockSoundBufferRecord(&d->buffers[0], offset, n, &a, &an, &b, &bn) != 0)
        return "<lock failed>";
    std::string out(static_cast<char*>(a), an);
    if (b != nullptr)
        out.append(static_cast<char*>(b), bn);
    UnlockSoundBufferRecord(&d->buffers[0], a, an, b, bn);
    return out;
}

// 16-bit stereo data of the fixture's ramp: frame k is k + 1 left and
// -(k + 1) right (wrapping at 16 bits), starting at frame first.
std::string ramp_bytes(int frames, int first = 0)
{
    const std::vector<std::int16_t> r = sound_test::ramp(first + frames);
    return std::string(reinterpret_cast<const char*>(r.data()) + 4 * first, 4 * static_cast<std::size_t>(frames));
}

// The output values 16-bit stereo data gives (the mixer's scale).
std::vector<int> as_output(const std::string& data)
{
    std::vector<int> v(data.size() / 2);
    for (std::size_t i = 0; i < v.size(); ++i) {
        std::int16_t x;
        std::memcpy(&x, data.data() + 2 * i, 2);
        v[i] = x;
    }
    return v;
}

std::vector<int> slice(const std::vector<int>& v, std::size_t frame, std::size_t frames)
{
    return std::vector<int>(v.begin() + 2 * frame, v.begin() + 2 * (frame + frames));
}

TEST(StreamQuantities, FromTheBytesPerSecondAndTheBlock)
{
    struct row {
        std::uint32_t a;
        std::uint16_t k;
        std::uint32_t ring, eighth, first_fill, window;
    };
    const row rows[] = {
        {22050, 2, 22050, 2756, 16536, 16538},
        {176400, 4, 176400, 22048, 132300, 132300},
        {88200, 4, 88200, 11024, 66148, 66152},
        {8000, 1, 8000, 1000, 6000, 6000},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.a);
        WAVEFORMATEX f{};
        f.nAvgBytesPerSec = r.a;
        f.nBlockAlign = r.k;
        const media::snd::STREAMQUANTITIES q = media::snd::stream_quantities(f);
        EXPECT_EQ(q.ring, r.ring);
        EXPECT_EQ(q.eighth, r.eighth);
        EXPECT_EQ(q.first_fill, r.first_fill);
        EXPECT_EQ(q.window, r.window);
    }
}

TEST_F(StreamSounds, TheFirstFillAndTheRefillAmounts)
{
    sound_system.hold_stream_thread = 1;
    const std::string data = counting_bytes(176400 * 4, 1);
    const int h = make_stream(wav(pcm16_fields(2, 44100), data));
    ASSERT_NE(h, -1);
    SOUNDDATA* d = record(h);
    EXPECT_EQ(d->stream_active, 1);
    EXPECT_EQ(d->write_position, 132300);
    EXPECT_EQ(d->window_start, 0);
    EXPECT_EQ(ring_bytes(d, 0, 132300), data.substr(0, 132300));
    EXPECT_EQ(GetSoundLengthSamples(h), 176400);

    // the ring plays still (the clock stands), the cursor put in place
    ASSERT_EQ(PlaySoundBufferRecord(&d->buffers[0], 1), 0);
    struct row {
        int lead;
        int written;
    };
    const row rows[] = {{0, 66148}, {10000, 56156}, {44100, 22048}, {50000, 16192}, {66150, 22048}, {100000, 22048}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.lead);
        d->write_position = 150000;
        d->window_start = 150000 - 132300;
        ASSERT_EQ(SetSoundBufferRecordPosition(&d->buffers[0], static_cast<std::uint32_t>(150000 - r.lead)), 0);
        d->last_cursor = static_cast<std::uint32_t>(150000 - r.lead);
        const int before = d->source_position;
        EXPECT_EQ(RefillStreamSound(h), 0);
        EXPECT_EQ(d->source_position - before, r.written);
        EXPECT_EQ(d->write_position, (150000 + r.written) % 176400);
        EXPECT_EQ(ring_bytes(d, 150000, r.written), data.substr(before, r.written));
    }
    // a cursor outside the window writes nothing
    d->write_position = 150000;
    d->window_start = 150000 - 132300;
    ASSERT_EQ(SetSoundBufferRecordPosition(&d->buffers[0], 10000), 0);
    const int before = d->source_position;
    EXPECT_EQ(RefillStreamSound(h), -1);
    EXPECT_EQ(d->source_position, before);
    EXPECT_EQ(d->write_position, 150000);
    sound_system.hold_stream_thread = 0;
}

TEST_F(StreamSounds, AShortSoundPlaysThenSilenceThenStops)
{
    std::string data(22050, '\0');
    for (int i = 0; i < 22050; ++i)
        data[i] = static_cast<char>(i % 200 + 20);  // never the silence value
    // whole, and truncated: a data chunk that claims twice what the file holds
    const std::string files[] = {
        wav(mono8(44100), data),
        riff_file({chunk("fmt ", wave_format(mono8(44100))), support::chunk_claiming("data", 44100, data)}),
    };
    for (const std::string& file : files) {
        align_clock();
        const int h = make_stream(file);
        ASSERT_NE(h, -1);
        ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
        const std::vector<int> first = play_for(500);
        ASSERT_EQ(first.size(), 2u * 22050);
        for (int i = 0; i < 22050; ++i) {
            ASSERT_EQ(first[2 * i], (static_cast<unsigned char>(data[i]) - 128) * 256) << i;
            ASSERT_EQ(first[2 * i + 1], first[2 * i]) << i;
        }
        // the silence of 8-bit data here is 127, until the pass that finds the end heard
        EXPECT_EQ(GetStreamSoundPlayTime(h), 500);
        const std::vector<int> after = play_for(100);
        std::size_t silent = 0;
        while (silent < after.size() && after[silent] == -256)
            ++silent;
        EXPECT_GT(silent, 0u);
        EXPECT_LE(silent, 2u * 1323 + 2);
        for (std::size_t i = silent; i < after.size(); ++i)
            ASSERT_EQ(after[i], 0) << i;
        EXPECT_EQ(IsSoundPlaying(h), 0);
        EXPECT_EQ(GetStreamSoundPlayTime(h), 0);
        EXPECT_EQ(DeleteSound(h, 0), 0);
    }
}

TEST_F(StreamSounds, RepeatsPlayTheSourceAgain)
{
    std::string data(4410, '\0');
    for (int i = 0; i < 4410; ++i)
        data[i] = static_cast<char>(i % 100 + 20);
    align_clock();
    const int h = make_stream(wav(mono8(44100), data), 2);
    ASSERT_NE(h, -1);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    const std::vector<int> out = play_for(400);
    for (int i = 0; i < 3 * 4410; ++i)
        ASSERT_EQ(out[2 * i], (static_cast<unsigned char>(data[i % 4410]) - 128) * 256) << i;
    EXPECT_EQ(out[2 * 3 * 4410], -256);
    EXPECT_EQ(IsSoundPlaying(h), 0);
}

TEST_F(StreamSounds, AddingRefusals)
{
    const std::string file = wav(pcm16_fields(2, 44100), counting_bytes(4000));
    const int size = static_cast<int>(file.size());
    const int h = AddSoundData(-1);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(AddStreamSoundFromImage(file.data(), size, 0, h, 2, -1), 0);
    OpenLogFile();
    EXPECT_EQ(AddStreamSoundFromImage(file.data(), size, 0, h, 2, -1), -1);
    EXPECT_NE(read().find("ストリーム風サウンドの制御データ領域がいっぱいです\r\n"), std::string::npos);

    const int other = AddSoundData(-1);
    ASSERT_EQ(AddStreamSoundFromImage(file.data(), size, 0, other, 0, -1), 0);
    const std::string mono = wav(pcm16_fields(1, 44100), counting_bytes(4000));
    const int blocks = live_blocks();
    EXPECT_EQ(AddStreamSoundFromImage(mono.data(), static_cast<int>(mono.size()), 0, other, 2, -1), -1);
    EXPECT_NE(read().find("フォーマットの違う音声データは同時に使うことは出来ません"), std::string::npos);
    EXPECT_EQ(live_blocks(), blocks);
    EXPECT_EQ(record(other)->source_count, 1);

    PrimeStreamSound(other);
    ASSERT_EQ(PlaySoundHandle(other, SOUNDPLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(AddStreamSoundFromImage(file.data(), size, 0, other, 2, -1), -1);
    EXPECT_NE(read().find("既に再生中のストリームサウンドデータにデータを追加しようとしました\r\n"), std::string::npos);
    EXPECT_EQ(record(other)->source_count, 1);

    // a PCM sound stays as it was
    const int pcm = make_sound(sound_test::ramp(100), 1);
    EXPECT_EQ(AddStreamSoundFromImage(file.data(), size, 0, pcm, 2, -1), -1);
    EXPECT_NE(read().find("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\r\n"),
              std::string::npos);
    EXPECT_EQ(record(pcm)->stream, 0);
    EXPECT_EQ(record(pcm)->source_count, 0);

    // nothing accepts the file: its stream closed, nothing kept
    const std::string junk = "not a sound at all";
    const int blocks_before = live_blocks();
    const int third = AddSoundData(-1);
    EXPECT_EQ(AddStreamSoundFromImage(junk.data(), static_cast<int>(junk.size()), 0, third, 2, -1), -1);
    EXPECT_NE(read().find("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \r\n"), std::string::npos);
    EXPECT_EQ(DeleteSound(third, 0), 0);
    EXPECT_EQ(live_blocks(), blocks_before);
}

TEST_F(StreamSounds, DeletingAPlayingSoundFreesEverySource)
{
    const std::string file = wav(pcm16_fields(2, 44100), counting_bytes(40000));
    const int blocks = live_blocks();
    const int h = AddSoundData(-1);
    ASSERT_EQ(AddStreamSoundFromImage(file.data(), static_cast<int>(file.size()), 0, h, 0, -1), 0);
    ASSERT_EQ(AddStreamSoundFromImage(file.data(), static_cast<int>(file.size()), 1, h, 2, -1), 0);
    // type 3 reads the caller's stream while playing
    std::string copy = file;
    MEMSTREAM* mem = OpenMemStream(copy.data(), static_cast<int>(copy.size()));
    const STREAMREF ref{*GetMemStreamOps(), mem};
    int keep = -1;
    ASSERT_EQ(AddSreamSound(&ref, 0, h, 3, &keep, -1), 0);
    EXPECT_EQ(keep, 0);
    PrimeStreamSound(h);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    platform::headless::advance_clock(300);
    EXPECT_EQ(IsSoundPlaying(h), 1);
    EXPECT_EQ(DeleteSound(h, 0), 0);
    CloseMemStream(mem);
    EXPECT_EQ(live_blocks(), blocks);
}

TEST_F(StreamSounds, ABorrowerPlaysThroughItsOwnersRing)
{
    const std::string file = wav(pcm16_fields(2, 44100), counting_bytes(40000));
    const int blocks = live_blocks();
    const int owner = make_stream(file);
    const int borrower = AddSoundData(-1);
    ASSERT_EQ(AddStreamSoundFromImage(file.data(), static_cast<int>(file.size()), 0, borrower, 2, owner), 0);
    EXPECT_EQ(record(borrower)->buffer_owner, owner);
    EXPECT_EQ(record(owner)->borrowers, 1);
    ASSERT_EQ(PlaySoundHandle(owner, SOUNDPLAY_BACKGROUND, 1), 0);
    platform::headless::advance_clock(60);
    ASSERT_EQ(PlaySoundHandle(borrower, SOUNDPLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(IsSoundPlaying(borrower), 1);
    EXPECT_EQ(IsSoundPlaying(owner), 0);  // the ring is the borrower's now
    // the owner's record stays while it is borrowed
    EXPECT_EQ(DeleteSound(owner, 0), 0);
    EXPECT_NE(record(owner), nullptr);
    EXPECT_EQ(record(owner)->delete_pending, 1);
    EXPECT_EQ(DeleteSound(borrower, 0), 0);
    EXPECT_EQ(record(owner), nullptr);
    EXPECT_EQ(live_blocks(), blocks);
}

TEST_F(StreamSounds, EndlessRepeatJumpsBackToTheStart)
{
    const std::string data = ramp_bytes(4410);
    align_clock();
    const int h = make_stream(wav(pcm16_fields(2, 44100), data), -1);
    ASSERT_NE(h, -1);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    const std::vector<int> expected = as_output(data);
    for (int step = 0; step < 20; ++step) {
        const std::vector<int> out = play_for(100);
        ASSERT_EQ(out, expected) << step;  // 100 ms is the whole source
        // the played position jumps back with the data
        EXPECT_LT(GetStreamSoundPlayTime(h), 100) << step;
    }
    EXPECT_EQ(IsSoundPlaying(h), 1);
}

TEST_F(StreamSounds, ThreeSourcesLoopInTurn)
{
    // 0.3 s each, told apart by where their ramps start
    const std::string parts[3] = {ramp_bytes(13230, 0), ramp_bytes(13230, 20000), ramp_bytes(13230, 40000)};
    align_clock();
    const int h = AddSoundData(-1);
    for (const std::string& p : parts) {
        const std::string file = wav(pcm16_fields(2, 44100), p);
        ASSERT_EQ(AddStreamSoundFromImage(file.data(), static_cast<int>(file.size()), 0, h, 2, -1), 0);
    }
    EXPECT_EQ(GetSoundLengthSamples(h), 3 * 13230);
    PrimeStreamSound(h);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_LOOP, 1), 0);
    std::vector<int> expected;
    for (int round = 0; round < 5; ++round) {
        for (const std::string& p : parts) {
            const std::vector<int> v = as_output(p);
            expected.insert(expected.end(), v.begin(), v.end());
        }
    }
    std::vector<int> out;
    int last_time = 0;
    int fallbacks = 0;
    for (int step = 0; step < 40; ++step) {
        const std::vector<int> part = play_for(100);
        out.insert(out.end(), part.begin(), part.end());
        const int t = GetStreamSoundPlayTime(h);
        fallbacks += t < last_time ? 1 : 0;
        last_time = t;
    }
    ASSERT_EQ(out.size(), 2u * 176400);
    EXPECT_EQ(out, std::vector<int>(expected.begin(), expected.begin() + 2 * 176400));
    // 4 s of a 0.9 s loop: four jumps back
    EXPECT_EQ(fallbacks, 4);
    EXPECT_EQ(IsSoundPlaying(h), 1);
}

TEST_F(StreamSounds, StopAndPlayResumeOrRestart)
{
    const std::string data = ramp_bytes(132300);
    const std::vector<int> all = as_output(data);
    align_clock();
    const int h = make_stream(wav(pcm16_fields(2, 44100), data));
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(play_for(200), slice(all, 0, 8820));
    ASSERT_EQ(StopSound(h), 0);
    EXPECT_EQ(IsSoundPlaying(h), 0);
    EXPECT_EQ(play_for(100), std::vector<int>(2 * 4410, 0));
    // restart flag 0: on from where it stopped
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 0), 0);
    EXPECT_EQ(play_for(300), slice(all, 8820, 13230));
    // playing already: restart flag 0 changes nothing
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 0), 0);
    EXPECT_EQ(play_for(100), slice(all, 22050, 4410));
    // restart flag 1: from the start
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(play_for(200), slice(all, 0, 8820));
    EXPECT_EQ(GetStreamSoundPlayTime(h), 200);
}

TEST_F(StreamSounds, AChangeOfTheLoopBitAfterTheEndStartsAgain)
{
    const std::string data = ramp_bytes(13230);
    const std::vector<int> all = as_output(data);
    align_clock();
    const int h = make_stream(wav(pcm16_fields(2, 44100), data));
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_LOOP, 1), 0);
    std::vector<int> out = play_for(400);  // past the first jump back
    EXPECT_EQ(slice(out, 13230, 4410), slice(all, 0, 4410));
    ASSERT_EQ(StopSound(h), 0);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 0), 0);
    EXPECT_EQ(play_for(300), all);
}

TEST_F(StreamSounds, PlayTypeWaitReturnsOnceTheRingHasStopped)
{
    const std::string data = ramp_bytes(8820);
    const int h = make_stream(wav(pcm16_fields(2, 44100), data));
    const std::uint64_t before = platform::headless::audio_frames_mixed();
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_WAIT, 1), 0);
    EXPECT_EQ(IsSoundPlaying(h), 0);
    const std::uint64_t mixed = platform::headless::audio_frames_mixed() - before;
    EXPECT_GE(mixed, 8820u);
    EXPECT_LE(mixed, 8820u + 2 * 1323 + 441);
}

TEST_F(StreamSounds, AStarvedRingReplaysOlderDataUntilTheCursorIsBack)
{
    const std::string data = ramp_bytes(88200);
    const std::vector<int> all = as_output(data);
    align_clock();
    sound_system.hold_stream_thread = 1;
    const int h = make_stream(wav(pcm16_fields(2, 44100), data));
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    const std::vector<int> held = play_for(900);
    sound_system.hold_stream_thread = 0;
    std::vector<int> out = held;
    const std::vector<int> rest = play_for(1100);
    out.insert(out.end(), rest.begin(), rest.end());
    // the first fill, then the ring's never written bytes
    EXPECT_EQ(slice(out, 0, 33075), slice(all, 0, 33075));
    EXPECT_EQ(slice(out, 33075, 11025), std::vector<int>(2 * 11025, 0));
    // the ring again from its start: the old data, then the refill from
    // where the data stopped
    EXPECT_EQ(slice(out, 44100, 33075), slice(all, 0, 33075));
    EXPECT_EQ(slice(out, 77175, 11025), slice(all, 33075, 11025));
}

TEST_F(StreamSounds, CreateTypesKeepWhatTheyRead)
{
    const std::string data = ramp_bytes(1000);
    const std::string file =
        riff_file({chunk("fmt ", wave_format(pcm16_fields(2, 44100))), chunk("LIST", "note"), chunk("data", data)});
    const int h = AddSoundData(-1);
    ASSERT_EQ(AddStreamSoundFromImage(file.data(), static_cast<int>(file.size()), 0, h, 0, -1), 0);
    ASSERT_EQ(AddStreamSoundFromImage(file.data(), static_cast<int>(file.size()), 0, h, 3, -1), 0);  // as 2
    std::string copy = file;
    MEMSTREAM* mem = OpenMemStream(copy.data(), static_cast<int>(copy.size()));
    const STREAMREF ref{*GetMemStreamOps(), mem};
    int keep = -1;
    ASSERT_EQ(AddSreamSound(&ref, 0, h, 3, &keep, -1), 0);
    EXPECT_EQ(keep, 0);
    const SOUNDDATA* d = record(h);
    // 0: decoded, kept as a WAV image of the format and the PCM
    const std::string image0(static_cast<const char*>(d->sources[0].image), d->sources[0].image_size);
    EXPECT_EQ(image0, riff_file({chunk("fmt ", wave_format(pcm16_fields(2, 44100))), chunk("data", data)}));
    // 2: the file image itself
    EXPECT_EQ(std::string(static_cast<const char*>(d->sources[1].image), d->sources[1].image_size), file);
    EXPECT_EQ(d->sources[1].create_type, 2);
    // 3: the given stream, no image
    EXPECT_EQ(d->sources[2].image, nullptr);
    EXPECT_EQ(d->sources[2].stream.data, nullptr);
    EXPECT_EQ(d->sources[2].conv.source.data, mem);
    EXPECT_EQ(GetSoundLengthSamples(h), 3000);
    EXPECT_EQ(DeleteSound(h, 0), 0);
    CloseMemStream(mem);
}

TEST_F(StreamSounds, TheCallersImageMayGoAtOnce)
{
    const std::string data = ramp_bytes(8820);
    for (int type : {0, 2, 3}) {
        SCOPED_TRACE(type);
        std::string image = wav(pcm16_fields(2, 44100), data);
        align_clock();
        const int h = AddSoundData(-1);
        ASSERT_EQ(AddStreamSoundFromImage(image.data(), static_cast<int>(image.size()), 0, h, type, -1), 0);
        std::fill(image.begin(), image.end(), '\x55');
        image.clear();
        image.shrink_to_fit();
        PrimeStreamSound(h);
        ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
        EXPECT_EQ(play_for(200), as_output(data));
        EXPECT_EQ(DeleteSound(h, 0), 0);
    }
}

// ---- files ----

int open_files = 0;
FILEOPS counted_ops;
FILEOPS real_ops;

void* counted_open(const char* path, int cache, int reserved, int background)
{
    void* f = real_ops.open(path, cache, reserved, background);
    open_files += f != nullptr ? 1 : 0;
    return f;
}

int counted_close(void* stream)
{
    --open_files;
    return real_ops.close(stream);
}

TEST_F(StreamSounds, SourcesFromFiles)
{
    real_ops = media::core::file_ops;
    counted_ops = real_ops;
    counted_ops.open = counted_open;
    counted_ops.close = counted_close;
    SelectFileAccessOps(&counted_ops);
    open_files = 0;
    const std::string good = wav(pcm16_fields(2, 44100), ramp_bytes(4410));
    std::ofstream("good.wav", std::ios::binary) << good;
    std::ofstream("junk.wav", std::ios::binary) << "not a sound";
    OpenLogFile();
    const int blocks = live_blocks();

    const int h = AddSoundData(-1);
    EXPECT_EQ(AddStreamSoundFromFile("missing.wav", 0, h, 2, -1), -1);
    EXPECT_NE(read().find("右記のＷＡＶファイルのロードに失敗しました：missing.wav \r\n"), std::string::npos);
    EXPECT_EQ(AddStreamSoundFromFile("junk.wav", 0, h, 2, -1), -1);
    EXPECT_NE(read().find("右記のＷＡＶファイルのセットアップに失敗しました：junk.wav \r\n"), std::string::npos);
    EXPECT_EQ(open_files, 0);
    EXPECT_EQ(AddStreamSoundFromFile("junk.wav", 0, h, 3, -1), -1);
    EXPECT_EQ(open_files, 0);

    // type 2 closes the file at once; type 3 reads it until the delete
    ASSERT_EQ(AddStreamSoundFromFile("good.wav", 0, h, 2, -1), 0);
    EXPECT_EQ(open_files, 0);
    ASSERT_EQ(AddStreamSoundFromFile("good.wav", 0, h, 3, -1), 0);
    EXPECT_EQ(open_files, 1);
    PrimeStreamSound(h);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    platform::headless::advance_clock(150);
    EXPECT_EQ(DeleteSound(h, 0), 0);
    EXPECT_EQ(open_files, 0);
    EXPECT_EQ(live_blocks(), blocks);
    SelectFileAccessOps(&real_ops);
}

// ---- bad handles and the lock ----

TEST_F(StreamSounds, BadHandlesAndEveryPathLetsTheLockGo)
{
    const std::string file = wav(pcm16_fields(2, 44100), ramp_bytes(4410));
    const int h = make_stream(file);
    const int gone = make_stream(file);
    ASSERT_EQ(DeleteSound(gone, 0), 0);
    const int pcm = make_sound(sound_test::ramp(100), 1);
    for (int bad : {gone, -1, 0x7FFFFFFF}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(PlayStreamSound(bad, 1, 1), -1);
        EXPECT_EQ(StopStreamSound(bad), -1);
        EXPECT_EQ(IsStreamSoundPlaying(bad), -1);
        EXPECT_EQ(GetStreamSoundPlayTime(bad), -1);
        EXPECT_EQ(RefillStreamSound(bad), -1);
        EXPECT_EQ(PrimeStreamSound(bad), -1);
        EXPECT_EQ(UpdateStreamPlayPosition(bad, -1), -1);
        EXPECT_EQ(AddStreamSoundFromImage(file.data(), static_cast<int>(file.size()), 0, bad, 2, -1), -1);
    }
    // a PCM sound: nothing of the stream side touches it
    EXPECT_EQ(PlayStreamSound(pcm, 1, 1), -1);
    EXPECT_EQ(RefillStreamSound(pcm), 0);
    EXPECT_EQ(PrimeStreamSound(pcm), 0);
    EXPECT_EQ(record(pcm)->stream_active, 0);
    // refusals and plain paths of every operation
    EXPECT_EQ(AddStreamSoundFromImage("junk", 4, 0, h, 2, -1), -1);
    EXPECT_EQ(AddStreamSoundFromFile("missing.wav", 0, h, 2, -1), -1);
    EXPECT_EQ(PlayStreamSound(h, 1, 1), 0);
    EXPECT_EQ(PlayStreamSound(h, 1, 0), 0);
    EXPECT_EQ(GetStreamSoundPlayTime(h), 0);
    EXPECT_EQ(RefillStreamSound(h), 0);
    EXPECT_EQ(StopStreamSound(h), 0);
    EXPECT_EQ(PrimeStreamSound(h), 0);
    bool taken = false;
    std::thread other([&] {
        taken = media::snd::sound_lock.try_lock();
        if (taken)
            media::snd::sound_lock.unlock();
    });
    other.join();
    EXPECT_TRUE(taken);
}

// Many sounds played, stopped and deleted while the thread refills them
// (run under the thread sanitizer too).
TEST_F(StreamSounds, TenSoundsWhileTheThreadRuns)
{
    const std::string file = wav(pcm16_fields(2, 44100), ramp_bytes(22050));
    const int blocks = live_blocks();
    std::vector<int> handles;
    for (int i = 0; i < 10; ++i)
        handles.push_back(make_stream(file, i % 2 == 0 ? -1 : 1));
    for (int h : handles)
        ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    for (int round = 0; round < 10; ++round) {
        platform::headless::advance_clock(70);
        const int h = handles[round];
        StopSound(h);
        platform::headless::advance_clock(20);
        PlaySoundHandle(h, round % 3 == 0 ? SOUNDPLAY_LOOP : SOUNDPLAY_BACKGROUND, round % 2);
        GetSoundPlayTime(h);
        if (round % 4 == 3)
            DeleteSound(h, 0);
    }
    platform::headless::advance_clock(500);
    EXPECT_EQ(DeleteAllSounds(0), 0);
    EXPECT_EQ(live_blocks(), blocks);
}

// ---- the sdl backend ----

using StreamSoundsSdl = media_test::headless_media;

// A 0.5 s stream sound through the real stream thread into SDL's disk
// driver, on the real clock.
TEST_F(StreamSoundsSdl, PlaysIntoTheDiskDriverInOrder)
{
    support::temp_folder folder;
    const std::string out = folder.at("out.raw");
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    ::setenv("SDL_AUDIODRIVER", "disk", 1);  // never the machine's sound card
    ::setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    media::core::window_state.settings.run_when_inactive = 1;
    ASSERT_EQ(InitMediaLayer(), 0);
    ASSERT_NE(sound_system.device, 0);
    const std::string data = ramp_bytes(22050);
    const int h = make_stream(wav(pcm16_fields(2, 44100), data));
    ASSERT_NE(h, -1);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (IsSoundPlaying(h) == 1 && std::chrono::steady_clock::now() < deadline) {
        PumpWindowMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(IsSoundPlaying(h), 0);
    EXPECT_EQ(EndMediaLayer(), 0);  // the device closed: the file is whole
    ASSERT_EQ(platform::select_backend("headless"), 0);

    std::ifstream in(out, std::ios::binary);
    std::vector<float> samples;
    float f;
    while (in.read(reinterpret_cast<char*>(&f), sizeof f))
        samples.push_back(f);
    std::size_t first = 0;
    while (first < samples.size() && samples[first] == 0.0f)
        ++first;
    const std::vector<int> expected = as_output(data);
    ASSERT_GE(samples.size(), first + expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(samples[first + i], static_cast<float>(expected[i]) / 32768) << "sample " << i;
    for (std::size_t i = first + expected.size(); i < samples.size(); ++i)
        ASSERT_EQ(samples[i], 0.0f) << "sample " << i;
}

}  // namespace
