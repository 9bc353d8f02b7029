// libFuzzer target of the expression layer: see expr_input.h for what one
// input goes through. Anything but an Exception (a crash, a sanitizer report,
// a hang) is a finding.

#include "expr_input.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_expr";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static frfuzz::World world;
    frfuzz::runExpressionInput(world, QByteArrayView(data, qsizetype(size)));
    return 0;
}
