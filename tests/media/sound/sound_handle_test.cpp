// Sound handles: the table and its handle values, buffer creation and its
// failures, PCM playback checked on the mixed output, the one-shot values,
// the time queries, bad handles and the system not started.
#include "sound_fixture.hpp"

#include <functional>

#include "media/core/alloc.hpp"

namespace {

using media::snd::sound_system;
using media::snd::sounds;
using sound_test::pcm16;
using sound_test::ramp;
using sound_test::sound;

using SoundHandles = sound;
using SoundPlayback = sound;

int live_blocks()
{
    return media::core::alloc_state.count;
}

TEST_F(SoundHandles, HandlesCountUpAndTakeTheEndIndex)
{
    const int first = AddSoundData(-1);
    const int second = AddSoundData(-1);
    EXPECT_EQ(first, 0x10000000);
    EXPECT_EQ(second, 0x10010001);
    EXPECT_EQ(DeleteSound(first, 0), 0);
    // the end index, not the freed slot
    EXPECT_EQ(AddSoundData(-1), 0x10020002);
    // a deleted handle stays invalid
    EXPECT_EQ(DeleteSound(first, 0), -1);
    EXPECT_EQ(IsSoundPlaying(first), -1);
    EXPECT_EQ(record(first), nullptr);
}

TEST_F(SoundHandles, AFullTableRefusesAndFindsAFreedSlotAgain)
{
    const int blocks = live_blocks();
    std::vector<int> handles;
    for (int i = 0; i < MAX_SOUNDS; ++i)
        handles.push_back(AddSoundData(-1));
    ASSERT_EQ(sounds.count(), MAX_SOUNDS);
    ASSERT_EQ(handles.back() & 0xFFFF, MAX_SOUNDS - 1);
    OpenLogFile();
    EXPECT_EQ(AddSoundData(-1), -1);
    EXPECT_NE(read().find("サウンドの数が許容量を越えました\r\n"), std::string::npos);
    EXPECT_EQ(DeleteSound(handles[100], 0), 0);
    const int again = AddSoundData(-1);
    EXPECT_EQ(again & 0xFFFF, 100);
    EXPECT_NE(again, handles[100]);  // a new check number
    EXPECT_EQ(DeleteAllSounds(0), 0);
    EXPECT_EQ(sounds.count(), 0);
    EXPECT_EQ(live_blocks(), blocks);
}

TEST_F(SoundHandles, AnAllocationFailureLogsAndLeavesTheSlotEmpty)
{
    const int blocks = live_blocks();
    OpenLogFile();
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(AddSoundData(-1), -1);
    EXPECT_NE(read().find("メモリ領域の確保に失敗しました in AddSoundData\r\n"), std::string::npos);
    EXPECT_EQ(sounds.count(), 0);
    EXPECT_EQ(live_blocks(), blocks);
    // the counter did not move either
    EXPECT_EQ(AddSoundData(-1), 0x10000000);
}

TEST_F(SoundHandles, AGivenHandleKeepsItsSlotAndCheckNumber)
{
    const int given = 0x10050007;  // slot 7, check 5
    EXPECT_EQ(AddSoundData(given), given);
    ASSERT_NE(record(given), nullptr);
    EXPECT_EQ(record(given)->check, 5);
    // the slot in use: refused, where the handle would name another sound
    EXPECT_EQ(AddSoundData(given), -1);
    EXPECT_EQ(AddSoundData(0x10060007), -1);
    // not a sound handle, or a slot past the table
    EXPECT_EQ(AddSoundData(0x08000003), -1);
    EXPECT_EQ(AddSoundData(0x1000FFFF), -1);
    EXPECT_EQ(sounds.count(), 1);
    // the counter is the caller's only for -1
    EXPECT_EQ(AddSoundData(-1), 0x10000008);
}

TEST_F(SoundHandles, CreateTypeAndMillisecondRows)
{
    struct type_row {
        int type, result, stored;
    };
    const type_row types[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 2}, {3, 0, 3}, {4, -1, 3}, {-1, -1, 3}};
    for (const type_row& r : types) {
        EXPECT_EQ(SetSoundCreateType(r.type), r.result) << r.type;
        EXPECT_EQ(GetSoundCreateType(), r.stored) << r.type;
    }
    struct ms_row {
        int samples, rate, ms;
    };
    const ms_row rows[] = {
        {44100, 44100, 1000}, {100000000, 8000, 12500000}, {1, 3, 333}, {5, 0, 0}, {0, 44100, 0},
    };
    for (const ms_row& r : rows)
        EXPECT_EQ(SamplesToMilliseconds(r.samples, r.rate), r.ms) << r.samples << " at " << r.rate;
}

TEST_F(SoundHandles, LengthsOfASoundAndItsPlayTime)
{
    const int h = make_sound(ramp(66150), 1);  // 1.5 s
    ASSERT_NE(h, -1);
    EXPECT_EQ(GetSoundLengthSamples(h), 66150);
    EXPECT_EQ(GetSoundLengthMs(h), 1500);
    align_clock();
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    platform::headless::advance_clock(250);
    EXPECT_EQ(GetSoundPlayTime(h), 250);
}

TEST_F(SoundHandles, BufferCountsOutsideTheRecordAreRefused)
{
    const int h = AddSoundData(-1);
    const WAVEFORMATEX f = pcm16(2, 44100);
    EXPECT_EQ(CreateSoundBuffers(-1, &f, 400, 0, 11, h), -1);
    EXPECT_EQ(CreateSoundBuffers(-1, &f, 400, 0, -1, h), -1);
    EXPECT_EQ(CreateSoundBuffers(-1, &f, 400, 0, 10, h), 0);
    EXPECT_EQ(record(h)->buffer_count, 10);
    // made again, the buffers there would be lost
    EXPECT_EQ(CreateSoundBuffers(-1, &f, 400, 0, 1, h), -1);
    EXPECT_EQ(record(h)->buffer_count, 10);
}

TEST_F(SoundHandles, BufferCreationFailures)
{
    const int blocks = live_blocks();
    const WAVEFORMATEX f = pcm16(2, 44100);
    // both creation flags fail
    const int h = AddSoundData(-1);
    OpenLogFile();
    platform::audio::test::fail_next_buffers(2);
    EXPECT_EQ(CreateSoundBuffers(-1, &f, 400, 0, 3, h), -1);
    EXPECT_NE(read().find("DirectSoundBuffer の作成に失敗しました\r\n"), std::string::npos);
    for (const SOUNDBUFFER& b : record(h)->buffers)
        EXPECT_EQ(b.in_use, 0);
    // the first flags fail, the second do
    platform::audio::test::fail_next_buffers(1);
    EXPECT_EQ(CreateSoundBuffers(-1, &f, 400, 0, 2, h), 0);
    EXPECT_EQ(record(h)->buffer_count, 2);

    // from a source: a failed first duplicate is made instead; a later one
    // leaves fewer buffers
    record(h)->format = f;
    record(h)->pcm_size = 400;
    const int copy = AddSoundData(-1);
    platform::audio::test::fail_next_buffers(1);
    EXPECT_EQ(CreateSoundBuffers(h, nullptr, 0, 0, 1, copy), 0);
    EXPECT_EQ(record(copy)->buffer_count, 1);
    EXPECT_EQ(record(copy)->buffers[0].in_use, 1);
    // a stream ring cannot copy a source
    const int other = AddSoundData(-1);
    EXPECT_EQ(CreateSoundBuffers(h, nullptr, 0, 1, 1, other), -1);
    EXPECT_EQ(CreateSoundBuffers(0x10000000 | 999, &f, 400, 0, 1, other), -1);
    EXPECT_EQ(DeleteAllSounds(0), 0);
    EXPECT_EQ(live_blocks(), blocks);
}

TEST_F(SoundHandles, AFailedDuplicateAfterSlotZeroLeavesFewerBuffers)
{
    // the software-buffer slots take their blocks from the allocator, whose
    // failure switch can let the first creation through
    sound_system.software_buffers = 1;
    const int h = AddSoundData(-1);
    const WAVEFORMATEX f = pcm16(2, 44100);
    media::core::fail_heap_requests_after(1, 1);
    EXPECT_EQ(CreateSoundBuffers(-1, &f, 400, 0, 3, h), 0);
    EXPECT_EQ(record(h)->buffer_count, 1);
    EXPECT_EQ(record(h)->buffers[1].in_use, 0);
}

TEST_F(SoundHandles, AStreamRingIsOneSecondOfWholeBlocksInTheStreamList)
{
    const int h = AddSoundData(-1);
    WAVEFORMATEX f = pcm16(2, 44100);
    f.nAvgBytesPerSec = 176401;  // rounded up to whole blocks
    ASSERT_EQ(CreateSoundBuffers(-1, &f, 0, 1, 1, h), 0);
    SOUNDDATA* d = record(h);
    EXPECT_EQ(d->stream, 1);
    EXPECT_EQ(d->buffer_count, 1);
    EXPECT_EQ(d->buffers[0].buffer->size(), 176404u);
    EXPECT_EQ(sound_system.stream_head.next, &d->stream_node);
    EXPECT_EQ(d->stream_node.handle, h);
    // the stream thread passes over it; stream sounds play through their own code
    platform::headless::advance_clock(100);
    EXPECT_EQ(DeleteSound(h, 0), 0);
    EXPECT_EQ(sound_system.stream_head.next, &sound_system.stream_tail);
}

TEST_F(SoundHandles, TheSharedPcmBlockGoesWithItsLastSound)
{
    const int blocks = live_blocks();
    const int a = make_sound(ramp(10), 1);
    const int b = make_sound(ramp(10), 1);
    void* pcm = ManagedAlloc(40, "", 0);
    auto* refs = static_cast<std::uint32_t*>(ManagedAlloc(4, "", 0));
    *refs = 2;
    for (int h : {a, b}) {
        record(h)->pcm = pcm;
        record(h)->pcm_refs = refs;
    }
    EXPECT_EQ(DeleteSound(a, 0), 0);
    EXPECT_EQ(*refs, 1u);
    EXPECT_EQ(DeleteSound(b, 0), 0);
    EXPECT_EQ(live_blocks(), blocks);
}

// Every operation that takes a sound handle refuses bad ones, and all of
// them (with CreateSoundBuffers) refuse before the start.
std::vector<std::pair<const char*, std::function<int(int)>>> handle_operations()
{
    static const WAVEFORMATEX f = pcm16(2, 44100);
    return {
        {"CreateSoundBuffers", [](int h) { return CreateSoundBuffers(-1, &f, 400, 0, 1, h); }},
        {"CreateSoundBuffers from it", [](int h) { return CreateSoundBuffers(h, nullptr, 0, 0, 1, AddSoundData(-1)); }},
        {"DeleteSound", [](int h) { return DeleteSound(h, 0); }},
        {"PlaySoundHandle", [](int h) { return PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1); }},
        {"StopSound", [](int h) { return StopSound(h); }},
        {"IsSoundPlaying", [](int h) { return IsSoundPlaying(h); }},
        {"GetSoundPlayTime", [](int h) { return GetSoundPlayTime(h); }},
        {"GetSoundLengthSamples", [](int h) { return GetSoundLengthSamples(h); }},
        {"GetSoundLengthMs", [](int h) { return GetSoundLengthMs(h); }},
    };
}

TEST_F(SoundHandles, BadHandlesChangeNothing)
{
    const int live = make_sound(ramp(100), 2);
    const int stale = make_sound(ramp(100), 1);
    ASSERT_EQ(DeleteSound(stale, 0), 0);
    const int blocks = live_blocks();
    const int bad[] = {-1, 0, stale, live + 0x10000, live ^ 0x08000000, 0x10007FFF, 0x7FFFFFFF};
    for (const auto& op : handle_operations()) {
        for (int h : bad) {
            EXPECT_EQ(op.second(h), -1) << op.first << " " << std::hex << h;
            // the sound made for the copy row goes again
            DeleteSound(sounds.handle_at(sounds.high_water() - 1) == live ? -1 : sounds.handle_at(sounds.high_water() - 1), 0);
        }
    }
    EXPECT_EQ(sounds.count(), 1);
    EXPECT_EQ(live_blocks(), blocks);
    EXPECT_EQ(IsSoundPlaying(live), 0);
}

TEST_F(SoundHandles, BeforeTheStartEveryOperationRefuses)
{
    const int h = make_sound(ramp(100), 1);
    ASSERT_EQ(ShutdownSoundSystem(), 0);
    EXPECT_EQ(AddSoundData(-1), -1);
    EXPECT_EQ(DeleteAllSounds(0), -1);
    for (const auto& op : handle_operations())
        EXPECT_EQ(op.second(h), -1) << op.first;
}

// ---- playback on the mixed output ----

TEST_F(SoundPlayback, OneBufferPlaysStopsAndResumesOrRestarts)
{
    const int h = make_sound(ramp(4410), 1);
    ASSERT_NE(h, -1);
    align_clock();
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(IsSoundPlaying(h), 1);
    std::vector<int> out = play_for(50);
    ASSERT_EQ(out.size(), 2u * 2205);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], -1);
    EXPECT_EQ(out[2 * 2204], 2205);
    EXPECT_EQ(StopSound(h), 0);
    EXPECT_EQ(IsSoundPlaying(h), 0);
    EXPECT_EQ(play_for(10)[0], 0);  // silence while stopped

    // restart 0 resumes where it stopped
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 0), 0);
    out = play_for(10);
    EXPECT_EQ(out[0], 2206);
    EXPECT_EQ(out[1], -2206);
    // restart 1 starts again from the beginning
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    out = play_for(10);
    EXPECT_EQ(out[0], 1);
    // a one-shot sound ends, and the output falls silent
    out = play_for(100);
    EXPECT_EQ(out[2 * (4410 - 441 - 1)], 4410);
    EXPECT_EQ(out[2 * (4410 - 441)], 0);
    EXPECT_EQ(IsSoundPlaying(h), 0);
}

TEST_F(SoundPlayback, ThreeBuffersOverlapAndSum)
{
    const int h = make_sound(ramp(4410), 3);
    ASSERT_NE(h, -1);
    align_clock();
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    platform::headless::advance_clock(10);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    platform::headless::advance_clock(10);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    const std::vector<int> out = play_for(10);
    // at frame j of this stretch the three cursors stand at 882, 441 and 0
    for (int j : {0, 100, 440})
        EXPECT_EQ(out[2 * j], (883 + j) + (442 + j) + (1 + j)) << j;
    EXPECT_EQ(record(h)->last_played, 0);  // slots 1, 2, then 0

    // restart 0 on a next slot still playing changes nothing but the turn
    EXPECT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 0), 0);
    EXPECT_EQ(record(h)->last_played, 1);
    const std::vector<int> next = play_for(10);
    EXPECT_EQ(next[0], (883 + 441) + (442 + 441) + (1 + 441));
}

TEST_F(SoundPlayback, TheNextSlotStartsAtTheCursorOfTheSlotUsedBefore)
{
    const int h = make_sound(ramp(4410), 2);
    align_clock();
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);  // slot 1
    platform::headless::advance_clock(20);
    ASSERT_EQ(StopSound(h), 0);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 0), 0);  // slot 0, at slot 1's cursor
    EXPECT_EQ(record(h)->last_played, 0);
    EXPECT_EQ(play_for(10)[0], 883);
}

TEST_F(SoundPlayback, PlayTypeThreeLoops)
{
    const int h = make_sound(ramp(441), 1);  // 10 ms
    align_clock();
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_LOOP, 1), 0);
    const std::vector<int> out = play_for(30);
    for (int j : {0, 440, 441, 882, 1322})
        EXPECT_EQ(out[2 * j], j % 441 + 1) << j;
    EXPECT_EQ(IsSoundPlaying(h), 1);
}

TEST_F(SoundPlayback, PlayTypeZeroWaitsForTheEndOrAQuit)
{
    struct row {
        int frames;
        std::uint32_t ms;
    };
    const row rows[] = {{4410, 100}, {4411, 101}, {1, 1}};
    for (const row& r : rows) {
        const int h = make_sound(ramp(r.frames), 1);
        align_clock();
        const std::uint32_t before = platform::milliseconds();
        ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_WAIT, 1), 0);
        EXPECT_EQ(platform::milliseconds() - before, r.ms) << r.frames;
        EXPECT_EQ(IsSoundPlaying(h), 0) << r.frames;
    }
    // a quit returns at once, the sound going on
    const int h = make_sound(ramp(4410), 1);
    media::core::window_state.quit = 1;
    const std::uint32_t before = platform::milliseconds();
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_WAIT, 1), 0);
    EXPECT_EQ(platform::milliseconds(), before);
    EXPECT_EQ(IsSoundPlaying(h), 1);
    media::core::window_state.quit = 0;
}

TEST_F(SoundPlayback, ASoundWithoutBuffersDoesNotPlay)
{
    const int h = make_sound(ramp(100), 0);
    ASSERT_NE(h, -1);
    EXPECT_EQ(record(h)->buffer_count, 0);
    EXPECT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), -1);
    EXPECT_EQ(IsSoundPlaying(h), 0);
    EXPECT_EQ(GetSoundPlayTime(h), -1);
}

TEST_F(SoundPlayback, OneShotValuesApplyToTheNextPlayOnly)
{
    const int h = make_sound(ramp(4410), 1);
    SOUNDDATA* d = record(h);
    align_clock();

    // volume: silent once
    d->one_shot_set[0] = 1;
    d->one_shot[0] = -10000;
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(play_for(10)[0], 0);
    EXPECT_EQ(d->one_shot_set[0], 0);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    EXPECT_EQ(play_for(10)[0], 1);

    // pan: left only once
    d->one_shot_set[1] = 1;
    d->one_shot[1] = -10000;
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    std::vector<int> out = play_for(10);
    EXPECT_EQ(out[200], 101);
    EXPECT_EQ(out[201], 0);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    out = play_for(10);
    EXPECT_EQ(out[201], -101);

    // frequency: half speed once, so 100 ms move the cursor by 50 ms
    d->one_shot_set[2] = 1;
    d->one_shot[2] = 22050;
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    platform::headless::advance_clock(40);
    EXPECT_EQ(GetSoundPlayTime(h), 20);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);
    platform::headless::advance_clock(40);
    EXPECT_EQ(GetSoundPlayTime(h), 40);
}

// ---- the software-buffer switch ----

using SoftBuffers = sound;

TEST_F(SoftBuffers, SlotsAreManagedBlocks)
{
    sound_system.software_buffers = 1;
    const WAVEFORMATEX f = pcm16(2, 44100);
    SOUNDBUFFER slot{}, copy{};
    const int blocks = live_blocks();
    const SOUNDBUFFERDESC desc{36, 0, 400, &f};
    ASSERT_EQ(CreateSoundBufferRecord(&slot, &desc), 0);
    EXPECT_EQ(live_blocks(), blocks + 1);
    EXPECT_EQ(slot.in_use, 1);
    EXPECT_EQ(slot.buffer, nullptr);
    EXPECT_EQ(slot.soft.volume, 255);
    EXPECT_EQ(slot.soft.frequency, -1);
    EXPECT_EQ(slot.soft.length, 100);
    EXPECT_EQ(slot.soft.format.nSamplesPerSec, 44100u);
    EXPECT_EQ(CreateSoundBufferRecord(&slot, &desc), -1);  // in use

    // a lock passing the end gives two regions
    void *a, *b;
    std::uint32_t an, bn;
    ASSERT_EQ(LockSoundBufferRecord(&slot, 360, 80, &a, &an, &b, &bn), 0);
    EXPECT_EQ(a, static_cast<char*>(slot.soft.block) + 360);
    EXPECT_EQ(an, 40u);
    EXPECT_EQ(b, slot.soft.block);
    EXPECT_EQ(bn, 40u);
    std::memset(a, 7, an);
    EXPECT_EQ(UnlockSoundBufferRecord(&slot, a, an, b, bn), 0);
    ASSERT_EQ(LockSoundBufferRecord(&slot, 0, 400, &a, &an, &b, &bn), 0);
    EXPECT_EQ(an, 400u);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(bn, 0u);
    // bytes past a frame's start still stay in the block
    ASSERT_EQ(LockSoundBufferRecord(&slot, 398, 3, &a, &an, &b, &bn), 0);
    EXPECT_EQ(an, 2u);
    EXPECT_EQ(bn, 1u);
    EXPECT_EQ(LockSoundBufferRecord(&slot, 400, 4, &a, &an, &b, &bn), -1);
    EXPECT_EQ(LockSoundBufferRecord(&slot, 0, 404, &a, &an, &b, &bn), -1);

    // a duplicate: a block of its own, nothing copied
    ASSERT_EQ(DuplicateSoundBufferRecord(&copy, &slot), 0);
    EXPECT_EQ(live_blocks(), blocks + 2);
    EXPECT_NE(copy.soft.block, slot.soft.block);
    EXPECT_EQ(copy.soft.length, 100);
    EXPECT_EQ(copy.soft.volume, 255);
    EXPECT_EQ(copy.soft.frequency, -1);
    EXPECT_EQ(static_cast<unsigned char*>(copy.soft.block)[360], 0);
    EXPECT_EQ(static_cast<unsigned char*>(slot.soft.block)[360], 7);

    // play, stop and status follow the playing flag
    std::uint32_t status = 9;
    ASSERT_EQ(PlaySoundBufferRecord(&slot, 1), 0);
    EXPECT_EQ(slot.soft.playing, 1);
    EXPECT_EQ(slot.soft.loop, 1);
    ASSERT_EQ(GetSoundBufferRecordStatus(&slot, &status), 0);
    EXPECT_EQ(status, 1u);
    ASSERT_EQ(StopSoundBufferRecord(&slot), 0);
    EXPECT_EQ(slot.soft.playing, 0);
    ASSERT_EQ(GetSoundBufferRecordStatus(&slot, &status), 0);
    EXPECT_EQ(status, 0u);

    // frequency, position
    EXPECT_EQ(SetSoundBufferRecordFrequency(&slot, 22050), 0);
    EXPECT_EQ(slot.soft.frequency, 22050);
    EXPECT_EQ(SetSoundBufferRecordFrequency(&slot, 0), 0);
    EXPECT_EQ(slot.soft.frequency, -1);
    EXPECT_EQ(SetSoundBufferRecordFrequency(&slot, 50), -1);
    EXPECT_EQ(SetSoundBufferRecordPosition(&slot, 42), 0);
    EXPECT_EQ(slot.soft.position, 10);
    EXPECT_EQ(SetSoundBufferRecordPosition(&slot, 400), -1);

    // release frees the block
    EXPECT_EQ(ReleaseSoundBufferRecord(&copy), 0);
    EXPECT_EQ(ReleaseSoundBufferRecord(&slot), 0);
    EXPECT_EQ(live_blocks(), blocks);
    EXPECT_EQ(slot.in_use, 0);
    EXPECT_EQ(ReleaseSoundBufferRecord(&slot), -1);
    EXPECT_EQ(PlaySoundBufferRecord(&slot, 0), -1);
    EXPECT_EQ(GetSoundBufferRecordStatus(&slot, &status), -1);
}

TEST_F(SoftBuffers, VolumeAndPanCurves)
{
    struct row {
        int value, volume;
    };
    const row volumes[] = {{-10000, 0}, {0, 256}, {-600, 64}, {-1, 255}, {-3000, 0}, {-100, 203}};
    for (const row& r : volumes)
        EXPECT_EQ(SoftBufferVolume(r.value), r.volume) << r.value;
    const row pans[] = {{-10000, -256}, {10000, 256}, {0, 0}, {600, 64}, {-600, -64}, {1, 255}};
    for (const row& r : pans)
        EXPECT_EQ(SoftBufferPan(r.value), r.volume) << r.value;

    // the operations keep the curve's value in the record
    sound_system.software_buffers = 1;
    const WAVEFORMATEX f = pcm16(2, 44100);
    SOUNDBUFFER slot{};
    const SOUNDBUFFERDESC desc{36, 0, 400, &f};
    ASSERT_EQ(CreateSoundBufferRecord(&slot, &desc), 0);
    EXPECT_EQ(SetSoundBufferRecordVolume(&slot, -600), 0);
    EXPECT_EQ(slot.soft.volume, 64);
    EXPECT_EQ(SetSoundBufferRecordPan(&slot, -600), 0);
    EXPECT_EQ(slot.soft.pan, -64);
    EXPECT_EQ(SetSoundBufferRecordVolume(&slot, 1), -1);
    EXPECT_EQ(SetSoundBufferRecordPan(&slot, 10001), -1);
    EXPECT_EQ(slot.soft.volume, 64);
    ReleaseSoundBufferRecord(&slot);
}

TEST_F(SoftBuffers, APcmSoundPlaysThroughTheSwitch)
{
    sound_system.software_buffers = 1;
    const int blocks = live_blocks();
    const int h = make_sound(ramp(4410), 2);
    ASSERT_NE(h, -1);
    EXPECT_EQ(record(h)->buffers[0].buffer, nullptr);
    align_clock();
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1), 0);  // slot 1
    std::vector<int> out = play_for(10);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[2 * 440 + 1], -441);
    EXPECT_EQ(GetSoundPlayTime(h), 10);
    // to its end, and the playing flag follows
    play_for(100);
    EXPECT_EQ(IsSoundPlaying(h), 0);
    EXPECT_EQ(record(h)->buffers[1].soft.playing, 0);
    ASSERT_EQ(PlaySoundHandle(h, SOUNDPLAY_WAIT, 1), 0);  // slot 0, waited for
    EXPECT_EQ(DeleteSound(h, 0), 0);
    EXPECT_EQ(live_blocks(), blocks);
}

}  // namespace
