// Splits an Ogg file's Theora stream for a plain decode through the library:
// its set-up from the three header packets and its data packets in order.
// The first stream whose first packet is a Theora header is taken; the
// others (a Vorbis stream) are skipped.
#pragma once

#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include <cstring>
#include <string>
#include <vector>

namespace support {

struct theora_packets {
    th_info info;
    th_comment comment;
    th_setup_info* setup = nullptr;
    int headers = 0;  // 3 when the set-up is complete
    std::vector<std::vector<unsigned char>> packets;

    explicit theora_packets(const std::string& file)
    {
        th_info_init(&info);
        th_comment_init(&comment);
        ogg_sync_state sync;
        ogg_sync_init(&sync);
        char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
        std::memcpy(buffer, file.data(), file.size());
        ogg_sync_wrote(&sync, static_cast<long>(file.size()));
        ogg_stream_state stream;
        bool have_stream = false;
        ogg_page page;
        while (ogg_sync_pageout(&sync, &page) > 0) {
            if (ogg_page_bos(&page) && !have_stream) {
                ogg_stream_state probe;
                ogg_stream_init(&probe, ogg_page_serialno(&page));
                ogg_stream_pagein(&probe, &page);
                ogg_packet first;
                if (ogg_stream_packetout(&probe, &first) == 1 && th_decode_headerin(&info, &comment, &setup, &first) > 0) {
                    stream = probe;
                    have_stream = true;
                    headers = 1;
                } else {
                    ogg_stream_clear(&probe);
                }
                continue;
            }
            if (!have_stream || ogg_stream_pagein(&stream, &page) != 0)
                continue;
            ogg_packet packet;
            while (ogg_stream_packetout(&stream, &packet) > 0) {
                if (headers < 3) {
                    if (th_decode_headerin(&info, &comment, &setup, &packet) > 0)
                        ++headers;
                    continue;
                }
                packets.emplace_back(packet.packet, packet.packet + packet.bytes);
            }
        }
        if (have_stream)
            ogg_stream_clear(&stream);
        ogg_sync_clear(&sync);
    }
    ~theora_packets()
    {
        th_setup_free(setup);
        th_comment_clear(&comment);
        th_info_clear(&info);
    }
    theora_packets(const theora_packets&) = delete;
    theora_packets& operator=(const theora_packets&) = delete;

    // A decoder for the stream, or null when its set-up is incomplete.
    th_dec_ctx* decoder() const { return headers == 3 ? th_decode_alloc(&info, setup) : nullptr; }

    // Data packet k as the decoder takes it.
    ogg_packet packet(std::size_t k)
    {
        ogg_packet p{};
        p.packet = packets[k].data();
        p.bytes = static_cast<long>(packets[k].size());
        p.granulepos = -1;
        return p;
    }
};

}  // namespace support
