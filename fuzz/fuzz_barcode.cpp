// libFuzzer target of the barcode generator: see barcode_input.h for what one
// input goes through. Anything but an Exception (a crash, a sanitizer report,
// a hang) is a finding.

#include "barcode_input.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    frfuzz::startGuiApplication(argc, argv); // fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    frfuzz::runBarcodeInput(QByteArrayView(data, qsizetype(size)));
    return 0;
}
