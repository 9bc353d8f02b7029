// Fuzz target for charts: the settings block of the chart's stored form and
// the reading and drawing of a chart's memo (chart_input.h says what one input
// goes through).

#include "chart_input.h"
#include "fuzzsupport.h"

#include <QGuiApplication>
#include <QtGlobal>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qInstallMessageHandler(frfuzz::quietQtMessages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int runs = 0;
    if (++runs % 500 == 0)
        QCoreApplication::processEvents(); // lets Qt drop unused font engines
    frfuzz::runChartInput(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
