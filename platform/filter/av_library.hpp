// The codec libraries, opened at the first movie a graph is asked to read:
// a program that never reads a movie never loads them (they and their own
// libraries cost a start about as much as the rest of the program).
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace platform::filter {

// The functions the movie source calls, found by name in the libraries of
// the versions the headers describe.
struct av_library {
#define ZENTIL_AV_FUNCTION(name) decltype(&::name) name = nullptr;
#include "platform/filter/av_functions.inc"
#undef ZENTIL_AV_FUNCTION
};

// The table, loaded on the first call; null when a library or a function is
// missing (then no file is recognised as a movie).
const av_library* codec_library();

}  // namespace platform::filter
