// The row loops built for more than one vector width, one table of them per
// width, the table in use chosen once from the processor's features.
#pragma once

#include <cstdint>

namespace media::soft {

// One row each, of 32-bit pixels unless said otherwise.
struct vector_rows {
    // every pixel the colour
    void (*fill32)(unsigned char* out, int width, std::uint32_t colour);
    // every pixel d becomes add_word32(d, addend)
    void (*add32)(unsigned char* out, int width, std::uint32_t addend);
    // the alpha source over the destination: alpha 0 keeps it, 255 puts the
    // source pixel, any other alpha a mixes each colour byte as
    // (d x (256 - a) + s x a) >> 8 and keeps the destination's fourth byte;
    // in and out do not overlap
    void (*alpha32)(unsigned char* out, const unsigned char* in, int width);
    // each colour byte (d x (256 - p) + s x p) >> 8, p from 1 to 254, the
    // destination's fourth byte kept; with keyed, a source pixel equal to key
    // keeps its destination pixel; in and out do not overlap
    void (*mix32)(unsigned char* out, const unsigned char* in, int width, int p, bool keyed, std::uint32_t key);
    // pixel x the source pixel at column columns[x] of the row in
    void (*gather32)(unsigned char* out, const unsigned char* in, const int* columns, int width);
    // the same for 16-bit pixels
    void (*gather16)(unsigned char* out, const unsigned char* in, const int* columns, int width);
    // bytes from in to out, which do not overlap
    void (*copy)(unsigned char* out, const unsigned char* in, long bytes);
};

enum vector_set { vectors_by_processor = 0, vectors_sse2 = 1, vectors_avx2 = 2 };

// The table in use: AVX2 where the processor has it, SSE2 otherwise; the
// environment variable ZENTIL_SOFTRENDER_VECTORS=sse2, read once, keeps the
// SSE2 set, as does force_vector_set (tests).
const vector_rows& rows();
int vector_set_in_use();
bool avx2_present();
// Tests: vectors_sse2 or vectors_avx2 (refused without the processor's
// support), or vectors_by_processor for the choice above.
bool force_vector_set(int set);

// The AVX2 table (vector_rows_avx2.cpp), built without the option for the
// whole file, so that it only runs where avx2_present() holds.
const vector_rows& avx2_rows();
// The SSE2 loops the AVX2 ones finish a row with.
void fill32_sse2(unsigned char* out, int width, std::uint32_t colour);
void add32_sse2(unsigned char* out, int width, std::uint32_t addend);
void alpha32_sse2(unsigned char* out, const unsigned char* in, int width);
void mix32_sse2(unsigned char* out, const unsigned char* in, int width, int p, bool keyed, std::uint32_t key);
void gather32_sse2(unsigned char* out, const unsigned char* in, const int* columns, int width);
void gather16_sse2(unsigned char* out, const unsigned char* in, const int* columns, int width);
void copy_sse2(unsigned char* out, const unsigned char* in, long bytes);

}  // namespace media::soft
