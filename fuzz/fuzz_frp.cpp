// Fuzz target for the prepared-report reader: every input is read as a
// prepared-report file. A file that loads is saved, read and saved again, and
// the two saved files must agree; then every page (up to 20) is rebuilt,
// drawn, hit-tested, written back and rebuilt again, with the program's font
// measurer and add-in classes.

#include "fuzzsupport.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "report/addins/programaddins.h"
#include "report/builder/preparedpages.h"
#include "report/model/engine.h"

#include <QImage>
#include <QPainter>
#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    frfuzz::startGuiApplication(argc, argv); // fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static frfuzz::TSilentInteraction silent;
    static TfrEngine& engine = [] () -> TfrEngine& {
        static TfrEngine e(&silent);
        frRegisterProgramAddIns(e);
        return e;
    }();
    frfuzz::countRun();
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    TfrReport report(engine);
    TfrEMFPages& pages = frPreparedPages(report);
    const TfrLoadResult loaded = pages.loadFromStream(input);
    if (!loaded.ok()) {
        if (pages.count() != 0 || loaded.messages.isEmpty())
            std::abort(); // a refused file leaves nothing and says why
        return 0;
    }
    const QByteArray first = pages.saveToStream();
    {
        TfrEMFPages reread(engine);
        if (!reread.loadFromStream(first).ok() || reread.saveToStream() != first)
            std::abort(); // writer and reader disagree
    }
    QImage image(80, 112, QImage::Format_RGB32);
    for (int i = 0; i < pages.count() && i < 20; ++i) {
        try {
            {
                QPainter painter(&image);
                pages.draw(i, painter, image.rect());
            }
            pages.objectAt(i, {5, 5}, false);
            pages.objectAt(i, {300, 400}, true);
            pages.savePage(i);
            pages.releasePage(i);
            pages.loadPage(i);
        } catch (const Exception&) {
            // damaged page streams end in errors
        }
        pages.releasePage(i);
    }
    return 0;
}
