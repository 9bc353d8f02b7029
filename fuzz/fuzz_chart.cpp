// Fuzz target for charts: the settings block of the chart's stored form and
// the reading and drawing of a chart's memo (chart_input.h says what one input
// goes through).

#include "chart_input.h"
#include "fuzzsupport.h"

#include <QtGlobal>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    frfuzz::startGuiApplication(argc, argv); // fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    frfuzz::countRun();
    frfuzz::runChartInput(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
