// libFuzzer target of the script interpreter: see script_input.h for what one
// input goes through. Anything but an Exception (a crash, a sanitizer report,
// a hang) is a finding.

#include "script_input.h"

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_script";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static frfuzz::World world;
    frfuzz::runScriptInput(world, QByteArrayView(data, qsizetype(size)));
    return 0;
}
