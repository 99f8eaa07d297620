// A small archive writer for the tests: a folder tree of entries, stored as
// is or packed, laid out as header, entry data, head block, then keyed with
// the built-in key. Written apart from the reader: it shares only the key.
#pragma once

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

// Packs with runs only: a byte, then a reference of distance 1 for the rest
// of a run of 5 or more; the escape byte is 0xFE (doubled when literal).
inline std::string pack(const std::string& data)
{
    const unsigned char escape = 0xFE;
    std::string body;
    for (std::size_t i = 0; i < data.size();) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        std::size_t run = 1;
        while (i + run < data.size() && data[i + run] == data[i] && run < 4000) ++run;
        body += static_cast<char>(c);
        if (c == escape)
            body += static_cast<char>(escape);
        if (run >= 5) {
            const std::size_t length = run - 1 - 4;
            unsigned code = static_cast<unsigned>((length & 0x1F) << 3);
            if (length > 0x1F)
                code |= 4;
            body += static_cast<char>(escape);
            body += static_cast<char>(code >= escape ? code + 1 : code);
            if (length > 0x1F)
                body += static_cast<char>(length >> 5);
            body += '\0';  // distance 1
            i += run;
        } else {
            i += 1;
        }
    }
    std::string out;
    put32(out, static_cast<std::uint32_t>(data.size()));
    put32(out, static_cast<std::uint32_t>(body.size() + 9));
    out += static_cast<char>(escape);
    return out + body;
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
            for (int t = 0; t < 6; ++t) put32(files, 0);
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
