// Writes small Ogg Theora movies in memory for the decoder's tests: frames
// of known gradients, keyframes forced at a fixed distance, any of the three
// chroma layouts, and optionally a Vorbis stream muxed page by page in time
// order with its beginning page first.
#pragma once

#include <theora/theoraenc.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace support {

struct theora_movie_options {
    th_pixel_fmt format = TH_PF_420;
    int frames = 16;
    int frame_width = 64, frame_height = 48;
    int picture_width = 60, picture_height = 40;
    int fps = 8;
    int keyframe_every = 4;
    bool theora = true;         // false: a Vorbis-only file
    bool vorbis = false;        // a Vorbis stream beside the video
    bool vorbis_first = true;   // its beginning page before the video's
    bool page_per_frame = true; // else pages of several frames, as the library gathers them
};

// The gradient samples of frame n: luma across and down, chroma each its own way.
inline int gradient_y(int x, int y, int n) { return 16 + (x * 2 + y * 3 + n * 5) % 200; }
inline int gradient_u(int x, int, int n) { return 64 + (x * 3 + n * 2) % 128; }
inline int gradient_v(int, int y, int n) { return 192 - (y * 3 + n * 3) % 128; }

namespace detail {

struct timed_page {
    double time;  // -1 for the header pages
    std::string bytes;
};

inline std::string page_bytes(const ogg_page& page)
{
    std::string out(reinterpret_cast<const char*>(page.header), page.header_len);
    out.append(reinterpret_cast<const char*>(page.body), page.body_len);
    return out;
}

inline std::vector<timed_page> theora_pages(const theora_movie_options& o)
{
    std::vector<timed_page> pages;
    th_info info;
    th_info_init(&info);
    info.frame_width = o.frame_width;
    info.frame_height = o.frame_height;
    info.pic_width = o.picture_width;
    info.pic_height = o.picture_height;
    info.pic_x = 0;
    info.pic_y = 0;
    info.fps_numerator = o.fps;
    info.fps_denominator = 1;
    info.aspect_numerator = 1;
    info.aspect_denominator = 1;
    info.colorspace = TH_CS_UNSPECIFIED;
    info.pixel_fmt = o.format;
    info.target_bitrate = 0;
    info.quality = 48;
    th_enc_ctx* encoder = th_encode_alloc(&info);
    ogg_uint32_t distance = static_cast<ogg_uint32_t>(o.keyframe_every);
    th_encode_ctl(encoder, TH_ENCCTL_SET_KEYFRAME_FREQUENCY_FORCE, &distance, sizeof distance);

    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x7407);
    th_comment comment;
    th_comment_init(&comment);
    ogg_packet packet;
    ogg_page page;
    bool first = true;
    while (th_encode_flushheader(encoder, &comment, &packet) > 0) {
        ogg_stream_packetin(&stream, &packet);
        if (first) {  // the beginning page holds the first header alone
            while (ogg_stream_flush(&stream, &page))
                pages.push_back({-1, page_bytes(page)});
            first = false;
        }
    }
    while (ogg_stream_flush(&stream, &page))
        pages.push_back({-1, page_bytes(page)});

    const int cw = o.format == TH_PF_444 ? o.frame_width : o.frame_width / 2;
    const int ch = o.format == TH_PF_420 ? o.frame_height / 2 : o.frame_height;
    std::vector<unsigned char> y(o.frame_width * o.frame_height), u(cw * ch), v(cw * ch);
    double last_time = 0;
    for (int n = 0; n < o.frames; ++n) {
        for (int row = 0; row < o.frame_height; ++row)
            for (int col = 0; col < o.frame_width; ++col)
                y[row * o.frame_width + col] = static_cast<unsigned char>(gradient_y(col, row, n));
        // chroma sampled at the luma position it covers
        for (int row = 0; row < ch; ++row)
            for (int col = 0; col < cw; ++col) {
                const int lx = col * o.frame_width / cw, ly = row * o.frame_height / ch;
                u[row * cw + col] = static_cast<unsigned char>(gradient_u(lx, ly, n));
                v[row * cw + col] = static_cast<unsigned char>(gradient_v(lx, ly, n));
            }
        th_ycbcr_buffer buffer;
        buffer[0] = {o.frame_width, o.frame_height, o.frame_width, y.data()};
        buffer[1] = {cw, ch, cw, u.data()};
        buffer[2] = {cw, ch, cw, v.data()};
        th_encode_ycbcr_in(encoder, buffer);
        while (th_encode_packetout(encoder, n == o.frames - 1, &packet) > 0)
            ogg_stream_packetin(&stream, &packet);
        while (o.page_per_frame ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
            const ogg_int64_t granule = ogg_page_granulepos(&page);
            if (granule >= 0)
                last_time = static_cast<double>(th_granule_frame(encoder, granule)) / o.fps;
            pages.push_back({last_time, page_bytes(page)});
        }
    }
    while (ogg_stream_flush(&stream, &page)) {
        const ogg_int64_t granule = ogg_page_granulepos(&page);
        if (granule >= 0)
            last_time = static_cast<double>(th_granule_frame(encoder, granule)) / o.fps;
        pages.push_back({last_time, page_bytes(page)});
    }
    ogg_stream_clear(&stream);
    th_comment_clear(&comment);
    th_encode_free(encoder);
    th_info_clear(&info);
    return pages;
}

// Two seconds of a mono tone, a page flushed every few blocks so the audio
// spans several pages.
inline std::vector<timed_page> vorbis_pages(double seconds)
{
    std::vector<timed_page> pages;
    const int rate = 22050;
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, 1, rate, 0.1f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x5a5a);
    ogg_packet header, header_comment, header_code;
    vorbis_analysis_headerout(&dsp, &comment, &header, &header_comment, &header_code);
    ogg_page page;
    ogg_stream_packetin(&stream, &header);
    while (ogg_stream_flush(&stream, &page))
        pages.push_back({-1, page_bytes(page)});
    ogg_stream_packetin(&stream, &header_comment);
    ogg_stream_packetin(&stream, &header_code);
    while (ogg_stream_flush(&stream, &page))
        pages.push_back({-1, page_bytes(page)});

    const int total = static_cast<int>(seconds * rate), chunk = 2048;
    int written = 0, chunks = 0;
    bool ended = false;
    while (!ended) {
        const int n = std::min(chunk, total - written);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, n);
            for (int i = 0; i < n; ++i)
                buffer[0][i] = 0.25f * static_cast<float>(std::sin((written + i) * 2 * 3.14159265 * 440 / rate));
            written += n;
        }
        vorbis_analysis_wrote(&dsp, n > 0 ? n : 0);
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                ended = ended || packet.e_o_s;
            }
        }
        if (++chunks % 4 == 0 || ended || n <= 0) {
            while (ogg_stream_flush(&stream, &page)) {
                const double time = ogg_page_granulepos(&page) >= 0 ? static_cast<double>(ogg_page_granulepos(&page)) / rate : 0;
                pages.push_back({time, page_bytes(page)});
            }
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return pages;
}

}  // namespace detail

// The whole file: the beginning pages, the other header pages, then the
// data pages of both streams in time order.
inline std::string write_theora_movie(const theora_movie_options& o = {})
{
    std::vector<detail::timed_page> video, audio;
    if (o.theora)
        video = detail::theora_pages(o);
    if (o.vorbis)
        audio = detail::vorbis_pages(std::max(2.0, static_cast<double>(o.frames) / o.fps));
    std::vector<detail::timed_page>& first = o.vorbis_first ? audio : video;
    std::vector<detail::timed_page>& second = o.vorbis_first ? video : audio;
    std::string out;
    std::size_t a = 0, b = 0;
    if (a < first.size())
        out += first[a++].bytes;   // beginning pages
    if (b < second.size())
        out += second[b++].bytes;
    while (a < first.size() && first[a].time < 0)
        out += first[a++].bytes;
    while (b < second.size() && second[b].time < 0)
        out += second[b++].bytes;
    while (a < first.size() || b < second.size()) {
        if (b == second.size() || (a < first.size() && first[a].time <= second[b].time))
            out += first[a++].bytes;
        else
            out += second[b++].bytes;
    }
    return out;
}

// The byte offsets at which the file's pages begin, and its end.
inline std::vector<std::size_t> page_starts(const std::string& file)
{
    std::vector<std::size_t> starts;
    std::size_t at = 0;
    while (at + 27 <= file.size() && file.compare(at, 4, "OggS") == 0) {
        starts.push_back(at);
        const unsigned segments = static_cast<unsigned char>(file[at + 26]);
        std::size_t body = 0;
        for (unsigned i = 0; i < segments && at + 27 + i < file.size(); ++i)
            body += static_cast<unsigned char>(file[at + 27 + i]);
        at += 27 + segments + body;
    }
    starts.push_back(file.size());
    return starts;
}

}  // namespace support
