// libFuzzer target of the RTF reader and of what works on its documents (the
// writer, layout and drawing): see rtf_input.h for what one input goes
// through. Every sixteenth input is also drawn into a small image.

#include "fuzzsupport.h"
#include "rtf_input.h"
#include "richtext/richlayout.h"

#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    frfuzz::startGuiApplication(argc, argv); // fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int runs = frfuzz::countRun();
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const char* fault = nullptr;
    if (runs % 16 == 0) {
        QImage image(64, 64, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.scale(96 / richtext::TwipsPerInch, 96 / richtext::TwipsPerInch);
        fault = frfuzz::runRtfInput(input, &painter);
    } else {
        fault = frfuzz::runRtfInput(input, nullptr);
    }
    if (fault) {
        std::fprintf(stderr, "fuzz_rtf: %s\n", fault);
        std::abort();
    }
    return 0;
}
