// Graphs made from image files and image buffers, the pixel transfer into
// graphs on the software renderer, the records of their source names, and
// their reload.
#include "media/graphics/graph_files.hpp"

#include <cstddef>
#include <cstring>
#include <string>

#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/loaders/loader.hpp"
#include "media/graphics/pixfmt.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/memimg.hpp"
#include "media/sound/movie.hpp"

using media::gfx::graphics;
using media::gfx::settings;

namespace {

void wait_while_inactive()
{
    if (media::core::window_state.started != 0)
        WaitWhileInactive();
}

void drop_source_name(GRAPHREC* record)
{
    GRAPHSOURCENAME* name = record->source;
    record->source = nullptr;
    if (name != nullptr && --name->ref_count == 0)
        ManagedFree(name);
}

// The index of the first palette entry that holds the transparent colour
// (32-bit entries on their low 24 bits, 16-bit ones on 16), or -1.
int find_transparent_entry(const MEMIMG_BASE& base, std::uint32_t rgb)
{
    const PIXFMT* format = GetMemImgPixelFormat(base.format_index, 0, 0);
    const std::uint32_t key = PackColor(format, rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF, 255);
    for (int i = 0; i < 256; ++i) {
        if (base.format_index == 1) {
            const std::uint32_t entry = static_cast<const std::uint32_t*>(base.palette)[i];
            if ((entry & 0xFFFFFF) == (key & 0xFFFFFF))
                return i;
        } else if (static_cast<const std::uint16_t*>(base.palette)[i] == (key & 0xFFFF)) {
            return i;
        }
    }
    return -1;
}

// A 32-bit copy of the image in which the transparent colour has alpha 0
// and lends its neighbours' colours, so that filtering at the edges of the
// opaque pixels does not bleed the transparent colour in. 0 or -1.
int bleed_copy(IMGBUF* image, IMGBUF* out)
{
    const int w = image->width, h = image->height;
    if (CreateARGB8ImageBuffer(w, h, out) < 0)
        return -1;
    const std::uint32_t key = settings.transparent_color & 0xFFFFFF;
    const bool has_alpha = image->format.alpha_mask != 0;
    auto transparent = [&](int x, int y) {
        int r = 0, g = 0, b = 0, a = 0;
        GetImagePixel(image, x, y, &r, &g, &b, &a);
        return (static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 |
                static_cast<std::uint32_t>(b)) == key;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int r = 0, g = 0, b = 0, a = 0;
            GetImagePixel(image, x, y, &r, &g, &b, &a);
            SetImagePixel(out, x, y, r, g, b, transparent(x, y) ? 0 : has_alpha ? a : 255);
        }
    static constexpr int step[4][2] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (transparent(x, y))
                continue;
            int r = 0, g = 0, b = 0, a = 0;
            GetImagePixel(image, x, y, &r, &g, &b, &a);
            for (const auto& s : step) {
                const int nx = x + s[0], ny = y + s[1];
                if (nx >= 0 && ny >= 0 && nx < w && ny < h && transparent(nx, ny))
                    SetImagePixel(out, nx, ny, r, g, b, 0);
            }
        }
    return 0;
}

void mirror(IMGBUF* image, IMGBUF* alpha)
{
    MirrorImageBuffer(image);
    if (alpha != nullptr)
        MirrorImageBuffer(alpha);
}

}  // namespace

int TransferImageToGraphRect(int graph, const RECT* src_rect, int x, int y, IMGBUF* image, IMGBUF* alpha,
                             int, int use_transparent, int body_coordinates)
{
    if (graphics.started == 0)
        return -1;
    GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr || record->body == nullptr || src_rect == nullptr || image == nullptr)
        return -1;
    int width = src_rect->right - src_rect->left;
    int height = src_rect->bottom - src_rect->top;
    if (width <= 0 || height <= 0)
        return 0;
    GRAPHTEX& body = *record->body;
    const int limit_w = body_coordinates != 0 ? body.width : record->width;
    const int limit_h = body_coordinates != 0 ? body.height : record->height;
    if (x + width > limit_w)
        width = limit_w - x;
    if (y + height > limit_h)
        height = limit_h - y;
    if (width < 1 || height < 1)
        return -1;
    if (body_coordinates == 0) {
        x += record->x;
        y += record->y;
    }
    // compressed blocks are no pixels the conversion can read
    if (DecodeDxtImage(image) < 0 || (alpha != nullptr && DecodeDxtImage(alpha) < 0))
        return -1;
    MEMIMG_BASE& base = *body.image.base;
    if (TransferBaseImageToMemImg(image, alpha, &body.image, src_rect->left, src_rect->top, width, height, x, y,
                                  use_transparent) < 0)
        return -1;
    if (body.paletted != 0 && base.palette != nullptr) {
        // no entry of the colour: 0xFFFF stays, which no index matches
        const int index = find_transparent_entry(base, body.transparent);
        base.transparent = index >= 0 ? static_cast<std::uint32_t>(index) : 0xFFFF;
    }
    return 0;
}

int ReloadGraphImage(IMGBUF* image, IMGBUF* alpha, const char* name, const RECT* rect, int offset_x, int offset_y,
                     int graph, int mirror_flag, int use_transparent)
{
    if (graphics.started == 0)
        return -1;
    GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr || image == nullptr)
        return -1;
    if (SetGraphSourceName(graph, name, -1) < 0)
        return -1;
    record->source_x = rect != nullptr ? rect->left - offset_x : 0;
    record->source_y = rect != nullptr ? rect->top - offset_y : 0;
    record->mirror = mirror_flag;
    const RECT whole{0, 0, image->width, image->height};
    return TransferImageToGraphRect(graph, rect != nullptr ? rect : &whole, 0, 0, image, alpha,
                                    record->body != nullptr ? record->body->blend_image : 0, use_transparent, 0);
}

int TransferImageToGraph(const char* name, IMGBUF* image, IMGBUF* alpha, int x, int y, int graph, int mirror_flag)
{
    if (graphics.started == 0)
        return -1;
    const GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr)
        return -1;
    const RECT rect{x, y, x + record->width, y + record->height};
    return ReloadGraphImage(image, alpha, name, &rect, 0, 0, graph, mirror_flag, 1);
}

int MakeGraphFromImage(IMGBUF* image, IMGBUF* alpha, int, int mirror_flag, int mirror_now)
{
    if (image == nullptr)
        return -1;
    IMGBUF bled{};
    if (settings.bleed_transparent != 0) {
        if (bleed_copy(image, &bled) < 0)
            return -1;
        image = &bled;
    }
    RecomputeUnusedBits(&image->format);
    if (alpha != nullptr)
        RecomputeUnusedBits(&alpha->format);
    const std::uint32_t kept = settings.transparent_color;
    if (settings.transparent_from_pixel != 0)
        settings.transparent_color = GetImagePixelCode(image, 0, 0) & 0xFFFFFF;
    const bool now = mirror_now == 1 && mirror_flag == 1;
    if (now)
        mirror(image, alpha);
    int graph = MakeGraphForImage(image, alpha);
    // a graph whose pixels could not be put in is no graph
    if (graph != -1 && TransferImageToGraph(nullptr, image, alpha, 0, 0, graph, 0) < 0) {
        DeleteGraphHandle(graph);
        graph = -1;
    }
    settings.transparent_color = kept;
    if (now)
        mirror(image, alpha);
    if (image == &bled)
        ReleaseImageBuffer(&bled);
    return graph;
}

int LoadGraphFile(const char* path, int)
{
    return LoadGraphOrMovie(path, 0, 0);
}

int LoadGraphOrMovie(const char* path, int mirror_flag, int movie_option)
{
    if (graphics.started == 0 || path == nullptr)
        return -1;
    wait_while_inactive();
    IMGBUF image{}, alpha{};
    const int loaded = LoadImageWithAlphaFile(path, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0);
    if (loaded >= 0) {
        IMGBUF* alpha_image = loaded == 0 ? &alpha : nullptr;
        int graph = -1;
        // compressed blocks cannot be mirrored as rows of pixels
        if (mirror_flag == 1 && (DecodeDxtImage(&image) < 0 || (alpha_image != nullptr && DecodeDxtImage(alpha_image) < 0))) {
            graph = -1;
        } else {
            if (mirror_flag == 1)
                mirror(&image, alpha_image);
            graph = MakeGraphFromImage(&image, alpha_image, 0, mirror_flag, 0);
        }
        if (graph != -1) {
            SetGraphSourceName(graph, path, -1);
            // the reload mirrors as this load did
            GetGraphRecord(graph)->mirror = mirror_flag;
        }
        ReleaseImageBuffer(&image);
        ReleaseImageBuffer(&alpha);
        return graph;
    }

    void* stream = OpenFileStream(path, 0, 0, 0);
    if (stream == nullptr) {
        LogPrintf("グラフィックファイル %s がありません", path);
        return -1;
    }
    CloseFileStream(stream);
    const media::gfx::GFXSETTINGS saved = settings;
    int width = 0, height = 0;
    const int movie = OpenMovie(path, &width, &height, movie_option);
    if (movie < 0) {
        LogPrintf("右記のグラフィックファイルのロードに失敗しました：%s \n", path);
        return -1;
    }
    settings.graph_color_depth = QueryColorBitDepth();
    settings.movie_graph = 1;
    settings.single_texture = 1;
    settings.use_transparent_color = 0;
    settings.textures_unmanaged = 1;
    settings.graph_drawable = 1;
    const int graph = AllocGraphHandle();
    const int made = SetUpGraph(graph, width, height, 0, 0, 0, -1);
    if (made < 0)
        LogPrintf("右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s", path);
    settings.graph_color_depth = saved.graph_color_depth;
    settings.movie_graph = saved.movie_graph;
    settings.use_transparent_color = saved.use_transparent_color;
    settings.textures_unmanaged = saved.textures_unmanaged;
    settings.graph_drawable = saved.graph_drawable;
    if (made < 0) {
        CloseMovie(movie);  // nothing else would ever close it
        return -1;
    }
    GetGraphRecord(graph)->movie = movie;
    return graph;
}

int SetGraphSourceName(int graph, const char* path, int source)
{
    GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr)
        return -1;
    if (path == nullptr) {
        GRAPHSOURCENAME* shared = nullptr;
        if (source != -1) {
            const GRAPHREC* from = GetGraphRecord(source);
            if (from == nullptr)
                return -1;
            shared = from->source;
        }
        // taken before the drop, so a graph that shares its own record keeps it
        if (shared != nullptr)
            ++shared->ref_count;
        drop_source_name(record);
        record->source = shared;
        return 0;
    }
    // the record's own path (a reload passes it) or the same file: the
    // record, and the graphs sharing it, stay
    if (record->source != nullptr && std::strcmp(record->source->path, path) == 0)
        return 0;
    char full[260];
    const bool resolved = ResolveFullPath(path, full, nullptr) == 0;
    if (resolved && record->source != nullptr && std::strcmp(record->source->path, full) == 0)
        return 0;
    drop_source_name(record);
    if (!resolved)
        return -1;
    const std::size_t length = std::strlen(full);
    auto* name = static_cast<GRAPHSOURCENAME*>(
        ManagedAlloc(static_cast<int>(offsetof(GRAPHSOURCENAME, path) + length + 1), "graph_files.cpp", __LINE__));
    if (name == nullptr) {
        LogWrite("転送する画像ファイルのファイル名を保存するメモリ領域の確保に失敗しました\n");
        return -1;
    }
    name->ref_count = 1;
    std::memcpy(name->path, full, length + 1);
    record->source = name;
    return 0;
}

void ReloadGraphsFromFiles()
{
    LogWrite("グラフィックを復帰します\n");
    IMGBUF image{}, alpha{};
    bool held = false, with_alpha = false;
    std::string held_path;
    int held_mirror = 0;
    for (int slot = 0; slot < media::gfx::graphs.high_water(); ++slot) {
        const GRAPHREC* record = media::gfx::graphs.at(slot);
        if (record == nullptr || record->source == nullptr)
            continue;
        const int graph = media::gfx::graphs.handle_at(slot);
        // graphs cut from one file lie in consecutive slots: one read serves them
        const std::string path = record->source->path;
        if (!held || path != held_path || record->mirror != held_mirror) {
            ReleaseImageBuffer(&image);
            ReleaseImageBuffer(&alpha);
            const int loaded =
                LoadImageWithAlphaFile(path.c_str(), nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, record->mirror);
            held = loaded >= 0;
            with_alpha = loaded == 0;
            held_path = path;
            held_mirror = record->mirror;
            if (!held)
                continue;  // the file is gone: the graph keeps what it holds
        }
        TransferImageToGraph(path.c_str(), &image, with_alpha ? &alpha : nullptr, record->source_x,
                             record->source_y, graph, record->mirror);
    }
    ReleaseImageBuffer(&image);
    ReleaseImageBuffer(&alpha);
}
