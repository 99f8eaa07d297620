// MIDI handles, the MCI play notice, the current music and the capture's
// end: the recorded MCI commands, the stop and delete of records the test
// puts in place, the capture file's header and the shut-down's order.
#include "sound_fixture.hpp"

#include <cstring>
#include <fstream>

#include "media/core/alloc.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/window_services.hpp"
#include "media/sound/midi.hpp"

namespace {

using media::snd::midi_state;
using media::snd::midis;
using media::snd::sound_system;

class Midi : public sound_test::sound {
protected:
    void SetUp() override
    {
        sound::SetUp();
        media::snd::take_mci_calls();
    }

    // A file in the test's folder with the given bytes.
    void write_file(const std::string& name, const std::string& bytes)
    {
        std::ofstream(dir_.at(name), std::ios::binary) << bytes;
    }

    // A temporary MIDI file that exists, with its flag set.
    void make_temp_file()
    {
        write_file("zmidi.tmp", "MThd");
        std::strcpy(midi_state.temp_path, "zmidi.tmp");
        midi_state.temp_exists = 1;
    }

    static std::vector<std::uint32_t> commands()
    {
        std::vector<std::uint32_t> out;
        for (const media::snd::MCICALL& c : media::snd::take_mci_calls())
            out.push_back(c.command);
        return out;
    }
};

TEST_F(Midi, TheNoticeLoopsOrClosesOnce)
{
    midi_state.mci_device = 7;
    midi_state.mci_playing = 1;
    midi_state.mci_loop = 1;
    EXPECT_EQ(HandleMidiMciNotify(), 0);
    const std::vector<media::snd::MCICALL> calls = media::snd::take_mci_calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].device, 7u);
    EXPECT_EQ(calls[0].command, MCI_PLAY);
    EXPECT_EQ(calls[0].flags, 5u);
    ASSERT_TRUE(calls[0].has_params);
    EXPECT_EQ(calls[0].params.from, 0u);
    EXPECT_EQ(calls[0].params.callback, GetMainWindow());
    EXPECT_EQ(midi_state.mci_playing, 1);

    midi_state.mci_loop = 0;
    EXPECT_EQ(HandleMidiMciNotify(), 0);
    const std::vector<media::snd::MCICALL> close = media::snd::take_mci_calls();
    ASSERT_EQ(close.size(), 1u);
    EXPECT_EQ(close[0].command, MCI_CLOSE);
    EXPECT_EQ(close[0].flags, 0u);
    EXPECT_FALSE(close[0].has_params);
    EXPECT_EQ(midi_state.mci_playing, 0);

    EXPECT_EQ(HandleMidiMciNotify(), 0);
    EXPECT_TRUE(commands().empty());
}

TEST_F(Midi, TheWindowProcedureHandsTheNoticeOn)
{
    midi_state.mci_playing = 1;
    media::core::post_message(953);
    settle();
    EXPECT_EQ(commands(), std::vector<std::uint32_t>{MCI_CLOSE});
    EXPECT_EQ(midi_state.mci_playing, 0);
}

TEST_F(Midi, StopClosesTheDeviceDeletesTheTemporaryFileAndClearsTheFlags)
{
    const int h = media::snd::put_midi_for_test(-1, 16);
    ASSERT_NE(h, -1);
    MIDIDATA* m = midis.find(h);
    m->playing = 1;
    m->started = 1;
    midi_state.mci_playing = 1;
    midi_state.mci_loop = 1;
    make_temp_file();
    EXPECT_EQ(StopMidi(h), 0);
    // the loop flag is cleared first, so the notice closes
    EXPECT_EQ(commands(), std::vector<std::uint32_t>{MCI_CLOSE});
    EXPECT_EQ(midi_state.mci_loop, 0);
    EXPECT_EQ(midi_state.mci_playing, 0);
    EXPECT_FALSE(exists("zmidi.tmp"));
    EXPECT_EQ(midi_state.temp_exists, 0);
    EXPECT_EQ(m->playing, 0);
    EXPECT_EQ(m->started, 0);
    // a missing file is no error
    midi_state.temp_exists = 1;
    EXPECT_EQ(StopMidi(h), 0);
    EXPECT_EQ(midi_state.temp_exists, 0);
}

TEST_F(Midi, HandlesAreCheckedAndLaidOutByKind)
{
    const int blocks = media::core::alloc_state.count;
    const int a = media::snd::put_midi_for_test(-1, 8);
    const int b = media::snd::put_midi_for_test(-1, 0);
    const int c = media::snd::put_midi_for_test(255, 4);
    ASSERT_NE(a, -1);
    ASSERT_NE(b, -1);
    ASSERT_NE(c, -1);
    EXPECT_EQ(a, 0 | ((0 | 0x5800) << 16));
    EXPECT_EQ(b, 1 | ((1 | 0x5800) << 16));
    EXPECT_EQ(c, 255 | ((2 | 0x5800) << 16));
    EXPECT_EQ(midis.high_water(), 256);

    const int sound_handle = make_sound(sound_test::ramp(10), 1);
    ASSERT_NE(sound_handle, -1);
    const int stale = a + (1 << 16);
    for (const int bad : {sound_handle, stale, -1, 256 | (0x5800 << 16), 0x7FFFFFFF}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(GetMidiPlayState(bad), -1);
        EXPECT_EQ(StopMidi(bad), -1);
        EXPECT_EQ(DeleteMidi(bad), -1);
    }
    EXPECT_EQ(midis.count(), 3);
    EXPECT_TRUE(commands().empty());

    // a playing record is stopped first; the end index moves down past the
    // empty slots
    midi_state.mci_playing = 1;
    EXPECT_EQ(GetMidiPlayState(c), 1);
    EXPECT_EQ(DeleteMidi(c), 0);
    EXPECT_EQ(commands(), std::vector<std::uint32_t>{MCI_CLOSE});
    EXPECT_EQ(midis.find(c), nullptr);
    EXPECT_EQ(midis.high_water(), 2);
    EXPECT_EQ(DeleteMidi(c), -1);

    EXPECT_EQ(DeleteAllMidi(), 0);
    EXPECT_EQ(midis.count(), 0);
    EXPECT_EQ(midis.high_water(), 0);
    DeleteSound(sound_handle, 0);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
}

TEST_F(Midi, BeforeTheStartEveryHandleOperationRefuses)
{
    const int h = media::snd::put_midi_for_test(-1, 8);
    ASSERT_NE(h, -1);
    ASSERT_EQ(ShutdownSoundSystem(), 0);  // deletes it
    EXPECT_EQ(midis.count(), 0);
    const int again = media::snd::put_midi_for_test(-1, 8);
    ASSERT_NE(again, -1);
    EXPECT_EQ(GetMidiPlayState(again), -1);
    EXPECT_EQ(StopMidi(again), -1);
    EXPECT_EQ(DeleteMidi(again), -1);
    EXPECT_EQ(DeleteAllMidi(), -1);
    EXPECT_EQ(PollMidiPlayState(), -1);
    EXPECT_EQ(HandleMidiMciNotify(), 0);
    EXPECT_EQ(StopAndDeleteMusic(), 0);
    EXPECT_EQ(midis.count(), 1);
}

TEST_F(Midi, ThePollAnswersWhetherTheSystemRuns)
{
    const int h = media::snd::put_midi_for_test(-1, 8);
    midis.find(h)->playing = 1;
    EXPECT_EQ(PollMidiPlayState(), 0);
    // on the device back end the poll leaves the records alone
    EXPECT_EQ(midis.find(h)->playing, 1);
    EXPECT_EQ(PumpWindowMessages(), 0);
}

TEST_F(Midi, TheCurrentMusicIsStoppedAndDeletedWhateverItsKind)
{
    EXPECT_EQ(StopAndDeleteMusic(), 0);
    EXPECT_TRUE(commands().empty());

    const int s = make_sound(sound_test::ramp(100), 1);
    ASSERT_NE(s, -1);
    PlaySoundHandle(s, SOUNDPLAY_LOOP, 1);
    midi_state.music = s;
    midi_state.music_kind = 1;
    EXPECT_EQ(StopAndDeleteMusic(), 0);
    EXPECT_EQ(record(s), nullptr);
    EXPECT_EQ(midi_state.music, 0);

    const int m = media::snd::put_midi_for_test(-1, 8);
    midi_state.mci_playing = 1;
    midi_state.music = m;
    midi_state.music_kind = 2;
    EXPECT_EQ(StopAndDeleteMusic(), 0);
    EXPECT_EQ(midis.find(m), nullptr);
    EXPECT_EQ(midi_state.music, 0);
    EXPECT_EQ(commands(), std::vector<std::uint32_t>{MCI_CLOSE});
}

// The 46-byte header for a number of frames, as the file must start.
std::string capture_header(std::uint32_t frames)
{
    const std::uint32_t data = 4 * frames;
    std::string h;
    const auto u16 = [&](std::uint32_t v) {
        h += static_cast<char>(v & 0xFF);
        h += static_cast<char>(v >> 8 & 0xFF);
    };
    const auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    h += "RIFF";
    u32(38 + data);
    h += "WAVEfmt ";
    u32(18);
    u16(1);
    u16(2);
    u32(44100);
    u32(176400);
    u16(4);
    u16(16);
    u16(0);
    h += "data";
    u32(data);
    return h;
}

TEST_F(Midi, TheCaptureEndsWithItsHeaderOverTheFileStart)
{
    EXPECT_EQ(EndSoundCapture(), -1);

    struct row {
        int frames;
        std::size_t samples;
    };
    for (const row r : {row{0, 0}, row{1000, 4000}}) {
        SCOPED_TRACE(r.frames);
        std::string samples(r.samples, '\0');
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<char>(i * 7 + 1);
        write_file("capture.wav", std::string(CAPTURE_HEADER_SIZE, 'x') + samples);
        ASSERT_TRUE(media::snd::start_capture_for_test(L"capture.wav", r.frames));
        EXPECT_EQ(EndSoundCapture(), 0);
        EXPECT_EQ(midi_state.capture_active, 0);
        EXPECT_FALSE(midi_state.capture_file.is_open());
        EXPECT_EQ(read("capture.wav"), capture_header(static_cast<std::uint32_t>(r.frames)) + samples);
        EXPECT_EQ(EndSoundCapture(), -1);
    }
}

TEST_F(Midi, TheShutDownEndsTheCaptureDeletesTheRecordsAndTheTemporaryFile)
{
    const int blocks = media::core::alloc_state.count;
    write_file("capture.wav", std::string(CAPTURE_HEADER_SIZE + 8, 'x'));
    ASSERT_TRUE(media::snd::start_capture_for_test(L"capture.wav", 2));
    ASSERT_NE(media::snd::put_midi_for_test(-1, 32), -1);
    ASSERT_NE(media::snd::put_midi_for_test(-1, 0), -1);
    // the file goes by its path even when its flag is clear
    make_temp_file();
    midi_state.temp_exists = 0;
    EXPECT_EQ(ShutdownSoundSystem(), 0);
    EXPECT_EQ(read("capture.wav"), capture_header(2) + std::string(8, 'x'));
    EXPECT_EQ(midis.count(), 0);
    EXPECT_FALSE(exists("zmidi.tmp"));
    EXPECT_EQ(media::core::alloc_state.count, blocks);
}

// The fatal road: the layer's end stops and deletes the music before the
// sound system's shut-down logs its last line.
using MidiDeathTest = Midi;

TEST_F(MidiDeathTest, TheFatalExitDeletesTheMusicBeforeTheShutDown)
{
    // forked, so that the child writes the log this process reads
    GTEST_FLAG_SET(death_test_style, "fast");
    const int h = media::snd::put_midi_for_test(-1, 8);
    ASSERT_NE(h, -1);
    midi_state.music = h;
    midi_state.music_kind = 2;
    OpenLogFile();
    EXPECT_EXIT(
        {
            ExitWithLogMessage("fatal\n");
        },
        ::testing::ExitedWithCode(255), "");
    const std::string log = stamped_log();
    const std::size_t fatal = log.find("fatal");
    const std::size_t end = log.find("DirectSound の終了処理は正常に終了しました\r\n");
    EXPECT_NE(fatal, std::string::npos);
    EXPECT_NE(end, std::string::npos);
    EXPECT_LT(fatal, end);
}

}  // namespace
