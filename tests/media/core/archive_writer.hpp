// A small archive writer for the tests: a folder tree of entries, stored as
// is or packed, laid out as header, entry data, head block, then keyed with
// the built-in key. Written apart from the reader: it shares only the key.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "media/core/archive.hpp"

namespace archive_test {

struct node {
    std::string name;
    bool folder = false;
    std::string data;     // the entry's bytes (files)
    bool packed = false;  // stored packed (version 2 and later)
    std::uint64_t created = 0, accessed = 0, written = 0;  // FILETIMEs
    std::vector<node> children;
};

inline node file(const std::string& name, const std::string& data, bool packed = false)
{
    node n;
    n.name = name;
    n.data = data;
    n.packed = packed;
    return n;
}

inline node folder(const std::string& name, std::vector<node> children)
{
    node n;
    n.name = name;
    n.folder = true;
    n.children = std::move(children);
    return n;
}

inline void put16(std::string& out, std::uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

inline void put32(std::string& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline void set32(std::string& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// What a pack used, so a test can see every kind of code was written.
struct pack_census {
    std::size_t literals = 0, escaped_escapes = 0, extended_lengths = 0;
    std::size_t distances[4] = {};  // by distance code: 1, 2 or 3 bytes, or the repeated distance
};

// Packs with a greedy matcher: at each position the longest match among the
// repeated distance and up to 32 earlier positions of the same 4 bytes (the
// repeated distance wins a tie), taken when it is 4 bytes or more, else a
// literal. The escape is the least frequent byte (the lowest of a tie), so
// the output depends on the data alone.
inline std::string pack(const std::string& data, pack_census* census = nullptr)
{
    pack_census local;
    pack_census& count = census != nullptr ? *census : local;
    const auto* d = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t n = data.size();
    std::size_t frequency[256] = {};
    for (std::size_t i = 0; i < n; ++i) ++frequency[d[i]];
    unsigned escape = 0;
    for (unsigned b = 1; b < 256; ++b)
        if (frequency[b] < frequency[escape])
            escape = b;

    constexpr std::size_t min_match = 4, max_match = 4 + 8191, window = std::size_t{1} << 24, chain = 32;
    constexpr int hash_bits = 16;
    std::vector<std::int64_t> head(std::size_t{1} << hash_bits, -1), earlier(n, -1);
    const auto hash = [d](std::size_t i) {
        const std::uint32_t v = d[i] | (d[i + 1] << 8) | (d[i + 2] << 16) | (static_cast<std::uint32_t>(d[i + 3]) << 24);
        return (v * 2654435761u) >> (32 - hash_bits);
    };
    const auto insert = [&](std::size_t i) {
        if (i + min_match <= n) {
            const std::uint32_t h = hash(i);
            earlier[i] = head[h];
            head[h] = static_cast<std::int64_t>(i);
        }
    };
    const auto match_length = [&](std::size_t at, std::size_t from) {
        const std::size_t limit = std::min(max_match, n - at);
        std::size_t length = 0;
        while (length < limit && d[from + length] == d[at + length]) ++length;
        return length;
    };

    std::string body;
    std::size_t previous = 0;  // the last distance written; 0 before the first
    for (std::size_t i = 0; i < n;) {
        std::size_t best = 0, distance = 0;
        if (previous != 0 && previous <= i) {
            best = match_length(i, i - previous);
            distance = previous;
        }
        if (i + min_match <= n) {
            std::int64_t candidate = head[hash(i)];
            for (std::size_t k = 0; candidate >= 0 && k < chain && i - static_cast<std::size_t>(candidate) <= window;
                 ++k, candidate = earlier[static_cast<std::size_t>(candidate)]) {
                const std::size_t length = match_length(i, static_cast<std::size_t>(candidate));
                if (length > best) {
                    best = length;
                    distance = i - static_cast<std::size_t>(candidate);
                }
            }
        }
        if (best < min_match) {
            body += static_cast<char>(d[i]);
            if (d[i] == escape) {
                body += static_cast<char>(escape);
                ++count.escaped_escapes;
            } else {
                ++count.literals;
            }
            insert(i);
            ++i;
            continue;
        }
        const std::size_t length = best - min_match;
        unsigned kind = distance == previous ? 3 : distance <= 0x100 ? 0 : distance <= 0x10000 ? 1 : 2;
        unsigned code = static_cast<unsigned>((length & 0x1F) << 3) | (length > 0x1F ? 4u : 0u);
        if ((code | kind) == 0xFF)  // code 255 has no escaped form: spell the distance out
            kind = distance <= 0x100 ? 0 : distance <= 0x10000 ? 1 : 2;
        code |= kind;
        body += static_cast<char>(escape);
        body += static_cast<char>(code >= escape ? code + 1 : code);
        if (length > 0x1F) {
            body += static_cast<char>(length >> 5);
            ++count.extended_lengths;
        }
        const std::size_t raw = distance - 1;
        for (unsigned b = 0; kind != 3 && b <= kind; ++b) body += static_cast<char>((raw >> (8 * b)) & 0xFF);
        ++count.distances[kind];
        for (std::size_t k = 0; k < best; ++k) insert(i + k);
        previous = distance;
        i += best;
    }
    std::string out;
    put32(out, static_cast<std::uint32_t>(n));
    put32(out, static_cast<std::uint32_t>(body.size() + 9));
    out += static_cast<char>(escape);
    return out + body;
}

// Seeded sample data for packing: text-like (words from a small vocabulary
// with punctuation and line breaks) and image-like (BGRA rows of smooth
// gradients with flat patches and a little noise).
inline std::string text_like(std::size_t bytes, std::uint32_t seed)
{
    static const char* const words[] = {"the", "folder", "tag", "of", "archive", "and", "a", "picture", "window",
                                        "search", "entry", "to", "in", "script", "file", "with", "name", "draw"};
    std::string out;
    std::size_t line = 0;
    while (out.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        const std::uint32_t r = seed >> 8;
        out += words[r % (sizeof words / sizeof *words)];
        line += 1;
        out += (r >> 8) % 13 == 0 ? ". " : (r >> 8) % 7 == 0 ? ", " : " ";
        if (line % 11 == 0)
            out += "\n";
    }
    out.resize(bytes);
    return out;
}

inline std::string image_like(std::size_t bytes, std::uint32_t seed, std::size_t width = 512)
{
    std::string out(bytes, '\0');
    const std::size_t stride = width * 4;
    for (std::size_t i = 0; i < bytes; ++i) {
        const std::size_t x = (i % stride) / 4, y = i / stride, channel = i % 4;
        seed = seed * 1103515245u + 12345u;
        const bool flat = ((x / 64) + (y / 48)) % 3 == 0;
        unsigned v = channel == 3 ? 255u
                     : flat       ? 40u * static_cast<unsigned>(channel + 1)
                                  : static_cast<unsigned>((x * (channel + 1) + y * 2) & 0xFF);
        if (!flat && channel != 3 && (seed >> 16) % 8 == 0)
            v ^= (seed >> 24) & 3;  // a little noise
        out[i] = static_cast<char>(v);
    }
    return out;
}

// The archive's plain bytes (not keyed).
inline std::string plain_archive(const node& root, int version = 2)
{
    const std::uint32_t record = version >= 2 ? 44 : 40;
    std::vector<const node*> folders{&root};
    std::vector<std::uint32_t> parents{0xFFFFFFFF};
    for (std::size_t i = 0; i < folders.size(); ++i)
        for (const node& child : folders[i]->children)
            if (child.folder) {
                folders.push_back(&child);
                parents.push_back(static_cast<std::uint32_t>(i * 16));
            }
    std::string names, files, dirs, data;
    std::uint32_t next_folder = 1;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::uint32_t first = static_cast<std::uint32_t>(files.size());
        for (const node& child : folders[i]->children) {
            const std::uint32_t name_offset = static_cast<std::uint32_t>(names.size());
            std::string search;
            for (std::size_t k = 0; k < child.name.size(); ++k) {
                const unsigned char c = static_cast<unsigned char>(child.name[k]);
                if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && k + 1 < child.name.size()) {
                    search += child.name.substr(k, 2);  // a double-byte character stays as it is
                    ++k;
                } else {
                    search += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : static_cast<char>(c);
                }
            }
            const std::size_t words = (search.size() + 4) / 4;
            std::uint32_t check = 0;
            for (unsigned char c : search) check += c;
            search.resize(words * 4, '\0');
            put16(names, static_cast<std::uint32_t>(words));
            put16(names, check & 0xFFFF);
            names += search + child.name + '\0';
            while (names.size() % 4 != 0) names += '\0';

            put32(files, name_offset);
            put32(files, child.folder ? 0x10 : 0x20);
            for (std::uint64_t t : {child.created, child.accessed, child.written}) {
                put32(files, static_cast<std::uint32_t>(t));
                put32(files, static_cast<std::uint32_t>(t >> 32));
            }
            if (child.folder) {
                put32(files, 16 * next_folder++);
                put32(files, 0);
                if (version >= 2)
                    put32(files, 0xFFFFFFFF);
            } else {
                put32(files, static_cast<std::uint32_t>(data.size()));
                put32(files, static_cast<std::uint32_t>(child.data.size()));
                if (version >= 2) {
                    if (child.packed) {
                        const std::string packed = pack(child.data);
                        put32(files, static_cast<std::uint32_t>(packed.size()));
                        data += packed;
                    } else {
                        put32(files, 0xFFFFFFFF);
                        data += child.data;
                    }
                } else {
                    data += child.data;
                }
            }
        }
        put32(dirs, 0);
        put32(dirs, parents[i]);
        put32(dirs, static_cast<std::uint32_t>(folders[i]->children.size()));
        put32(dirs, first);
    }
    (void)record;
    const std::string head = names + files + dirs;
    std::string out;
    put16(out, 0x5844);
    put16(out, static_cast<std::uint32_t>(version));
    put32(out, static_cast<std::uint32_t>(head.size()));
    put32(out, 24);  // data address
    put32(out, static_cast<std::uint32_t>(24 + data.size()));
    put32(out, static_cast<std::uint32_t>(names.size()));
    put32(out, static_cast<std::uint32_t>(names.size() + files.size()));
    return out + data + head;
}

inline std::string keyed(std::string bytes, const unsigned char* key)
{
    ApplyArchiveKey(static_cast<int>(bytes.size()), bytes.data(), 0, key);
    return bytes;
}

inline std::string keyed(std::string bytes)
{
    unsigned char key[ARCHIVE_KEY_SIZE];
    BuildArchiveKey(nullptr, key);
    return keyed(std::move(bytes), key);
}

// Header fields of a plain archive, to damage.
constexpr std::size_t head_size_at = 4, head_address_at = 12, file_table_at = 16, directory_table_at = 20;

inline std::uint32_t get32(const std::string& s, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
    return v;
}

}  // namespace archive_test
