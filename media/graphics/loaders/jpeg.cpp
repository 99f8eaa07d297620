// The JPEG loader: the JPEG library decodes through a source manager over
// the IMGSRC; colour images come back as 24-bit B, G, R rows, grey ones as
// 8-bit grey. No C++ object with a destructor lives between the setjmp and
// the library's jump back.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

#include "media/core/log.hpp"
#include "media/graphics/loaders/reader.hpp"

using namespace media::gfx;

namespace {

constexpr int jpeg_buffer_size = 4096;

// The library's source manager and what it reads from; in the
// decompressor's permanent pool.
struct JPEGSOURCE {
    jpeg_source_mgr pub;
    JOCTET* buffer;
    boolean start_of_file;
    IMGSRC* src;
};

// The error manager and the place the library jumps back to.
struct jpeg_failure {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};

}  // namespace

void JpegErrorExit(j_common_ptr info)
{
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<jpeg_failure*>(info->err)->back, 1);
}

// The library's messages go to the log.
static void JpegOutputMessage(j_common_ptr info)
{
    char text[JMSG_LENGTH_MAX + 2];
    (*info->err->format_message)(info, text);
    std::strcat(text, "\n");
    LogWrite(text);
}

void JpegInitSource(j_decompress_ptr info)
{
    reinterpret_cast<JPEGSOURCE*>(info->src)->start_of_file = TRUE;
}

boolean JpegFillInputBuffer(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<JPEGSOURCE*>(info->src);
    long long n = read_some(source->src, source->buffer, jpeg_buffer_size);
    if (n <= 0) {
        if (source->start_of_file) ERREXIT(info, JERR_INPUT_EMPTY);
        // a file cut short ends with an inserted end-of-image code
        WARNMS(info, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        n = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = static_cast<std::size_t>(n);
    source->start_of_file = FALSE;
    return TRUE;
}

void JpegSkipInputData(j_decompress_ptr info, long count)
{
    auto* source = reinterpret_cast<JPEGSOURCE*>(info->src);
    if (count <= 0) return;
    while (count > static_cast<long>(source->pub.bytes_in_buffer)) {
        count -= static_cast<long>(source->pub.bytes_in_buffer);
        JpegFillInputBuffer(info);
    }
    source->pub.next_input_byte += count;
    source->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
}

static void JpegTermSource(j_decompress_ptr) {}

void SetJpegStreamSource(j_decompress_ptr info, IMGSRC* src)
{
    if (info->src == nullptr) {
        info->src = static_cast<jpeg_source_mgr*>(
            (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(JPEGSOURCE)));
        reinterpret_cast<JPEGSOURCE*>(info->src)->buffer = static_cast<JOCTET*>(
            (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, jpeg_buffer_size));
    }
    auto* source = reinterpret_cast<JPEGSOURCE*>(info->src);
    source->pub.init_source = JpegInitSource;
    source->pub.fill_input_buffer = JpegFillInputBuffer;
    source->pub.skip_input_data = JpegSkipInputData;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = JpegTermSource;
    source->pub.bytes_in_buffer = 0;
    source->pub.next_input_byte = nullptr;
    source->src = src;
}

int LoadJpegImage(IMGSRC* src, IMGBUF* image)
{
    jpeg_decompress_struct info;
    jpeg_failure failure;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&failure.pub);
    failure.pub.error_exit = JpegErrorExit;
    failure.pub.output_message = JpegOutputMessage;
    unsigned char* volatile pixels = nullptr;
    if (setjmp(failure.back) != 0) {
        ManagedFree(pixels);
        jpeg_destroy_decompress(&info);
        return -1;
    }
    jpeg_create_decompress(&info);
    SetJpegStreamSource(&info, src);
    jpeg_read_header(&info, TRUE);
    // colour through B, G, R straight from the library; CMYK and YCCK have
    // no faithful conversion here and are refused
    if (info.out_color_space == JCS_RGB)
        info.out_color_space = JCS_EXT_BGR;
    else if (info.out_color_space != JCS_GRAYSCALE)
        longjmp(failure.back, 1);
    if (!image_size_ok(info.image_width, info.image_height)) longjmp(failure.back, 1);
    jpeg_start_decompress(&info);
    const int components = info.output_components;
    if ((components != 1 && components != 3) || !image_size_ok(info.output_width, info.output_height))
        longjmp(failure.back, 1);
    const long long row = static_cast<long long>(components) * info.output_width;
    pixels = static_cast<unsigned char*>(ManagedAlloc(static_cast<int>(row * info.output_height), "jpeg.cpp", __LINE__));
    if (pixels == nullptr) longjmp(failure.back, 1);
    while (info.output_scanline < info.output_height) {
        JSAMPROW at = pixels + row * info.output_scanline;
        jpeg_read_scanlines(&info, &at, 1);
    }
    jpeg_finish_decompress(&info);
    if (components == 1)
        InitGrayFormat(&image->format);
    else
        InitFullColorFormat(&image->format);
    image->width = static_cast<int>(info.output_width);
    image->height = static_cast<int>(info.output_height);
    image->pitch = static_cast<int>(row);
    image->pixels = pixels;
    image->mipmaps = 0;
    jpeg_destroy_decompress(&info);
    return 0;
}
