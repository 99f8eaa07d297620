// Sound converters over memory streams: the WAV chunk walk and the PCM kind's
// refusals, reading and seeking, sizes and whole decoding, WAV images, whole
// stream images, allocation failures and malformed files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/sound/convert.hpp"
#include "media/sound/internal.hpp"
#include "support/riff_writer.hpp"

namespace {

using support::chunk;
using support::chunk_claiming;
using support::counting_bytes;
using support::pcm16_fields;
using support::riff_file;
using support::wave_format;
using support::wave_format_fields;

int live_blocks()
{
    return media::core::alloc_state.count;
}

// A memory stream over an exact-size copy of the bytes (so a read past them
// is caught), recording the byte count every read asks for.
class source {
public:
    explicit source(const std::string& bytes) : size_(static_cast<int>(bytes.size())), bytes_(new char[bytes.size()])
    {
        std::memcpy(bytes_.get(), bytes.data(), bytes.size());
        mem_ = OpenMemStream(bytes_.get(), size_);
        ref_.ops = STREAMOPS{tell, seek, read, at_end, idle, close};
        ref_.data = this;
    }
    ~source()
    {
        CloseMemStream(mem_);
    }
    source(const source&) = delete;
    source& operator=(const source&) = delete;

    const STREAMREF* ref() const
    {
        return &ref_;
    }
    int position() const
    {
        return TellMemStream(mem_);
    }

    std::vector<int> reads;  // bytes asked for by each read

private:
    static source* self(void* data)
    {
        return static_cast<source*>(data);
    }
    static int tell(void* data)
    {
        return TellMemStream(self(data)->mem_);
    }
    static int seek(void* data, int offset, int origin)
    {
        return SeekMemStream(self(data)->mem_, offset, origin);
    }
    static int read(void* buffer, int size, int count, void* data)
    {
        self(data)->reads.push_back(size * count);
        return ReadMemStream(buffer, size, count, self(data)->mem_);
    }
    static int at_end(void* data)
    {
        return IsMemStreamAtEnd(self(data)->mem_);
    }
    static int idle(void* data)
    {
        return IsMemStreamIdle(self(data)->mem_);
    }
    static int close(void*)
    {
        return 0;
    }

    int size_;
    std::unique_ptr<char[]> bytes_;
    MEMSTREAM* mem_;
    STREAMREF ref_;
};

// A PCM WAV: "fmt " then "data".
std::string pcm_wav(const wave_format_fields& f, const std::string& data, std::size_t format_length = 16)
{
    return riff_file({chunk("fmt ", wave_format(f, format_length)), chunk("data", data)});
}

class SoundConverter : public media_test::log_folder {
protected:
    void SetUp() override
    {
        log_folder::SetUp();
        std::memset(&conv, 0, sizeof conv);
    }

    void TearDown() override
    {
        CloseSoundConverter(&conv);
        log_folder::TearDown();
    }

    // Everything the converter still delivers, read count bytes at a time.
    std::string read_all(int count = 1000)
    {
        std::string out;
        std::vector<char> buffer(count);
        int n;
        while ((n = ReadSoundConverter(&conv, buffer.data(), count)) > 0)
            out.append(buffer.data(), n);
        return out;
    }

    SOUNDCONV conv;
};

// ---- the chunk walk and the PCM kind ----

TEST_F(SoundConverter, ChunkWalkTable)
{
    const std::string data = counting_bytes(400);
    wave_format_fields bits8 = pcm16_fields(2, 44100);
    bits8.bits = 8;  // block align 4 says 16
    const wave_format_fields stereo = pcm16_fields(2, 44100);
    wave_format_fields adpcm = stereo;
    adpcm.tag = 2;
    struct row {
        const char* name;
        std::string file;
        int result;
        int bits;
        int pcm_size;
    };
    const row rows[] = {
        {"16-byte fmt: bits from block align", pcm_wav(bits8, data, 16), 0, 16, 400},
        {"18-byte fmt keeps its bits", pcm_wav(bits8, data, 18), 0, 8, 400},
        {"17-byte fmt, next header right after",
         riff_file({chunk("fmt ", wave_format(stereo, 17), false), chunk("data", data)}), 0, 16, 400},
        {"odd bext without pad before fmt",
         riff_file({chunk("bext", "abc", false), chunk("fmt ", wave_format(stereo)), chunk("data", data)}), 0, 16, 400},
        {"LIST before fmt", riff_file({chunk("LIST", "abcd"), chunk("fmt ", wave_format(stereo)), chunk("data", data)}),
         -1, 0, 0},
        {"two bext chunks",
         riff_file({chunk("bext", "ab"), chunk("bext", "ab"), chunk("fmt ", wave_format(stereo)), chunk("data", data)}),
         -1, 0, 0},
        {"odd chunks between fmt and data, with pads",
         riff_file({chunk("fmt ", wave_format(stereo)), chunk("LIST", "abc"), chunk("junk", "x"), chunk("data", data)}),
         0, 16, 400},
        {"no data chunk", riff_file({chunk("fmt ", wave_format(stereo)), chunk("LIST", "abcd")}), -1, 0, 0},
        {"format tag 2", pcm_wav(adpcm, data), -1, 0, 0},
        {"fmt of 14 bytes", riff_file({chunk("fmt ", wave_format(stereo, 14)), chunk("data", data)}), -1, 0, 0},
        {"fmt of 64 KiB", riff_file({chunk("fmt ", wave_format(stereo, 65536)), chunk("data", data)}), 0, 16, 400},
        {"fmt of 64 KiB + 2", riff_file({chunk("fmt ", wave_format(stereo, 65538)), chunk("data", data)}), -1, 0, 0},
        {"9 channels", pcm_wav(pcm16_fields(9, 44100), counting_bytes(180)), -1, 0, 0},
        {"8 channels", pcm_wav(pcm16_fields(8, 44100), counting_bytes(160)), 0, 16, 160},
        {"50 Hz", pcm_wav(pcm16_fields(2, 50), data), -1, 0, 0},
        {"100 Hz", pcm_wav(pcm16_fields(2, 100), data), 0, 16, 400},
        {"200001 Hz", pcm_wav(pcm16_fields(1, 200001), data), -1, 0, 0},
        // a truncated file plays the whole frames it has
        {"data claims 1000, 601 present",
         riff_file({chunk("fmt ", wave_format(stereo)), chunk_claiming("data", 1000, counting_bytes(601))}), 0, 16,
         600},
        {"odd data size", pcm_wav(stereo, counting_bytes(403)), 0, 16, 400},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        source s(r.file);
        const int blocks = live_blocks();
        std::memset(&conv, 0, sizeof conv);
        ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), r.result);
        if (r.result != 0) {
            EXPECT_EQ(conv.initialised, 0);
            EXPECT_EQ(CloseSoundConverter(&conv), -1);
            EXPECT_EQ(live_blocks(), blocks);
            continue;
        }
        EXPECT_EQ(conv.kind, SOUNDCONV_KIND_WAVE);
        EXPECT_EQ(conv.format.wBitsPerSample, r.bits);
        EXPECT_EQ(GetSoundConverterPcmSize(&conv), r.pcm_size);
        EXPECT_EQ(s.position(), conv.data_position);
        const std::string pcm = read_all(64);
        EXPECT_EQ(pcm, counting_bytes(r.pcm_size));
        EXPECT_EQ(conv.at_end, 1);
        EXPECT_EQ(CloseSoundConverter(&conv), 0);
        EXPECT_EQ(live_blocks(), blocks);
    }
}

// Header values the PCM kind cannot compute with are refused; unusual but
// consistent ones are kept.
TEST_F(SoundConverter, PcmFormatValues)
{
    const std::string data = counting_bytes(240);
    struct row {
        const char* name;
        void (*change)(wave_format_fields&);
        std::size_t length;
        int result;
    };
    const row rows[] = {
        {"0 channels", [](wave_format_fields& f) { f.channels = 0; }, 18, -1},
        {"0 channels, 16-byte fmt", [](wave_format_fields& f) { f.channels = 0; }, 16, -1},
        {"rate 0", [](wave_format_fields& f) { f.rate = 0; }, 18, -1},
        {"block align 0", [](wave_format_fields& f) { f.block_align = 0; }, 18, -1},
        {"block align 0, 16-byte fmt", [](wave_format_fields& f) { f.block_align = 0; }, 16, -1},
        {"block align under channels x bits / 8", [](wave_format_fields& f) { f.block_align = 3; }, 18, -1},
        {"bits 12", [](wave_format_fields& f) { f.bits = 12; }, 18, -1},
        {"bits 0", [](wave_format_fields& f) { f.bits = 0; }, 18, -1},
        {"bits 64",
         [](wave_format_fields& f) {
             f.bits = 64;
             f.block_align = 16;
         },
         18, -1},
        {"bytes per second 0", [](wave_format_fields& f) { f.bytes_per_second = 0; }, 18, -1},
        {"bytes per second 2^24 + 1", [](wave_format_fields& f) { f.bytes_per_second = (1u << 24) + 1; }, 18, -1},
        {"bytes per second 2^24", [](wave_format_fields& f) { f.bytes_per_second = 1u << 24; }, 18, 0},
        {"bytes per second 1", [](wave_format_fields& f) { f.bytes_per_second = 1; }, 18, 0},
        {"padded frames", [](wave_format_fields& f) { f.block_align = 6; }, 18, 0},
        {"24 bits",
         [](wave_format_fields& f) {
             f.bits = 24;
             f.block_align = 6;
         },
         18, 0},
        {"32 bits",
         [](wave_format_fields& f) {
             f.bits = 32;
             f.block_align = 8;
         },
         18, 0},
        {"8 bits mono",
         [](wave_format_fields& f) {
             f.bits = 8;
             f.channels = 1;
             f.block_align = 1;
         },
         18, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        wave_format_fields f = pcm16_fields(2, 44100);
        r.change(f);
        const std::string file = pcm_wav(f, data, r.length);
        source s(file);
        const int blocks = live_blocks();
        std::memset(&conv, 0, sizeof conv);
        ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), r.result);
        if (r.result == 0) {
            // kept as they are
            EXPECT_EQ(std::memcmp(&conv.format, file.data() + 20, 18), 0);
            EXPECT_EQ(conv.unit_size, static_cast<int>(f.bytes_per_second));
            EXPECT_EQ(read_all(), data);
            EXPECT_EQ(CloseSoundConverter(&conv), 0);
        }
        EXPECT_EQ(live_blocks(), blocks);
    }
}

TEST_F(SoundConverter, SetUpLeavesTheStreamAtTheDataAndTheFileFormat)
{
    for (int movie_audio : {0, 1}) {
        for (std::size_t length : {16u, 18u}) {
            SCOPED_TRACE(testing::Message() << "movie audio " << movie_audio << ", fmt " << length);
            const wave_format_fields f = pcm16_fields(2, 22050);
            const std::string file = riff_file(
                {chunk("fmt ", wave_format(f, length)), chunk("LIST", "xyz"), chunk("data", counting_bytes(80))});
            source s(file);
            media::snd::sound_system.movie_audio = movie_audio;
            std::memset(&conv, 0, sizeof conv);
            ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), 0);
            EXPECT_EQ(conv.old_vorbis, movie_audio);
            EXPECT_EQ(conv.data_position, static_cast<int>(file.size()) - 80);
            EXPECT_EQ(s.position(), conv.data_position);
            EXPECT_EQ(conv.unit_size, 88200);
            EXPECT_EQ(conv.output_position, 0);
            WAVEFORMATEX got;
            EXPECT_EQ(GetSoundConverterFormat(&conv, &got), 0);
            // the chunk's bytes, zero-filled past a 16-byte one
            EXPECT_EQ(std::memcmp(&got, wave_format(f, 18).data(), 18), 0);
            EXPECT_EQ(CloseSoundConverter(&conv), 0);
        }
    }
}

// ---- reading and seeking ----

TEST_F(SoundConverter, ReadsInPiecesOfTheCountAndRefillsAUnitAtATime)
{
    const std::string data = counting_bytes(10000);
    source s(pcm_wav(pcm16_fields(2, 1000), data));  // a unit of 4000 bytes
    ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), 0);
    s.reads.clear();

    std::vector<char> buffer(3000);
    SOUNDCONV before;
    std::memcpy(&before, &conv, sizeof conv);
    EXPECT_EQ(ReadSoundConverter(&conv, buffer.data(), 0), 0);
    EXPECT_EQ(std::memcmp(&before, &conv, sizeof conv), 0);
    EXPECT_TRUE(s.reads.empty());

    std::string out;
    for (int expected : {3000, 3000, 3000, 1000}) {
        EXPECT_EQ(conv.at_end, 0);
        const int n = ReadSoundConverter(&conv, buffer.data(), 3000);
        EXPECT_EQ(n, expected);
        out.append(buffer.data(), n > 0 ? n : 0);
    }
    EXPECT_EQ(out, data);
    EXPECT_EQ(ReadSoundConverter(&conv, buffer.data(), 3000), 0);
    EXPECT_EQ(conv.at_end, 1);
    EXPECT_EQ(ReadSoundConverter(&conv, buffer.data(), 3000), 0);
    EXPECT_EQ(conv.output_position, 10000);
    for (int r : s.reads)
        EXPECT_LE(r, conv.unit_size);

    // a seek ends the end
    EXPECT_EQ(SeekSoundConverter(&conv, 0), 0);
    EXPECT_EQ(conv.at_end, 0);
    EXPECT_EQ(read_all(3000), data);
}

TEST_F(SoundConverter, ASeekUnder16BytesAwayChangesNothing)
{
    // 8-bit mono: a sample is a byte, so every distance can be asked for
    wave_format_fields f;
    f.channels = 1;
    f.rate = 1000;
    f.bytes_per_second = 1000;
    f.block_align = 1;
    f.bits = 8;
    const std::string data = counting_bytes(3000);
    source s(pcm_wav(f, data));
    struct row {
        int read_first;  // bytes read before the seek (3000: to the end)
        int distance;
        bool moves;
    };
    const row rows[] = {
        {1500, 8, false},   {1500, -8, false}, {1500, 15, false},
        {1500, -15, false}, {3000, -8, false}, {3000, -15, false},  // the end flag stays too
        {1500, 16, true},   {1500, -16, true}, {3000, -16, true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.read_first << " read, distance " << r.distance);
        std::memset(&conv, 0, sizeof conv);
        ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), 0);
        std::vector<char> buffer(3001);
        ASSERT_EQ(ReadSoundConverter(&conv, buffer.data(), r.read_first), r.read_first);
        if (r.read_first == 3000) {
            ASSERT_EQ(ReadSoundConverter(&conv, buffer.data(), 1), 0);
        }
        SOUNDCONV before;
        std::memcpy(&before, &conv, sizeof conv);
        const int stream_before = s.position();
        EXPECT_EQ(SeekSoundConverter(&conv, r.read_first + r.distance), 0);
        if (!r.moves) {
            EXPECT_EQ(std::memcmp(&before, &conv, sizeof conv), 0);
            EXPECT_EQ(s.position(), stream_before);
        } else {
            EXPECT_EQ(conv.at_end, 0);
            EXPECT_EQ(conv.output_position, r.read_first + r.distance);
            EXPECT_EQ(read_all(), data.substr(r.read_first + r.distance));
        }
        EXPECT_EQ(CloseSoundConverter(&conv), 0);
    }
}

TEST_F(SoundConverter, SeeksBySampleFrames)
{
    const std::string data = counting_bytes(8000);
    source s(pcm_wav(pcm16_fields(2, 1000), data));
    ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), 0);
    std::vector<char> buffer(3000);
    ASSERT_EQ(ReadSoundConverter(&conv, buffer.data(), 3000), 3000);

    // sample 0 after reading: the data start again
    EXPECT_EQ(SeekSoundConverter(&conv, 0), 0);
    EXPECT_EQ(s.position(), conv.data_position);
    EXPECT_EQ(conv.output_position, 0);
    ASSERT_EQ(ReadSoundConverter(&conv, buffer.data(), 100), 100);
    EXPECT_EQ(std::string(buffer.data(), 100), data.substr(0, 100));

    struct row {
        int sample;
        int from;  // the byte delivered next (each row starts at the end)
    };
    const row rows[] = {{1000, 4000}, {17, 68}, {1990, 7960}, {2000, 8000}, {5000, 8000}, {-3, 0}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.sample);
        EXPECT_EQ(SeekSoundConverter(&conv, r.sample), 0);
        EXPECT_EQ(conv.output_position, r.from);
        EXPECT_EQ(read_all(), data.substr(r.from));
    }
}

// ---- sizes, whole decoding, closing ----

TEST_F(SoundConverter, DecodesTheWholeSoundFromItsStart)
{
    const std::string data = counting_bytes(6000, 7);
    source s(pcm_wav(pcm16_fields(2, 1000), data));
    ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), 0);
    EXPECT_EQ(GetSoundConverterPcmSize(&conv), 6000);
    // a few bytes in, where a seek to sample 0 would be ignored
    std::vector<char> buffer(8);
    ASSERT_EQ(ReadSoundConverter(&conv, buffer.data(), 8), 8);
    WAVEFORMATEX format{};
    void* pcm = nullptr;
    int size = -1;
    ASSERT_EQ(DecodeWholeSound(&conv, &format, &pcm, &size), 0);
    EXPECT_EQ(size, 6000);
    EXPECT_EQ(std::string(static_cast<char*>(pcm), size), data);
    EXPECT_EQ(std::memcmp(&format, &conv.format, sizeof format), 0);
    EXPECT_EQ(format.nChannels, 2);
    ManagedFree(pcm);
    // what follows a whole decode is the end
    EXPECT_EQ(ReadSoundConverter(&conv, buffer.data(), 8), 0);

    const int blocks = live_blocks();
    EXPECT_EQ(CloseSoundConverter(&conv), 0);
    EXPECT_EQ(live_blocks(), blocks - 1);  // the work buffer
    EXPECT_EQ(CloseSoundConverter(&conv), -1);
    EXPECT_EQ(live_blocks(), blocks - 1);
    EXPECT_EQ(ReadSoundConverter(&conv, buffer.data(), 8), -1);
}

TEST_F(SoundConverter, DecodingATruncatedFileGivesItsWholeFrames)
{
    source s(riff_file(
        {chunk("fmt ", wave_format(pcm16_fields(2, 44100))), chunk_claiming("data", 1000, counting_bytes(601))}));
    ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), 0);
    void* pcm = nullptr;
    int size = -1;
    ASSERT_EQ(DecodeWholeSound(&conv, nullptr, &pcm, &size), 0);
    EXPECT_EQ(size, 600);
    EXPECT_EQ(std::string(static_cast<char*>(pcm), size), counting_bytes(600));
    ManagedFree(pcm);
}

// ---- images ----

TEST_F(SoundConverter, WaveImages)
{
    struct row {
        std::string format;
        std::string pcm;
        int size;
    };
    const row rows[] = {
        {wave_format(pcm16_fields(1, 8000), 18), counting_bytes(10), 56},
        {wave_format(pcm16_fields(1, 8000), 16), counting_bytes(3), 47},  // no pad after odd data
        {wave_format(pcm16_fields(2, 8000), 18), "", 46},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.size);
        void* image = nullptr;
        int size = 0;
        ASSERT_EQ(BuildWaveImage(&image, &size, r.format.data(), static_cast<int>(r.format.size()), r.pcm.data(),
                                 static_cast<int>(r.pcm.size())),
                  0);
        const std::string expected = riff_file({chunk("fmt ", r.format), chunk("data", r.pcm, false)});
        EXPECT_EQ(size, r.size);
        EXPECT_EQ(std::string(static_cast<char*>(image), size), expected);
        ManagedFree(image);
    }
    void* image = nullptr;
    int size = 0;
    EXPECT_EQ(BuildWaveImage(&image, &size, "x", -1, "y", 1), -1);
    EXPECT_EQ(BuildWaveImage(&image, &size, "x", 1, "y", 0x7FFFFFF0), -1);
}

TEST_F(SoundConverter, LoadsAWholeStream)
{
    const std::string bytes = counting_bytes(5000, 3);
    source s(bytes);
    std::vector<char> skip(100);
    s.ref()->ops.read(skip.data(), 1, 100, s.ref()->data);  // the image starts at 0 anyway
    void* image = nullptr;
    int size = 0;
    ASSERT_EQ(LoadStreamImage(s.ref(), &image, &size), 0);
    EXPECT_EQ(size, 5000);
    EXPECT_EQ(std::string(static_cast<char*>(image), size), bytes);
    ManagedFree(image);

    OpenLogFile();
    const int blocks = live_blocks();
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(LoadStreamImage(s.ref(), &image, &size), -1);
    EXPECT_NE(read().find("ストリームの読み込みに必要なメモリの確保に失敗しました\r\n"), std::string::npos);
    EXPECT_EQ(live_blocks(), blocks);
}

// ---- allocation failures ----

TEST_F(SoundConverter, EveryFailedAllocationOfTheSetUpLeavesNothing)
{
    source s(pcm_wav(pcm16_fields(2, 1000), counting_bytes(400)));
    const int blocks = live_blocks();
    int passing = 0;
    for (;; ++passing) {
        SCOPED_TRACE(passing);
        ASSERT_LT(passing, 20);
        std::memset(&conv, 0, sizeof conv);
        media::core::fail_heap_requests_after(passing, 1);
        if (OpenSoundConverter(&conv, s.ref()) == 0)
            break;
        EXPECT_EQ(conv.initialised, 0);
        EXPECT_EQ(live_blocks(), blocks);
    }
    media::core::fail_next_heap_requests(0);
    EXPECT_GE(passing, 2);  // the format block and the work buffer at least
    EXPECT_EQ(read_all(), counting_bytes(400));
}

TEST_F(SoundConverter, DecodingWithoutMemoryLeavesTheConverterAsItWas)
{
    const std::string data = counting_bytes(4000);
    source s(pcm_wav(pcm16_fields(2, 1000), data));
    ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), 0);
    std::vector<char> buffer(1000);
    ASSERT_EQ(ReadSoundConverter(&conv, buffer.data(), 1000), 1000);
    SOUNDCONV before;
    std::memcpy(&before, &conv, sizeof conv);
    const int position = s.position();
    void* pcm = nullptr;
    int size = 0;
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(DecodeWholeSound(&conv, nullptr, &pcm, &size), -1);
    EXPECT_EQ(std::memcmp(&before, &conv, sizeof conv), 0);
    EXPECT_EQ(s.position(), position);
    EXPECT_EQ(read_all(), data.substr(1000));
}

// ---- malformed files ----

TEST_F(SoundConverter, MalformedFiles)
{
    const std::string format = wave_format(pcm16_fields(2, 44100));
    const std::string data = counting_bytes(40);
    struct row {
        const char* name;
        std::string file;
        int result;
        int pcm_size;
    };
    const row rows[] = {
        {"empty", "", -1, 0},
        {"RIFF only", "RIFF", -1, 0},
        {"RIFF header only", std::string("RIFF\4\0\0\0", 8), -1, 0},
        {"WAVE missing", riff_file({chunk("fmt ", format), chunk("data", data)}, "AVI "), -1, 0},
        {"WAVE and nothing", riff_file({}), -1, 0},
        {"header cut short", riff_file({chunk("fmt ", format)}) + "data\x28", -1, 0},
        {"fmt body cut short", riff_file({chunk_claiming("fmt ", 18, format.substr(0, 10))}), -1, 0},
        {"fmt running past the end", riff_file({chunk_claiming("fmt ", 100, format)}), -1, 0},
        {"bext running past the end", riff_file({chunk_claiming("bext", 500, "x"), chunk("fmt ", format)}), -1, 0},
        {"chunk running past the end", riff_file({chunk("fmt ", format), chunk_claiming("LIST", 30, "abc")}), -1, 0},
        {"data running past the end", riff_file({chunk("fmt ", format), chunk_claiming("data", 400, data)}), 0, 40},
        {"data header as the last 8 bytes", riff_file({chunk("fmt ", format), chunk_claiming("data", 16, "")}), 0, 0},
        {"bext of 0xFFFFFFFF",
         riff_file({chunk_claiming("bext", 0xFFFFFFFF, ""), chunk("fmt ", format), chunk("data", data)}), -1, 0},
        {"bext of 0xFFFFFFF4",
         riff_file({chunk_claiming("bext", 0xFFFFFFF4, ""), chunk("fmt ", format), chunk("data", data)}), -1, 0},
        {"fmt of 0xFFFFFFFF", riff_file({chunk_claiming("fmt ", 0xFFFFFFFF, format), chunk("data", data)}), -1, 0},
        {"chunk of 0xFFFFFFFF",
         riff_file({chunk("fmt ", format), chunk_claiming("LIST", 0xFFFFFFFF, ""), chunk("data", data)}), -1, 0},
        {"chunk of 0xFFFFFFF0",
         riff_file({chunk("fmt ", format), chunk_claiming("LIST", 0xFFFFFFF0, ""), chunk("data", data)}), -1, 0},
        {"data of 0xFFFFFFFF", riff_file({chunk("fmt ", format), chunk_claiming("data", 0xFFFFFFFF, data)}), 0, 40},
        {"data of 0x80000000", riff_file({chunk("fmt ", format), chunk_claiming("data", 0x80000000, data)}), 0, 40},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        source s(r.file);
        const int blocks = live_blocks();
        std::memset(&conv, 0, sizeof conv);
        ASSERT_EQ(OpenSoundConverter(&conv, s.ref()), r.result);
        if (r.result == 0) {
            EXPECT_EQ(GetSoundConverterPcmSize(&conv), r.pcm_size);
            EXPECT_EQ(read_all(), data.substr(0, r.pcm_size));
            void* pcm = nullptr;
            int size = -1;
            ASSERT_EQ(DecodeWholeSound(&conv, nullptr, &pcm, &size), 0);
            EXPECT_EQ(std::string(static_cast<char*>(pcm), size), data.substr(0, r.pcm_size));
            ManagedFree(pcm);
            EXPECT_EQ(CloseSoundConverter(&conv), 0);
        }
        EXPECT_EQ(live_blocks(), blocks);
    }
}

}  // namespace
