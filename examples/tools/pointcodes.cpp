// Writes the report template of the settings file pointcodes.cfg: the
// telemechanics points of the demo configuration grouped by substation, each
// with its number printed as a Code 128 barcode, and "Страница N из M" at the
// foot of each page.
//
//   ostrand-pointcodes-report OUT.frf
//
// The template in examples/settings/pointcodes.frf is this program's output;
// a test checks that they stay the same.

#include "exampletemplate.h"
#include "report/addins/barcodeview.h"
#include "report/addins/programaddins.h"

namespace {

// A cell of the list: text in the middle of its height.
void memo(TExampleTemplate& t, int left, int top, int width, int height, const QString& text,
          std::uint32_t alignment = frtaLeft, std::uint16_t style = 0, int size = 10, std::uint16_t frame = frftNone) {
    t.memo(left, top, width, height, text, alignment | frtaMiddle, style, size, frame);
}

// A Code 128 barcode of `code` (an expression) at its zoom 2: bars 22
// pixels long over its caption.
void barcode(TExampleTemplate& t, int left, int top, const QString& code) {
    auto& bar = t.add<TfrBarCodeView>(gtAddIn, QStringLiteral("Bar1"), left, top, 120, 36,
                                      TfrBarCodeView::classInfo().className);
    bar.memo = QStringList{code};
    bar.barType = bcCode128B;
    bar.zoom = 2;
}

// Text columns left to right; the barcode column fills the rest.
const TColumn kColumns[] = {
    {u"№ точки", u"[DS.\"PointNo\"]", 70, frtaRight},
    {u"Точка", u"[DS.\"PointName\"]", 320, frtaLeft},
    {u"Тип", u"[DS.\"Kind\"]", 50, frtaCenter},
};

void buildTemplate(TExampleTemplate& t) {
    t.addPage();
    TfrReport& report = t.report();
    report.doublePassReport = true; // "из M" needs the page count
    report.title = QStringLiteral("Штрихкоды точек телемеханики");
    report.info.name = QStringLiteral("Номера точек телемеханики штрихкодами");
    report.info.author = QStringLiteral("Ostrand");
    // Fixed dates (10 December 2026), so that the program always writes the same bytes.
    report.info.createDate = report.info.lastChangeDate = 46366.0;

    const int width = kRight - kLeft;
    t.band("ReportTitle1", btReportTitle, 20, 44);
    memo(t, kLeft, 24, width, 28, QStringLiteral("Штрихкоды точек телемеханики"), frtaCenter, fsBold, 16);

    t.band("PageHeader1", btPageHeader, 80, 28);
    int x = kLeft;
    for (const TColumn& c : kColumns) {
        memo(t, x, 82, c.width, 24, QString::fromUtf16(c.caption), frtaCenter, fsBold, 10, kBox);
        x += c.width;
    }
    memo(t, x, 82, kRight - x, 24, QStringLiteral("Штрихкод номера (Code 128)"), frtaCenter, fsBold, 10, kBox);

    t.band("GroupHeader1", btGroupHeader, 124, 28, QStringLiteral("DS.\"SubName\""));
    memo(t, kLeft, 128, width, 20, QStringLiteral("ПС № [DS.\"ObjNo\"] [DS.\"SubName\"]"), frtaLeft, fsBold);

    t.band("MasterData1", btMasterData, 168, 40, QStringLiteral("frDS"));
    x = kLeft;
    for (const TColumn& c : kColumns) {
        memo(t, x, 168, c.width, 40, QString::fromUtf16(c.value), c.alignment, 0, 10, kBox);
        x += c.width;
    }
    memo(t, x, 168, kRight - x, 40, QString(), frtaLeft, 0, 10, kBox);
    barcode(t, x + 16, 170, QStringLiteral("[DS.\"PointNo\"]"));

    t.band("PageFooter1", btPageFooter, 1000, 28);
    memo(t, kLeft, 1004, width, 20, QStringLiteral("Страница [PAGE#] из [TOTALPAGES]"), frtaRight);
}

} // namespace

int main(int argc, char** argv) {
    return frWriteExampleTemplate(argc, argv, "ostrand-pointcodes-report", [](TfrEngine& engine, TExampleTemplate& t) {
        frRegisterProgramAddIns(engine);
        buildTemplate(t);
    });
}
