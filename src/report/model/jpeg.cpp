#include "report/model/jpeg.h"

#include "common/exception.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace frjpeg {

namespace {

// libjpeg's default error handler ends the process; this one jumps back to the
// caller with the library's message instead.
struct TErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are not shown, except that data ending before the picture does is
// an error: libjpeg would otherwise fill the rest of a truncated (or hostile,
// very large) picture with grey.
void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        onError(cinfo);
}

} // namespace

// The functions below keep everything that must survive a longjmp in plain
// variables declared before setjmp and touch no object with a destructor
// between setjmp and the end of the libjpeg calls.

QImage decode(const QByteArray& bytes, qint64 maxPixels) {
    if (bytes.isEmpty())
        throw EFormatError(QStringLiteral("JPEG: empty picture data"));
    jpeg_decompress_struct cinfo;
    TErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.message[0] = 0;
    QImage* volatile result = nullptr;
    bool tooLarge = false;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        delete result;
        throw EFormatError(QStringLiteral("JPEG: %1").arg(QString::fromLatin1(err.message)));
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (static_cast<qint64>(cinfo.image_width) * cinfo.image_height > maxPixels) {
        tooLarge = true;
    } else {
        if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)
            cinfo.out_color_space = JCS_CMYK;
        else
            cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        const int w = static_cast<int>(cinfo.output_width);
        const int h = static_cast<int>(cinfo.output_height);
        const int comps = cinfo.output_components;
        result = new QImage(w, h, QImage::Format_RGB32);
        if (result->isNull()) {
            tooLarge = true;
        } else {
            // One scan line of libjpeg output; allocated through libjpeg's pool so
            // that a jump frees it with the decompressor.
            JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                        static_cast<JDIMENSION>(w * comps), 1);
            while (cinfo.output_scanline < cinfo.output_height) {
                const int y = static_cast<int>(cinfo.output_scanline);
                jpeg_read_scanlines(&cinfo, row, 1);
                auto* dst = reinterpret_cast<QRgb*>(result->scanLine(y));
                const JSAMPLE* src = row[0];
                for (int x = 0; x < w; ++x) {
                    if (comps == 4) {
                        // Adobe CMYK JPEGs store inverted values.
                        const int k = src[4 * x + 3];
                        dst[x] = qRgb(src[4 * x] * k / 255, src[4 * x + 1] * k / 255, src[4 * x + 2] * k / 255);
                    } else if (comps == 3) {
                        dst[x] = qRgb(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
                    } else {
                        dst[x] = qRgb(src[x], src[x], src[x]);
                    }
                }
            }
            jpeg_finish_decompress(&cinfo);
        }
    }
    jpeg_destroy_decompress(&cinfo);
    if (tooLarge) {
        delete result;
        throw EFormatError(QStringLiteral("JPEG: picture too large"));
    }
    QImage out = std::move(*result);
    delete result;
    return out;
}

QByteArray encode(const QImage& image, int quality) {
    if (image.isNull())
        throw Exception(QStringLiteral("JPEG: empty image"));
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo;
    TErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    // The output buffer's address is handed to libjpeg, so its value lives in
    // memory and is valid after a jump.
    unsigned char* target = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(target);
        throw Exception(QStringLiteral("JPEG: %1").arg(QString::fromLatin1(err.message)));
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &target, &size);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality < 1 ? 1 : (quality > 100 ? 100 : quality), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(target), static_cast<qsizetype>(size));
    std::free(target);
    return out;
}

} // namespace frjpeg
