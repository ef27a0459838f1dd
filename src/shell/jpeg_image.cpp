#include "jpeg_image.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

// jpeglib.h expects FILE and size_t to be declared before it, and jerror.h
// needs the configuration that jpeglib.h brings in.
#include <jpeglib.h>

#include <jerror.h>

namespace {

// libjpeg reports fatal errors through error_exit, which by default prints and
// calls exit(). Ours jumps back into decodeJpeg instead, which then cleans up
// and returns a null image.
struct ErrorManager {
    jpeg_error_mgr base{};
    std::jmp_buf jump{};
};

[[noreturn]] void jumpOut(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(manager->jump, 1);
}

// Warnings that mean the decoder had to invent picture data (missing bytes
// filled with grey, a damaged segment skipped). A picture decoded after one of
// these is wrong, so it is treated as a failure like a fatal error.
bool meansLostData(int code) {
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
#if JPEG_LIB_VERSION >= 70 || defined(C_ARITH_CODING_SUPPORTED) || defined(D_ARITH_CODING_SUPPORTED)
    case JWRN_ARITH_BAD_CODE:
#endif
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

void emitMessage(j_common_ptr cinfo, int level) {
    // level -1 is a warning; 0 and above are trace messages, which we drop.
    if (level < 0 && meansLostData(cinfo->err->msg_code)) {
        jumpOut(cinfo);
    }
}

void outputNothing(j_common_ptr) {}

// Adobe writes CMYK JPEGs with inverted components (255 = no ink); others
// store plain ink amounts. Either way the result is a simple, unmanaged
// conversion, which is all a picture on a page needs.
void cmykRowToRgb(const JSAMPLE* in, uchar* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<uchar>(c * k / 255);
        out[1] = static_cast<uchar>(m * k / 255);
        out[2] = static_cast<uchar>(y * k / 255);
    }
}

// Does the work between setjmp and the end of decompression. Everything that
// must survive a longjmp lives in *cinfo, *image and *cmykRow, which are
// reached through pointers and so are never held only in registers.
void decodeInto(jpeg_decompress_struct* cinfo, const QByteArray& data, qint64 maxPixels,
                QImage* image, std::vector<JSAMPLE>* cmykRow) {
    jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(cinfo, TRUE);

    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_calc_output_dimensions(cinfo);
    const qint64 pixels = qint64{cinfo->output_width} * qint64{cinfo->output_height};
    if (pixels <= 0 || pixels > maxPixels) {
        return; // image stays null
    }

    jpeg_start_decompress(cinfo);
    *image = QImage(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height),
                    QImage::Format_RGB888);
    if (image->isNull()) {
        return; // out of memory
    }
    if (cmyk) {
        cmykRow->resize(std::size_t{cinfo->output_width} * 4);
    }
    const bool inverted = cinfo->saw_Adobe_marker;

    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        JSAMPROW row = cmyk ? cmykRow->data() : image->scanLine(y);
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            *image = QImage(); // the memory source never suspends; be safe anyway
            return;
        }
        if (cmyk) {
            cmykRowToRgb(cmykRow->data(), image->scanLine(y), cinfo->output_width, inverted);
        }
    }
    jpeg_finish_decompress(cinfo);
}

} // namespace

QImage decodeJpeg(const QByteArray& data, qint64 maxPixels) {
    if (data.isEmpty()) {
        return {};
    }

    jpeg_decompress_struct cinfo{};
    ErrorManager errors;
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOut;
    errors.base.emit_message = emitMessage;
    errors.base.output_message = outputNothing;

    QImage image;
    std::vector<JSAMPLE> cmykRow;
    if (setjmp(errors.jump) != 0) {
        // Reached from jumpOut: the decoder's state is unusable, but destroying
        // it releases everything it allocated.
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    jpeg_create_decompress(&cinfo);
    decodeInto(&cinfo, data, maxPixels, &image, &cmykRow);
    jpeg_destroy_decompress(&cinfo);
    return image;
}
