// Graphs made from image files, the records of their source names, and
// their reload.
#include "media/graphics/graph_files.hpp"

#include <cstddef>
#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/log.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/internal.hpp"

namespace {

void drop_source_name(GRAPHREC* record)
{
    GRAPHSOURCENAME* name = record->source;
    record->source = nullptr;
    if (name != nullptr && --name->ref_count == 0)
        ManagedFree(name);
}

}  // namespace

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
    drop_source_name(record);
    char full[260];
    if (ResolveFullPath(path, full, nullptr) < 0)
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
}
