// Graph handles and their image bodies: the graph table, set-up of software
// bodies, sharing and deletion, the size and validity queries, derived
// graphs, the device format table and the texture-size split.
#include "media/graphics/graph.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/loaders/loader.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/memimg.hpp"
#include "media/sound/movie.hpp"

using media::gfx::graphs;
using media::gfx::settings;

namespace {

void wait_while_inactive()
{
    if (media::core::window_state.started != 0)
        WaitWhileInactive();
}

// Logs the line, deletes the half-made graph and gives -1.
int fail_set_up(int graph, const char* message)
{
    LogWrite(message);
    DeleteGraphHandle(graph);
    return -1;
}

// The mipmap count of a body: m when given, else the default setting (-1 a
// full chain, 0 one level).
int mipmap_count(int m, int width, int height)
{
    if (m >= 0)
        return m;
    const int wanted = settings.graph_mipmaps;
    if (wanted == 0)
        return 1;
    if (wanted > 0)
        return wanted;
    int levels = 1;
    while (width > 1 || height > 1) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        ++levels;
    }
    return levels;
}

}  // namespace

int AllocGraphHandle()
{
    if (graphs.count() == media::gfx::graph_table::slots)
        ExitWithLogMessage("グラフィックの数が許容量を越えました終了します");
    auto* record =
        static_cast<GRAPHREC*>(ManagedCalloc(media::gfx::graph_record_new_size, "graph.cpp", __LINE__));
    if (record == nullptr)
        ExitWithLogMessage("メモリの確保に失敗しました");
    const int handle = graphs.create(record);
    if (handle < 0) {
        ManagedFree(record);
        ExitWithLogMessage("グラフィックの数が許容量を越えました終了します");
    }
    record->check = handle >> media::core::handle_check_shift & media::core::handle_check_mask;
    record->handle = handle;
    record->movie = -1;
    return handle;
}

GRAPHREC* GetGraphRecord(int graph)
{
    return graphs.find(graph);
}

int SetUpGraph(int graph, int width, int height, int has_alpha, int paletted, int compressed, int mipmaps)
{
    GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr)
        return -1;
    const int levels = mipmap_count(mipmaps, width, height);

    // every flag first in a local body, then one block for it
    GRAPHTEX body{};
    if (settings.graph_drawable != 0) {
        body.drawable = 1;
        body.unmanaged = 1;
        body.has_alpha = settings.drawable_graph_alpha != 0 ? 1 : 0;
    } else {
        body.has_alpha = has_alpha != 0 ? 1 : 0;
        body.transparent_format = settings.use_transparent_color != 0 ? 1 : 0;
        body.unmanaged = settings.textures_unmanaged != 0 ? 1 : 0;
        body.compressed = static_cast<std::uint8_t>(compressed);
        body.mipmap_levels = static_cast<std::uint8_t>(levels);
        body.blend_image = settings.graph_blend_image != 0 ? 1 : 0;
    }
    // the software renderer: one plain memory image
    body.compressed = 0;
    body.paletted = paletted != 0 ? 1 : 0;
    body.mipmap_levels = 0;
    body.software = 1;
    body.depth = static_cast<std::uint8_t>(settings.graph_color_depth != 0 ? settings.graph_color_depth
                                                                             : QueryColorBitDepth());
    body.drawable = body.blend_image != 0 ? 0 : 1;

    auto* block = static_cast<GRAPHTEX*>(ManagedCalloc(sizeof(GRAPHTEX), "graph.cpp", __LINE__));
    if (block == nullptr)
        return fail_set_up(graph, "グラフィックのオリジナル画像データ保存用メモリの確保に失敗しました\n");
    *block = body;
    block->ref_count = 1;
    block->transparent = settings.transparent_color;
    block->width = width;
    block->height = height;
    record->body = block;
    record->x = record->y = 0;
    record->width = width;
    record->height = height;

    int made;
    if (block->blend_image != 0) {
        made = CreateMemImg(&block->image, width, height, -1, 0, 2, 0, 0, 0, nullptr);
        if (made < 0)
            return fail_set_up(graph, "ブレンド画像用メモリイメージの作成に失敗しました\n");
    } else {
        const int format = block->depth == 32 ? 1 : 0;
        std::uint32_t transparent = 0xFFFF;
        if (block->paletted == 0) {
            const std::uint32_t c = block->transparent;
            transparent = PackColor(GetMemImgPixelFormat(format, block->has_alpha, 0), c >> 16 & 0xFF, c >> 8 & 0xFF,
                                    c & 0xFF, 255);
        }
        made = CreateMemImg(&block->image, width, height, -1, transparent, format, block->paletted, block->has_alpha, 0,
                            nullptr);
        if (made < 0)
            return fail_set_up(graph, "メモリイメージの作成に失敗しました\n");
    }
    block->format_slot = (block->depth == 32 ? 17 : 15) + (block->has_alpha != 0 ? 1 : 0);

    if (BuildGraphDrawTiles(graph) < 0) {
        DeleteGraphHandle(graph);
        return -1;
    }
    return 0;
}

int MakeGraphOfSize(int width, int height)
{
    wait_while_inactive();
    const int graph = AllocGraphHandle();
    if (SetUpGraph(graph, width, height, settings.made_graph_alpha, 0, 0, -1) < 0)
        return -1;
    return graph;
}

int MakeGraphForImage(const IMGBUF* image, const IMGBUF* alpha)
{
    if (media::gfx::graphics.started == 0 || image == nullptr)
        return -1;
    if (alpha != nullptr && (alpha->width != image->width || alpha->height != image->height))
        return -1;
    const PIXFMT& f = image->format;
    const int has_alpha = f.alpha_mask != 0 || alpha != nullptr ? 1 : 0;
    const int paletted = f.pixel_bytes == 1 && f.alpha_mask == 0 && alpha == nullptr ? 1 : 0;
    const int graph = AllocGraphHandle();
    if (SetUpGraph(graph, image->width, image->height, has_alpha, paletted, static_cast<int>(f.kind),
                   image->mipmaps != 0 ? image->mipmaps : -1) < 0)
        return -1;
    return graph;
}

int ShareGraphImage(int graph, int source, int x, int y, int width, int height)
{
    GRAPHREC* record = GetGraphRecord(graph);
    GRAPHREC* from = GetGraphRecord(source);
    if (record == nullptr || from == nullptr || from->body == nullptr)
        return -1;
    record->body = from->body;
    ++record->body->ref_count;
    record->source = from->source;
    if (record->source != nullptr)
        ++record->source->ref_count;
    record->source_x = from->source_x + x;
    record->source_y = from->source_y + y;
    record->x = from->x + x;
    record->y = from->y + y;
    record->mirror = from->mirror;
    record->width = width;
    record->height = height;
    return BuildGraphDrawTiles(graph);
}

int DeleteGraphHandle(int graph, int)
{
    GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr)
        return -1;
    CloseMovie(record->movie);
    // the drawing state lets go of the graph: the blend graph becomes none,
    // and a graph that was the draw target hands it to the back screen
    media::gfx::DRAWSTATE& state = media::gfx::draw_state;
    if (state.blend_graph == graph) {
        state.blend_graph = -1;
        state.blend_image = nullptr;
    }
    const bool was_target = state.target == graph;
    if (was_target) {
        state.target = -2;
        state.target_image = &media::gfx::graphics.screen_image;
    }
    GRAPHTEX* body = record->body;
    if (body != nullptr && body->uses_textures == 0)
        ReleaseMemImg(&record->image);
    if (body != nullptr && --body->ref_count == 0) {
        ReleaseGraphWorkSurfaces(body);
        if (body->uses_textures != 0)
            ReleaseGraphTextures(body);
        else
            ReleaseMemImg(&body->image);
        ManagedFree(body);
    }
    record->body = nullptr;
    SetGraphSourceName(graph, nullptr, -1);
    // the table lowers its high-water index past the empty slots below
    graphs.remove(graph);
    if (record->lost_flag != nullptr)
        *record->lost_flag = 1;
    ManagedFree(record);
    if (was_target)
        SelectDrawTarget(-2);
    return 0;
}

int BuildGraphDrawTiles(int graph)
{
    GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr || record->body == nullptr || record->body->uses_textures != 0)
        return -1;
    // the record keeps its header and the view; the handle stays as it was
    auto* moved = static_cast<GRAPHREC*>(
        ManagedRealloc(record, media::gfx::graph_record_software_size, "graph.cpp", __LINE__));
    if (moved == nullptr)
        return -1;
    graphs.replace(graph, moved);
    // a view made before goes back to the body before the new one is taken
    if (IsMemImgValid(&moved->image))
        ReleaseMemImg(&moved->image);
    std::memset(&moved->image, 0, sizeof moved->image);
    MakeSubMemImg(&moved->image, &moved->body->image, moved->x, moved->y, moved->width, moved->height);
    return IsMemImgValid(&moved->image) ? 0 : -1;
}

int CreateGraphTextures(GRAPHTEX* body)
{
    if (body == nullptr || body->uses_textures == 0)
        return 0;
    return media::gfx::graphics.device != 0 ? 0 : -1;
}

int ReleaseGraphTextures(GRAPHTEX*)
{
    return 0;
}

int ReleaseGraphWorkSurfaces(GRAPHTEX*)
{
    return 0;
}

int ReleaseAllGraphTextures()
{
    for (int slot = 0; slot < graphs.high_water(); ++slot)
        if (GRAPHREC* record = graphs.at(slot); record != nullptr && record->body != nullptr)
            ReleaseGraphTextures(record->body);
    return 0;
}

int RecreateAllGraphTextures()
{
    for (int slot = 0; slot < graphs.high_water(); ++slot)
        if (GRAPHREC* record = graphs.at(slot); record != nullptr && record->body != nullptr)
            CreateGraphTextures(record->body);
    return 0;
}

const PIXFMT* GetD3DFormatImageFormat(int code)
{
    // built on first use from the table the DDS loader reads
    struct table {
        PIXFMT formats[16];
        int codes[16];
        int count;
        table() : formats{}, codes{}, count(0)
        {
            for (const DDSFORMAT* row = DdsFormatTable; row->code != -1 && count < 16; ++row) {
                InitFormatFromMasks(&formats[count], row->depth, row->red, row->green, row->blue, row->alpha);
                codes[count++] = row->code;
            }
        }
    };
    static const table formats;
    for (int i = 0; i < formats.count; ++i)
        if (formats.codes[i] == code)
            return &formats.formats[i];
    return nullptr;
}

int SplitTextureLength(int length, int* sizes, int single, int max_size)
{
    std::vector<int> pieces;
    if (length <= 8) {
        pieces.push_back(8);
    } else {
        int screen_width = 0;
        QueryScreenSize(&screen_width, nullptr);
        // no maximum-size setting exists, so the device's maximum applies
        const int max = max_size > 8 ? max_size : 8;
        int p = max;
        while (p > 8 && p > length)
            p /= 2;
        const bool must_split = (settings.single_texture == 0 && single == 0 && length >= screen_width) || 2 * p > max;
        if (!must_split) {
            pieces.push_back(p >= length ? p : 2 * p);
        } else {
            int rest = length;
            for (;;) {
                pieces.push_back(p);
                rest -= p;
                if (rest <= 0 || (rest > 3 * p / 4 && p < max))
                    break;
                while (p > rest && p > 8)
                    p /= 2;
            }
            if (rest > 0)
                pieces.back() *= 2;
            const std::size_t n = pieces.size();
            if (n >= 2 && pieces[n - 1] == pieces[n - 2] && 2 * pieces[n - 1] <= max) {
                pieces.pop_back();
                pieces.back() *= 2;
            }
        }
    }
    if (sizes != nullptr)
        std::copy(pieces.begin(), pieces.end(), sizes);
    return static_cast<int>(pieces.size());
}

int SetGraphLostFlag(int graph, std::int32_t* flag)
{
    GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr)
        return -1;
    record->lost_flag = flag;
    if (flag != nullptr)
        *flag = 0;
    return 0;
}

int DeriveGraph(int x, int y, int width, int height, int source)
{
    if (media::gfx::draw_state.locked != 0)
        return 0;
    GRAPHREC* from = GetGraphRecord(source);
    if (from == nullptr || x < 0 || y < 0 || x >= from->width || y >= from->height)
        return -1;
    if (width > from->width - x)
        width = from->width - x;
    if (height > from->height - y)
        height = from->height - y;
    const int graph = AllocGraphHandle();
    if (ShareGraphImage(graph, source, x, y, width, height) < 0) {
        DeleteGraphHandle(graph);
        return -1;
    }
    return graph;
}

int IsGraphHandleValid(int graph)
{
    return GetGraphRecord(graph) != nullptr ? 1 : 0;
}

int QueryGraphSize(int graph, int* width, int* height)
{
    int w = 0, h = 0;
    if (graph == -2 || graph == -4) {
        QueryScreenSize(&w, &h);
    } else {
        const GRAPHREC* record = GetGraphRecord(graph);
        if (record == nullptr)
            return -1;
        w = record->width;
        h = record->height;
    }
    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
    return 0;
}

int DeleteAllGraphs(int flag)
{
    if (media::gfx::graphics.started == 0)
        return 0;
    for (int slot = graphs.high_water() - 1; slot >= 0; --slot) {
        const int handle = graphs.handle_at(slot);
        if (handle != -1)
            DeleteGraphHandle(handle, flag);
    }
    return 0;
}
