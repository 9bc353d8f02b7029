// Fuzz target for the report template reader: every input is read as a report
// file stream and as a dictionary block. A stream that loads whole (nothing
// skipped; warnings of objects kept as read are fine) is saved, loaded and
// saved again, and the two saved streams must agree. The program's add-in
// classes are registered, so their records are read and written too.

#include "fuzzsupport.h"
#include "common/binio.h"
#include "report/addins/programaddins.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Image readers warn about damaged pictures on stderr; that is expected here.
    qInstallMessageHandler(frfuzz::quietQtMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TfrEngine& engine = [] () -> TfrEngine& {
        static TfrEngine e;
        frRegisterProgramAddIns(e);
        return e;
    }();
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    TfrReport report(engine);
    const TfrLoadResult loaded = report.loadFromStream(input);
    if (loaded.whole() && size > 0) {
        QByteArray first;
        try {
            first = report.saveToStream();
        } catch (const Exception&) {
            first.clear(); // not representable (a text too long): refused, fine
        }
        if (!first.isEmpty()) {
            TfrReport again(engine);
            const TfrLoadResult reloaded = again.loadFromStream(first);
            if (!reloaded.whole())
                std::abort(); // the reader refused what the writer wrote
            // Saving changes nothing, so the second save is the first one.
            if (again.saveToStream() != first)
                std::abort();
        }
    }

    TfrReport dictionaryOwner(engine);
    try {
        TBinaryReader in(input);
        dictionaryOwner.dictionary().loadFromStream(in, 25);
    } catch (const Exception&) {
    }
    return 0;
}
