// Lays out RIFF files in memory from a list of chunks, each with its own
// size field (true or not), body and pad byte (or none), so a malformed
// header is one row of a table. Also the bodies of wave-format chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace support {

struct riff_chunk {
    std::string id;      // four characters
    std::uint32_t size;  // the size field as written
    std::string body;
    bool pad = true;  // a zero byte after an odd-sized body
};

// A chunk whose size field is its body's length.
inline riff_chunk chunk(const std::string& id, const std::string& body, bool pad = true)
{
    return riff_chunk{id, static_cast<std::uint32_t>(body.size()), body, pad};
}

// A chunk whose size field says something else than its body.
inline riff_chunk chunk_claiming(const std::string& id, std::uint32_t size, const std::string& body)
{
    return riff_chunk{id, size, body, false};
}

inline void put_le(std::string& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline std::string chunk_bytes(const riff_chunk& c)
{
    std::string out = c.id;
    put_le(out, c.size, 4);
    out += c.body;
    if (c.pad && (c.body.size() & 1) != 0)
        out.push_back('\0');
    return out;
}

// "RIFF", the size of what follows, the form type, the chunks.
inline std::string riff_file(const std::vector<riff_chunk>& chunks, const std::string& form = "WAVE")
{
    std::string body = form;
    for (const riff_chunk& c : chunks)
        body += chunk_bytes(c);
    std::string out = "RIFF";
    put_le(out, static_cast<std::uint32_t>(body.size()), 4);
    return out + body;
}

struct wave_format_fields {
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint32_t bytes_per_second = 176400;
    std::uint16_t block_align = 4;
    std::uint16_t bits = 16;
    std::uint16_t extra = 0;  // cbSize
};

// A "fmt " body of length bytes: the 16 bytes of the fields, cbSize, then
// zeros (a length under 18 cuts the fields short).
inline std::string wave_format(const wave_format_fields& f, std::size_t length = 18)
{
    std::string out;
    put_le(out, f.tag, 2);
    put_le(out, f.channels, 2);
    put_le(out, f.rate, 4);
    put_le(out, f.bytes_per_second, 4);
    put_le(out, f.block_align, 2);
    put_le(out, f.bits, 2);
    put_le(out, f.extra, 2);
    out.resize(length, '\0');
    return out;
}

// 16-bit PCM fields.
inline wave_format_fields pcm16_fields(std::uint16_t channels, std::uint32_t rate)
{
    wave_format_fields f;
    f.channels = channels;
    f.rate = rate;
    f.block_align = static_cast<std::uint16_t>(2 * channels);
    f.bytes_per_second = rate * f.block_align;
    return f;
}

// n bytes counting up from first (mod 256), so any offset shows in the data.
inline std::string counting_bytes(std::size_t n, int first = 0)
{
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<char>((first + i) & 0xFF);
    return out;
}

}  // namespace support
