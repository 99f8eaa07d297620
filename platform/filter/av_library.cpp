// Opens the codec libraries by the sonames of the headers' major versions and
// fills the function table.
#include "platform/filter/av_library.hpp"

#include <dlfcn.h>

#include <mutex>
#include <string>

extern "C" {
#include <libavutil/avutil.h>
}

namespace platform::filter {

namespace {

#define ZENTIL_STRING(x) #x
#define ZENTIL_SONAME(lib, major) "lib" lib ".so." ZENTIL_STRING(major)

// avutil first: the others need it
const char* const sonames[] = {
    ZENTIL_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR),
    ZENTIL_SONAME("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
    ZENTIL_SONAME("swscale", LIBSWSCALE_VERSION_MAJOR),
    ZENTIL_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR),
    ZENTIL_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR),
};

// Looks a name up in every opened library, the way a link would.
void* find(void* const* handles, const char* name)
{
    for (int i = 0; i < 5; ++i) {
        if (void* f = dlsym(handles[i], name))
            return f;
    }
    return nullptr;
}

bool load(av_library& lib)
{
    // kept open for the process's life: the table points into them
    void* handles[5] = {};
    for (int i = 0; i < 5; ++i) {
        handles[i] = dlopen(sonames[i], RTLD_NOW | RTLD_LOCAL);
        if (!handles[i])
            return false;
    }
    bool complete = true;
#define ZENTIL_AV_FUNCTION(name)                                                           \
    lib.name = reinterpret_cast<decltype(lib.name)>(find(handles, #name));                 \
    complete = complete && lib.name != nullptr;
#include "platform/filter/av_functions.inc"
#undef ZENTIL_AV_FUNCTION
    return complete;
}

}  // namespace

const av_library* codec_library()
{
    static av_library lib;
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] { loaded = load(lib); });
    return loaded ? &lib : nullptr;
}

}  // namespace platform::filter
