// Fuzz target for the report template reader: every input is read as a report
// file stream and as a dictionary block. A stream that loads cleanly is saved,
// loaded and saved again, and the two saved streams must agree.

#include "common/binio.h"
#include "common/interaction.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Answers every question with "no" and keeps nothing, so that inputs run fast.
class TQuietInteraction : public TUserInteraction {
public:
    int shown = 0;
    Button messageBox(const QString&, const QString&, Icon, Buttons) override {
        ++shown;
        return Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
};

void quietQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Image readers warn about damaged pictures on stderr; that is expected here.
    qInstallMessageHandler(quietQtMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TQuietInteraction quiet;
    static TScopedInteraction scope(quiet);
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    quiet.shown = 0;
    TfrReport report;
    report.loadFromStream(input, false);
    if (quiet.shown == 0 && size > 0) {
        QByteArray first;
        try {
            first = report.saveToStream();
        } catch (const Exception&) {
            first.clear(); // not representable (a text too long): refused, fine
        }
        if (!first.isEmpty()) {
            TfrReport again;
            again.loadFromStream(first, false);
            if (quiet.shown != 0)
                std::abort(); // the reader refused what the writer wrote
            const QByteArray second = again.saveToStream();
            // The last eight bytes hold the time of saving.
            if (first.size() != second.size() || std::memcmp(first.constData(), second.constData(), first.size() - 8) != 0)
                std::abort();
        }
    }

    TfrReport dictionaryOwner;
    try {
        TBinaryReader in(input);
        dictionaryOwner.dictionary().loadFromStream(in);
    } catch (const Exception&) {
    }
    return 0;
}
