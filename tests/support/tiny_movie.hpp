// A tiny movie written by the codec libraries' own encoders: 32x24 pictures
// at 25 per second (bright upper half, dark lower half), a key picture every
// 5, and optionally mono 16-bit sound at 8000 Hz (320 frames a picture,
// frame n holding tiny_movie_sound(n)).
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <string>

namespace support {

inline constexpr int tiny_movie_width = 32, tiny_movie_height = 24;
inline constexpr int tiny_movie_sound_per_picture = 320;

inline std::int16_t tiny_movie_sound(int n) { return std::int16_t((n * 97) % 20000 - 10000); }

namespace detail {

inline bool drain(AVFormatContext* fmt, AVCodecContext* enc, AVStream* stream, AVFrame* frame)
{
    if (avcodec_send_frame(enc, frame) < 0)
        return false;
    AVPacket* packet = av_packet_alloc();
    bool ok = packet != nullptr;
    while (ok && avcodec_receive_packet(enc, packet) == 0) {
        av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
        packet->stream_index = stream->index;
        ok = av_interleaved_write_frame(fmt, packet) >= 0;
    }
    av_packet_free(&packet);
    return ok;
}

}  // namespace detail

// Writes the movie as AVI; false when a step fails.
inline bool make_tiny_movie(const std::string& path, int pictures, bool with_sound)
{
    AVFormatContext* fmt = nullptr;
    if (avformat_alloc_output_context2(&fmt, nullptr, "avi", path.c_str()) < 0)
        return false;
    bool ok = true;
    AVCodecContext* video = avcodec_alloc_context3(avcodec_find_encoder(AV_CODEC_ID_MPEG4));
    AVCodecContext* sound = with_sound ? avcodec_alloc_context3(avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE)) : nullptr;
    AVStream* vs = avformat_new_stream(fmt, nullptr);
    AVStream* as = with_sound ? avformat_new_stream(fmt, nullptr) : nullptr;
    AVFrame* frame = av_frame_alloc();
    ok = video && vs && frame && (!with_sound || (sound && as));
    if (ok) {
        video->width = tiny_movie_width;
        video->height = tiny_movie_height;
        video->pix_fmt = AV_PIX_FMT_YUV420P;
        video->time_base = AVRational{1, 25};
        video->framerate = AVRational{25, 1};
        video->gop_size = 5;
        video->max_b_frames = 0;
        video->bit_rate = 800000;
        if (fmt->oformat->flags & AVFMT_GLOBALHEADER)
            video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        ok = avcodec_open2(video, video->codec, nullptr) >= 0 &&
             avcodec_parameters_from_context(vs->codecpar, video) >= 0;
        vs->time_base = video->time_base;
    }
    if (ok && with_sound) {
        sound->sample_rate = 8000;
        sound->sample_fmt = AV_SAMPLE_FMT_S16;
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        av_channel_layout_copy(&sound->ch_layout, &mono);
        sound->time_base = AVRational{1, 8000};
        ok = avcodec_open2(sound, sound->codec, nullptr) >= 0 &&
             avcodec_parameters_from_context(as->codecpar, sound) >= 0;
        as->time_base = sound->time_base;
    }
    ok = ok && avio_open(&fmt->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(fmt, nullptr) >= 0;
    for (int i = 0; ok && i < pictures; ++i) {
        av_frame_unref(frame);
        frame->width = tiny_movie_width;
        frame->height = tiny_movie_height;
        frame->format = AV_PIX_FMT_YUV420P;
        ok = av_frame_get_buffer(frame, 0) >= 0;
        if (!ok)
            break;
        for (int y = 0; y < tiny_movie_height; ++y)
            for (int x = 0; x < tiny_movie_width; ++x)
                frame->data[0][y * frame->linesize[0] + x] = y < tiny_movie_height / 2 ? 200 : 50;
        for (int p = 1; p < 3; ++p)
            for (int y = 0; y < tiny_movie_height / 2; ++y)
                for (int x = 0; x < tiny_movie_width / 2; ++x)
                    frame->data[p][y * frame->linesize[p] + x] = 128;
        frame->pts = i;
        ok = detail::drain(fmt, video, vs, frame);
        if (ok && with_sound) {
            av_frame_unref(frame);
            frame->nb_samples = tiny_movie_sound_per_picture;
            frame->format = AV_SAMPLE_FMT_S16;
            frame->sample_rate = 8000;
            AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
            av_channel_layout_copy(&frame->ch_layout, &mono);
            ok = av_frame_get_buffer(frame, 0) >= 0;
            if (!ok)
                break;
            auto* samples = reinterpret_cast<std::int16_t*>(frame->data[0]);
            for (int n = 0; n < tiny_movie_sound_per_picture; ++n)
                samples[n] = tiny_movie_sound(i * tiny_movie_sound_per_picture + n);
            frame->pts = i * tiny_movie_sound_per_picture;
            ok = detail::drain(fmt, sound, as, frame);
        }
    }
    if (ok)
        ok = detail::drain(fmt, video, vs, nullptr) && (!with_sound || detail::drain(fmt, sound, as, nullptr));
    if (ok)
        ok = av_write_trailer(fmt) >= 0;
    av_frame_free(&frame);
    avcodec_free_context(&video);
    avcodec_free_context(&sound);
    if (fmt->pb)
        avio_closep(&fmt->pb);
    avformat_free_context(fmt);
    return ok;
}

}  // namespace support
