// Ogg Theora movies: the open that reads the headers and scans the file into
// a page index and keyframe flags, the decode thread that keeps a stock of
// frames around the current one, and the owner's moves and conversions.
#include "media/sound/theora.hpp"

#include <cassert>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

#include "media/core/alloc.hpp"
#include "media/core/log.hpp"
#include "media/sound/internal.hpp"

using media::snd::THEORA_FRAMESLOT;
using media::snd::THEORA_PAGEINDEX;
using namespace media::snd;

namespace {

constexpr int READ_CHUNK = 4096;
constexpr int INDEX_STEP = 1000;

const char* const MSG_RECORD = "Theora ムービーデコード処理用のメモリ確保に失敗しました\n";
const char* const MSG_THREAD = "Theora ムービーデコード用スレッドの作成に失敗しました\n";
const char* const MSG_INDEX = "Theora ページ情報格納用メモリの確保に失敗しました\n";
const char* const MSG_KEYFRAMES = "Theora キーフレーム情報格納用メモリの確保に失敗しました\n";
const char* const MSG_IMAGE = "Theora ムービーデコードフレームストック用画像バッファの確保に失敗しました\n";
const char* const MSG_SLOTS = "Theora ムービーデコードフレームストック用のメモリ確保に失敗しました\n";

// A yield between passes, and the longer wait while held or at the end of
// the data; neither side burns a core while it polls.
void pause_short()
{
    std::this_thread::sleep_for(std::chrono::microseconds(50));
}

void pause_long()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Up to bytes more of the stream into the sync layer; 0 at the end.
int read_data(THEORADECODER* d, int bytes)
{
    char* buffer = ogg_sync_buffer(&d->sync, bytes);
    if (!buffer)
        return 0;
    const int got = d->ops.read(buffer, 1, bytes, d->stream);
    if (got <= 0)
        return 0;
    ogg_sync_wrote(&d->sync, got);
    return got;
}

// ---- headers ----

// Finds the Theora stream among the beginning-of-stream pages and reads its
// three headers: 1, or -1.
int read_headers(THEORADECODER* d)
{
    bool searching = true;
    while (searching) {
        if (read_data(d, READ_CHUNK) == 0)
            break;
        int r;
        while (searching && (r = ogg_sync_pageout(&d->sync, &d->page)) != 0) {
            if (r < 0)
                continue;  // bytes skipped to the next page
            if (!ogg_page_bos(&d->page)) {
                // the first page that begins no stream ends the search
                if (d->video_open)
                    ogg_stream_pagein(&d->video, &d->page);
                searching = false;
                break;
            }
            ogg_stream_state test;
            ogg_stream_init(&test, ogg_page_serialno(&d->page));
            ogg_stream_pagein(&test, &d->page);
            ogg_packet first;
            if (ogg_stream_packetout(&test, &first) == 1 && theora_decode_header(&d->info, &d->comment, &first) >= 0) {
                d->video = test;
                d->video_open = 1;
                d->serial = ogg_page_serialno(&d->page);
                d->header_count = 1;
                searching = false;
            } else {
                ogg_stream_clear(&test);
            }
        }
    }
    if (!d->video_open)
        return LogWrite("End of file while searching for codec headers.\n");

    while (d->header_count < 3) {
        int r;
        while (d->header_count < 3 && (r = ogg_stream_packetout(&d->video, &d->packet)) != 0) {
            if (r < 0 || theora_decode_header(&d->info, &d->comment, &d->packet) < 0)
                return -1;
            ++d->header_count;
        }
        if (d->header_count == 3)
            break;
        if (ogg_sync_pageout(&d->sync, &d->page) > 0)
            ogg_stream_pagein(&d->video, &d->page);
        else if (read_data(d, READ_CHUNK) == 0)
            return LogWrite("End of file while searching for codec headers.\n");
    }
    return d->header_count > 0 ? 1 : -1;
}

// ---- the scan ----

// One more index entry: -1 when the index cannot grow.
int append_page(THEORADECODER* d, std::int32_t offset)
{
    if (d->page_count == d->page_capacity) {
        void* grown = ManagedRealloc(d->pages, static_cast<int>((d->page_capacity + INDEX_STEP) * sizeof(THEORA_PAGEINDEX)), "", 0);
        if (!grown)
            return LogWrite(MSG_INDEX);
        d->pages = static_cast<THEORA_PAGEINDEX*>(grown);
        d->page_capacity += INDEX_STEP;
    }
    d->pages[d->page_count++] = THEORA_PAGEINDEX{offset, static_cast<std::int32_t>(d->frame_count), 0, 0};
    return 0;
}

// Reads the whole file once: an index entry for each page after which a
// video packet completed, and one keyframe flag per video packet. -1 when
// the index or the flags cannot be had.
int scan_file(THEORADECODER* d)
{
    d->pages = static_cast<THEORA_PAGEINDEX*>(ManagedAlloc(INDEX_STEP * sizeof(THEORA_PAGEINDEX), "", 0));
    if (!d->pages)
        return LogWrite(MSG_INDEX);
    d->page_capacity = INDEX_STEP;
    d->keyframes = static_cast<std::uint8_t*>(ManagedAlloc(INDEX_STEP, "", 0));
    if (!d->keyframes)
        return LogWrite(MSG_KEYFRAMES);
    d->keyframe_capacity = INDEX_STEP;
    d->frame_count = 0;

    // the page seek counts skipped bytes too, so offsets stay exact in a
    // file with damaged or foreign bytes between pages
    std::int64_t offset = 0, page_start = 0;
    bool new_page = false;
    for (;;) {
        const int r = ogg_stream_packetout(&d->video, &d->packet);
        if (r == 0) {
            const long n = ogg_sync_pageseek(&d->sync, &d->page);
            if (n > 0) {
                page_start = offset;
                offset += n;
                new_page = true;
                ogg_stream_pagein(&d->video, &d->page);  // pages of other streams are refused here
            } else if (n < 0) {
                offset -= n;
            } else if (read_data(d, READ_CHUNK) == 0) {
                break;
            }
            continue;
        }
        if (r < 0)
            continue;  // a hole in the stream
        const int key = theora_packet_iskeyframe(&d->packet);
        if (key < 0)
            continue;  // a header packet
        if (d->frame_count >= INT32_MAX - 1 || page_start > INT32_MAX)
            break;  // beyond what the 32-bit index can name
        if (new_page) {
            if (append_page(d, static_cast<std::int32_t>(page_start)) < 0)
                return -1;
            new_page = false;
        }
        if (d->frame_count == d->keyframe_capacity) {
            void* grown = ManagedRealloc(d->keyframes, d->keyframe_capacity + INDEX_STEP, "", 0);
            if (!grown)
                return LogWrite(MSG_KEYFRAMES);
            d->keyframes = static_cast<std::uint8_t*>(grown);
            d->keyframe_capacity += INDEX_STEP;
        }
        THEORA_PAGEINDEX& last = d->pages[d->page_count - 1];
        d->keyframes[d->frame_count] = key > 0 ? 1 : 0;
        if (key > 0)
            last.keyframe = 1;
        ++d->frame_count;
        ++last.count;
    }
    if (d->page_count > 0)
        d->pages[0].offset = 0;
    return 0;
}

// ---- the thread's reading and decoding ----

// The next video packet into d->packet (header packets passed over): 1, or
// -1 at the end of the data.
int next_video_packet(THEORADECODER* d)
{
    for (;;) {
        const int r = ogg_stream_packetout(&d->video, &d->packet);
        if (r > 0) {
            if (theora_packet_iskeyframe(&d->packet) >= 0)
                return 1;
            continue;
        }
        if (r < 0)
            continue;
        if (ogg_sync_pageout(&d->sync, &d->page) > 0) {
            ogg_stream_pagein(&d->video, &d->page);
            continue;
        }
        if ((d->ops.at_end && d->ops.at_end(d->stream)) || read_data(d, READ_CHUNK) == 0)
            return -1;
    }
}

// Reads on until the decoder holds target (at or after the next packet).
// Unless every packet is to be fed, the packets before the last keyframe
// among the frames read never reach the decoder. -1 at the end of the data.
int decode_to(THEORADECODER* d, int target, bool feed_all)
{
    int first_fed = d->next_packet;
    if (!feed_all) {
        for (int f = target; f > d->next_packet; --f) {
            if (d->keyframes[f]) {
                first_fed = f;
                break;
            }
        }
    }
    while (d->next_packet <= target) {
        if (next_video_packet(d) < 0) {
            d->decode_position.store(d->next_packet - 1, std::memory_order_release);
            return -1;
        }
        if (d->next_packet >= first_fed)
            theora_decode_packetin(&d->decoder, &d->packet);
        ++d->next_packet;
    }
    d->holds_picture = 1;
    d->decode_position.store(target, std::memory_order_release);
    return 0;
}

// Restarts reading at a keyframe page at or before target and decodes up to
// target, feeding every packet from there: 0, -1 at the end of the data or
// when no page holds the target.
int reposition_to(THEORADECODER* d, int target)
{
    int i = 0;
    while (i < d->page_count && d->pages[i].first_frame + d->pages[i].count <= target)
        ++i;
    if (i == d->page_count)
        return -1;
    // back to a page before one with a keyframe, since the keyframe's
    // packet may have begun on the page before it
    if (i > 0) {
        --i;
        while (!d->pages[i].keyframe && i > 0)
            --i;
        if (i > 0)
            --i;
    }
    d->holds_picture = 0;
    ogg_sync_reset(&d->sync);
    ogg_stream_reset(&d->video);
    d->ops.seek(d->stream, d->pages[i].offset, 0);
    d->next_packet = d->pages[i].first_frame;
    if (i > 0) {
        for (;;) {
            if (ogg_sync_pageout(&d->sync, &d->page) > 0)
                break;
            if (read_data(d, READ_CHUNK) == 0)
                return -1;
        }
        // the packet finished on a continued page began before it; a fresh
        // stream drops it
        if (ogg_page_continued(&d->page))
            ++d->next_packet;
        ogg_stream_pagein(&d->video, &d->page);
    }
    if (d->next_packet > target)
        return -1;
    return decode_to(d, target, true);
}

// The decoder's picture into a free slot as frame: 0, -1 when plane copies
// cannot be had.
int store_picture(THEORADECODER* d, THEORA_FRAMESLOT& slot, int frame)
{
    yuv_buffer yuv;
    if (theora_decode_YUVout(&d->decoder, &yuv) < 0)
        return -1;
    assert(yuv.y_stride > 0 && yuv.uv_stride > 0);
    if (yuv.y_stride <= 0 || yuv.uv_stride <= 0 || yuv.y_height <= 0 || yuv.uv_height <= 0)
        return -1;
    if (slot.y_width != yuv.y_width || slot.y_height != yuv.y_height || slot.y_stride != yuv.y_stride) {
        ManagedFree(slot.y);
        slot.y = nullptr;
    }
    if (slot.c_width != yuv.uv_width || slot.c_height != yuv.uv_height || slot.c_stride != yuv.uv_stride) {
        ManagedFree(slot.u);
        ManagedFree(slot.v);
        slot.u = slot.v = nullptr;
    }
    slot.y_width = yuv.y_width;
    slot.y_height = yuv.y_height;
    slot.y_stride = yuv.y_stride;
    slot.c_width = yuv.uv_width;
    slot.c_height = yuv.uv_height;
    slot.c_stride = yuv.uv_stride;
    const int y_bytes = yuv.y_stride * yuv.y_height, c_bytes = yuv.uv_stride * yuv.uv_height;
    if (!slot.y)
        slot.y = static_cast<std::uint8_t*>(ManagedAlloc(y_bytes, "", 0));
    if (!slot.u)
        slot.u = static_cast<std::uint8_t*>(ManagedAlloc(c_bytes, "", 0));
    if (!slot.v)
        slot.v = static_cast<std::uint8_t*>(ManagedAlloc(c_bytes, "", 0));
    if (!slot.y || !slot.u || !slot.v)
        return LogWrite(MSG_SLOTS);
    std::memcpy(slot.y, yuv.y, y_bytes);
    std::memcpy(slot.u, yuv.u, c_bytes);
    std::memcpy(slot.v, yuv.v, c_bytes);
    slot.frame.store(frame, std::memory_order_relaxed);
    slot.valid.store(1, std::memory_order_release);
    return 0;
}

// Empties a slot unless the owner is reading its frame.
void drop_slot(THEORADECODER* d, THEORA_FRAMESLOT& slot)
{
    if (!slot.valid.load(std::memory_order_acquire))
        return;
    const int frame = slot.frame.load(std::memory_order_relaxed);
    slot.valid.store(0, std::memory_order_seq_cst);
    if (d->reading_frame.load(std::memory_order_seq_cst) == frame)
        slot.valid.store(1, std::memory_order_seq_cst);
}

THEORA_FRAMESLOT* find_slot(THEORADECODER* d, int frame)
{
    for (int i = 0; i < d->slot_count; ++i) {
        THEORA_FRAMESLOT& slot = d->slots[i];
        if (slot.valid.load(std::memory_order_seq_cst) && slot.frame.load(std::memory_order_relaxed) == frame)
            return &slot;
    }
    return nullptr;
}

// A seek pass: the decoder brought to the target, the stock emptied. -1
// when no page holds the target (the thread then ends).
int serve_seek(THEORADECODER* d)
{
    const int target = d->seek_target.load(std::memory_order_acquire);
    bool found = false;
    for (int i = 0; i < d->page_count && !found; ++i)
        found = d->pages[i].first_frame + d->pages[i].count > target;
    if (!found || target < 0)
        return -1;
    const int r = reposition_to(d, target);
    for (int i = 0; i < d->slot_count; ++i)
        drop_slot(d, d->slots[i]);
    d->end_of_data.store(r < 0 ? 1 : 0, std::memory_order_release);
    d->seek_request.store(0, std::memory_order_release);
    return 0;
}

// A running pass: stale slots dropped, then the first frame of the window
// (the slot count's frames from the current one on, wrapping) that the
// stock lacks is decoded into a free slot.
void run_pass(THEORADECODER* d)
{
    const int count = static_cast<int>(d->frame_count);
    const int c = d->current_frame.load(std::memory_order_acquire);
    if (c < 0 || c >= count) {
        d->state.store(THEORA_STATE_FULL, std::memory_order_release);
        pause_short();
        return;
    }
    const int window = d->slot_count < count ? d->slot_count : count;
    if (!d->end_of_data.load(std::memory_order_acquire)) {
        for (int i = 0; i < d->slot_count; ++i) {
            THEORA_FRAMESLOT& slot = d->slots[i];
            if (!slot.valid.load(std::memory_order_acquire))
                continue;
            const int f = slot.frame.load(std::memory_order_relaxed);
            if (((f - c) % count + count) % count >= window)
                drop_slot(d, slot);
        }
    }
    int wanted = -1;
    for (int k = 0; k < window && wanted < 0; ++k) {
        const int f = (c + k) % count;
        if (!find_slot(d, f))
            wanted = f;
    }
    THEORA_FRAMESLOT* free_slot = nullptr;
    for (int i = 0; i < d->slot_count && !free_slot; ++i)
        if (!d->slots[i].valid.load(std::memory_order_acquire))
            free_slot = &d->slots[i];
    if (wanted < 0 || !free_slot) {
        d->state.store(THEORA_STATE_FULL, std::memory_order_release);
        pause_short();
        return;
    }
    d->state.store(THEORA_STATE_DECODING, std::memory_order_release);
    if (!d->holds_picture || wanted != d->next_packet - 1) {
        // ahead: read on, from the last keyframe on the way; behind (a
        // wrap or a move back): restart at a keyframe page
        const int r = wanted >= d->next_packet ? decode_to(d, wanted, false) : reposition_to(d, wanted);
        if (r < 0) {
            d->end_of_data.store(1, std::memory_order_release);
            pause_long();
            return;
        }
    }
    if (store_picture(d, *free_slot, wanted) < 0) {
        // no memory for the picture: the owner stops waiting for it
        d->end_of_data.store(1, std::memory_order_release);
        pause_long();
        return;
    }
    std::this_thread::yield();
}

void decode_thread(THEORADECODER* d)
{
    while (!d->stop_request.load(std::memory_order_acquire)) {
        d->passes.fetch_add(1, std::memory_order_acq_rel);
        if (const int hold = d->hold_request.load(std::memory_order_acquire)) {
            d->state.store(THEORA_STATE_HELD, std::memory_order_release);
            d->held_ack.store(hold, std::memory_order_release);
            pause_long();
            continue;
        }
        if (d->seek_request.load(std::memory_order_acquire)) {
            d->state.store(THEORA_STATE_SEEKING, std::memory_order_release);
            if (serve_seek(d) < 0)
                break;
            continue;
        }
        run_pass(d);
    }
    d->state.store(THEORA_STATE_ENDED, std::memory_order_release);
}

// ---- the owner's waits ----

// Holds the thread: returns once it has seen this hold, or has ended.
void hold_thread(THEORADECODER* d)
{
    const int hold = d->hold_serial = d->hold_serial % 0x7FFFFFFF + 1;
    d->hold_request.store(hold, std::memory_order_release);
    while (d->held_ack.load(std::memory_order_acquire) != hold &&
           d->state.load(std::memory_order_acquire) != THEORA_STATE_ENDED)
        pause_short();
}

// The slot of the current frame, marked as being read; null when the thread
// has ended, or the data ended without it.
THEORA_FRAMESLOT* wait_for_current(THEORADECODER* d)
{
    const int c = d->current_frame.load(std::memory_order_relaxed);
    d->reading_frame.store(c, std::memory_order_seq_cst);
    for (;;) {
        const int state = d->state.load(std::memory_order_acquire);
        if (state == THEORA_STATE_ENDED)
            break;
        if (state == THEORA_STATE_SEEKING || d->seek_request.load(std::memory_order_acquire)) {
            pause_long();
            continue;
        }
        if (THEORA_FRAMESLOT* slot = find_slot(d, c)) {
            std::atomic_thread_fence(std::memory_order_acquire);
            return slot;
        }
        if (d->end_of_data.load(std::memory_order_acquire))
            break;
        pause_short();
    }
    d->reading_frame.store(-1, std::memory_order_release);
    return nullptr;
}

}  // namespace

THEORADECODER* OpenTheoraDecoder(const FILEOPS* ops, void* stream, int slot_count)
{
    if (!ops || !ops->read || !ops->seek)
        return nullptr;
    char magic[4] = {};
    if (ops->read(magic, 1, 4, stream) != 4 || std::memcmp(magic, "OggS", 4) != 0)
        return nullptr;
    ops->seek(stream, 0, 0);

    void* block = ManagedAlloc(sizeof(THEORADECODER), "", 0);
    if (!block) {
        LogWrite(MSG_RECORD);
        return nullptr;
    }
    std::memset(block, 0, sizeof(THEORADECODER));
    THEORADECODER* d = new (block) THEORADECODER();
    d->current_frame.store(-1);
    d->decode_position.store(-1);
    d->reading_frame.store(-1);
    ogg_sync_init(&d->sync);
    theora_info_init(&d->info);
    theora_comment_init(&d->comment);
    d->ops = *ops;
    d->stream = stream;

    if (read_headers(d) < 0) {
        CloseTheoraDecoder(d);
        return nullptr;
    }

    // the thread starts held and stays so while the open reads the file
    d->hold_serial = 1;
    d->hold_request.store(1);
    try {
        d->thread = new std::thread(decode_thread, d);
    } catch (const std::exception&) {
        LogWrite(MSG_THREAD);
        CloseTheoraDecoder(d);
        return nullptr;
    }

    if (theora_decode_init(&d->decoder, &d->info) != 0) {
        CloseTheoraDecoder(d);
        return nullptr;
    }
    d->decoder_open = 1;
    ogg_sync_reset(&d->sync);
    ogg_stream_reset(&d->video);
    d->ops.seek(d->stream, 0, 0);

    // a stream with headers and no picture has nothing to show
    if (scan_file(d) < 0 || d->frame_count == 0) {
        CloseTheoraDecoder(d);
        return nullptr;
    }
    ogg_sync_reset(&d->sync);
    ogg_stream_reset(&d->video);

    CreateTheoraYuvSurface(d);
    if (CreateXRGB8ImageBuffer(static_cast<int>(d->info.width), static_cast<int>(d->info.height), &d->rgb) != 0) {
        LogWrite(MSG_IMAGE);
        CloseTheoraDecoder(d);
        return nullptr;
    }
    if (slot_count < 1)
        slot_count = 1;
    void* slots = ManagedAlloc(static_cast<int>(slot_count * sizeof(THEORA_FRAMESLOT)), "", 0);
    if (!slots) {
        LogWrite(MSG_SLOTS);
        CloseTheoraDecoder(d);
        return nullptr;
    }
    std::memset(slots, 0, slot_count * sizeof(THEORA_FRAMESLOT));
    d->slots = static_cast<THEORA_FRAMESLOT*>(slots);
    for (int i = 0; i < slot_count; ++i)
        new (&d->slots[i]) THEORA_FRAMESLOT();
    d->slot_count = slot_count;

    SeekTheoraDecoder(d, 0);
    ConvertTheoraFrame(d, 1, 1);
    return d;
}

int CloseTheoraDecoder(THEORADECODER* d)
{
    if (!d)
        return 0;
    if (d->thread) {
        d->stop_request.store(1, std::memory_order_release);
        // the thread has ended (state 3) before anything is freed
        d->thread->join();
        delete d->thread;
        d->thread = nullptr;
    }
    for (int i = 0; i < d->slot_count; ++i) {
        ManagedFree(d->slots[i].y);
        ManagedFree(d->slots[i].u);
        ManagedFree(d->slots[i].v);
        d->slots[i].~THEORA_FRAMESLOT();
    }
    ManagedFree(d->slots);
    d->surface = nullptr;
    d->surface_format = 0;
    ManagedFree(d->pages);
    ManagedFree(d->keyframes);
    ReleaseImageBuffer(&d->rgb);
    if (d->video_open)
        ogg_stream_clear(&d->video);
    if (d->decoder_open)
        theora_clear(&d->decoder);
    theora_comment_clear(&d->comment);
    theora_info_clear(&d->info);
    ogg_sync_clear(&d->sync);
    d->~THEORADECODER();
    ManagedFree(d);
    return 0;
}

int SeekTheoraDecoder(THEORADECODER* d, int frame)
{
    if (!d || frame == d->current_frame.load(std::memory_order_relaxed))
        return 0;
    d->rgb_fresh = 0;
    d->surface_fresh = 0;
    hold_thread(d);
    const int last = static_cast<int>(d->frame_count) - 1;
    frame = frame < 0 ? 0 : frame > last ? last : frame;
    d->current_frame.store(frame, std::memory_order_release);
    d->seek_target.store(frame, std::memory_order_release);
    d->seek_request.store(1, std::memory_order_release);
    d->hold_request.store(0, std::memory_order_release);
    return 0;
}

int AdvanceTheoraFrame(THEORADECODER* d, int count)
{
    if (!d || count <= 0 || d->frame_count <= 0)
        return 0;
    // any step wraps into the movie's frames, however large
    const std::int64_t next = (d->current_frame.load(std::memory_order_relaxed) + static_cast<std::int64_t>(count)) % d->frame_count;
    d->current_frame.store(static_cast<int>(next), std::memory_order_release);
    d->rgb_fresh = 0;
    d->surface_fresh = 0;
    return 0;
}

int GetTheoraInfo(THEORADECODER* d, THEORA_MOVIEINFO* info)
{
    if (!d || !info)
        return 0;
    const std::uint32_t numerator = d->info.fps_numerator, denominator = d->info.fps_denominator;
    info->frame_rate = denominator ? static_cast<double>(numerator) / denominator : 0.0;
    info->frame_count = static_cast<std::int32_t>(d->frame_count);
    info->width = static_cast<std::int32_t>(d->info.width);
    info->height = static_cast<std::int32_t>(d->info.height);
    return 0;
}

int GetTheoraCurrentFrame(THEORADECODER* d)
{
    return d ? d->current_frame.load(std::memory_order_relaxed) : -1;
}

IMGBUF* GetTheoraFrameImage(THEORADECODER* d)
{
    return d ? &d->rgb : nullptr;
}

void CreateTheoraYuvSurface(THEORADECODER* d)
{
    if (!d)
        return;
    // no device offers an off-screen YUV surface, so the RGB image serves alone
    d->surface = nullptr;
    d->surface_format = 0;
}

void* GetTheoraYuvSurface(THEORADECODER* d)
{
    return d ? d->surface : nullptr;
}

int ConvertTheoraFrame(THEORADECODER* d, int to_rgb, int to_surface)
{
    if (!d)
        return 0;
    // a surface would be filled through copy_slot_to_surface into its locked
    // area; none exists, so only the RGB image can be wanted
    const bool want_surface = to_surface && d->surface && !d->surface_fresh;
    const bool want_rgb = to_rgb && !d->rgb_fresh;
    if (!want_surface && !want_rgb)
        return 0;
    THEORA_FRAMESLOT* slot = wait_for_current(d);
    if (!slot)
        return 0;
    if (want_rgb) {
        media::snd::convert_slot_to_rgb(*slot, &d->rgb);
        d->rgb_fresh = 1;
    }
    d->reading_frame.store(-1, std::memory_order_release);
    return 1;
}
