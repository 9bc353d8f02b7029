// Fuzz target for what the designer reads from outside: the internal
// clipboard's object records (pasted) and the command lines of
// ostrand-cli --edit (read and run). The first byte chooses:
//   even: the rest is a list of records, each a u16 length and its bytes,
//         pasted onto a page; a report that then saves must read back and
//         save the same bytes;
//   odd:  the rest is code page 1251 text, one command line a line (file
//         commands left out), read and run in order on a small template,
//         each command taken back by undo at the end (the bytes come back
//         unless the report's options or dictionary were changed).

#include "fuzzsupport.h"
#include "common/cp1251.h"
#include "report/design/designcommands.h"
#include "report/design/designdoc.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/render/textmeasure.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// Lines run from one input, and objects past which no more are run.
constexpr int kMaxLines = 64;
constexpr int kMaxObjects = 2000;

void addObjects(TfrReport& report) {
    TfrEngine& engine = report.engine();
    TfrPage& page = *report.pages().page(report.pages().add());
    page.name = QStringLiteral("Page1");
    auto band = engine.createObject(gtBand);
    band->setName(QStringLiteral("MasterData1"));
    static_cast<TfrBandView&>(*band).setBandType(btMasterData);
    band->setBounds(0, 100, 758, 40);
    page.add(std::move(band));
    for (int i = 0; i < 4; ++i) {
        auto memo = engine.createObject(gtMemo);
        memo->setName(QStringLiteral("Memo%1").arg(i + 1));
        memo->setBounds(40 + 100 * i, 104, 100, 20);
        memo->memo = QStringList{QStringLiteral("[DS.\"Field%1\"]").arg(i)};
        page.add(std::move(memo));
    }
}

void pasteRecords(TfrEngine& engine, QByteArrayView input) {
    TfrReport report(engine);
    addObjects(report);
    TfrDesignDocument doc(report, true);
    std::vector<QByteArray> records;
    qsizetype at = 0;
    while (at + 2 <= input.size() && int(records.size()) < kMaxObjects) {
        const qsizetype n = qsizetype(std::uint8_t(input[at])) | (qsizetype(std::uint8_t(input[at + 1])) << 8);
        at += 2;
        records.emplace_back(input.sliced(at, std::min(n, input.size() - at)).toByteArray());
        at += n;
    }
    doc.setClipboard(std::move(records));
    doc.paste(QPoint(8, 8));
    QByteArray first;
    try {
        first = report.saveToStream();
    } catch (const Exception&) {
        return; // a pasted text too long for the format is refused when saving
    }
    TfrReport again(engine);
    if (!again.loadFromStream(first).ok() || again.saveToStream() != first)
        std::abort();
    // Taking the paste back leaves the page as it was.
    if (doc.undoStack().count() == 1) {
        doc.undo();
        TfrReport before(engine);
        addObjects(before);
        if (report.pages().page(0)->count() != before.pages().page(0)->count())
            std::abort();
    }
}

void runCommands(TfrEngine& engine, QByteArrayView input) {
    TfrReport report(engine);
    addObjects(report);
    const QByteArray before = report.saveToStream();
    TfrDesignDocument doc(report, true);
    const QStringList lines = cp1251::decode(input.toByteArray()).split(u'\n');
    int run = 0;
    bool reportChanged = false;
    for (const QString& line : lines) {
        if (run++ >= kMaxLines || doc.page().count() > kMaxObjects)
            break;
        TfrDesignCommand command;
        try {
            command = frParseDesignCommand(line);
        } catch (const EDesignCommandSyntax&) {
            continue;
        }
        // Files are neither read nor written here, and the report is not replaced.
        if (command.name == u"open" || command.name == u"save-as" || command.name == u"new")
            continue;
        frRunDesignCommand(doc, command);
        // The options and the dictionary change the report, not its objects:
        // undo does not take them back (page options keep what they took
        // before a bad column count, as the dialog does).
        if (command.name == u"page-options" || command.name == u"report-options" || command.name == u"dictionary")
            reportChanged = true;
    }
    // Pages are not taken back by undo; on a report that kept its one page
    // and its options, undoing every command (fewer than the stack holds)
    // restores the bytes.
    doc.setPage(0);
    while (doc.undo()) {
    }
    if (doc.pageCount() == 1 && !reportChanged && report.saveToStream() != before)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(frfuzz::quietQtMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static frfuzz::TSilentInteraction silent;
    static TfrEngine engine(&silent);
    // Texts are measured without fonts (inserting fields sizes its texts):
    // this process has no graphical application.
    static const bool measured = [] {
        frSetTextMeasurer(engine, std::make_shared<TfrFixedMeasurer>(6));
        return true;
    }();
    (void)measured;
    if (size == 0)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    if (data[0] % 2 == 0)
        pasteRecords(engine, input);
    else
        runCommands(engine, input);
    return 0;
}
