// Stream sounds: the ring quantities, the first fill and the refill amounts
// (thread held), playback on the virtual clock, the refusals of adding and
// the release of every source at delete.
#include "sound_fixture.hpp"

#include <cstring>
#include <string>

#include "media/core/alloc.hpp"
#include "media/sound/convert.hpp"
#include "media/sound/stream_sound.hpp"
#include "support/riff_writer.hpp"

namespace {

using media::snd::sound_system;
using support::chunk;
using support::counting_bytes;
using support::pcm16_fields;
using support::riff_file;
using support::wave_format;
using support::wave_format_fields;
using StreamSounds = sound_test::sound;

int live_blocks() { return media::core::alloc_state.count; }

std::string wav(const wave_format_fields& f, const std::string& data) {
  return riff_file({chunk("fmt ", wave_format(f)), chunk("data", data)});
}

wave_format_fields mono8(std::uint32_t rate) {
  wave_format_fields f;
  f.channels = 1;
  f.rate = rate;
  f.bytes_per_second = rate;
  f.block_align = 1;
  f.bits = 8;
  return f;
}

// A new stream sound of one source kept as a file image, primed.
int make_stream(const std::string& file, int repeat = 0) {
  const int h = AddSoundData(-1);
  if (h == -1 || AddStreamSoundFromImage(file.data(), static_cast<int>(file.size()), repeat, h, 2, -1) != 0) return -1;
  PrimeStreamSound(h);
  return h;
}

// Bytes of a sound's ring.
std::string ring_bytes(SOUNDDATA* d, std::uint32_t offset, std::uint32_t n) {
  void *a, *b;
  std::uint32_t an, bn;
  if (LockSoundBufferRecord(&d->buffers[0], offset, n, &a, &an, &b, &bn) != 0) return "<lock failed>";
  std::string out(static_cast<char*>(a), an);
  if (b != nullptr) out.append(static_cast<char*>(b), bn);
  UnlockSoundBufferRecord(&d->buffers[0], a, an, b, bn);
  return out;
}

TEST(StreamQuantities, FromTheBytesPerSecondAndTheBlock) {
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

TEST_F(StreamSounds, TheFirstFillAndTheRefillAmounts) {
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

TEST_F(StreamSounds, AShortSoundPlaysThenSilenceThenStops) {
  std::string data(22050, '\0');
  for (int i = 0; i < 22050; ++i) data[i] = static_cast<char>(i % 200 + 20);  // never the silence value
  align_clock();
  const int h = make_stream(wav(mono8(44100), data));
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
  while (silent < after.size() && after[silent] == -256) ++silent;
  EXPECT_GT(silent, 0u);
  EXPECT_LE(silent, 2u * 1323 + 2);
  for (std::size_t i = silent; i < after.size(); ++i) ASSERT_EQ(after[i], 0) << i;
  EXPECT_EQ(IsSoundPlaying(h), 0);
  EXPECT_EQ(GetStreamSoundPlayTime(h), 0);
}

TEST_F(StreamSounds, RepeatsPlayTheSourceAgain) {
  std::string data(4410, '\0');
  for (int i = 0; i < 4410; ++i) data[i] = static_cast<char>(i % 100 + 20);
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

TEST_F(StreamSounds, AddingRefusals) {
  const std::string file = wav(pcm16_fields(2, 44100), counting_bytes(4000));
  const int size = static_cast<int>(file.size());
  const int h = AddSoundData(-1);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(AddStreamSoundFromImage(file.data(), size, 0, h, 2, -1), 0);
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

TEST_F(StreamSounds, DeletingAPlayingSoundFreesEverySource) {
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

TEST_F(StreamSounds, ABorrowerPlaysThroughItsOwnersRing) {
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

}  // namespace
