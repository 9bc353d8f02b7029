// Writes the report template of the settings file pointcodes.cfg: the
// telemechanics points of the demo configuration grouped by substation, each
// with its number printed as a Code 128 barcode, and "Страница N из M" at the
// foot of each page.
//
//   ostrand-pointcodes-report OUT.frf
//
// The template in examples/settings/pointcodes.frf is this program's output;
// a test checks that they stay the same.

#include "common/exception.h"
#include "report/addins/barcodeview.h"
#include "report/addins/programaddins.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// Left and right edge of the printed area in report pixels (A4, 10 mm margins).
constexpr int kLeft = 38, kRight = 718;
constexpr std::uint16_t kAllSides = frftLeft | frftTop | frftRight | frftBottom;

class TCodesTemplate {
public:
    explicit TCodesTemplate(TfrEngine& engine) : m_engine(engine), m_report(engine) {
        m_report.pages().add();
        m_page = m_report.pages().page(0);
    }

    TfrReport& report() { return m_report; }

    void band(const char* name, int type, int top, int height, const QString& source = {}) {
        auto view = m_engine.createObject(gtBand);
        auto& band = static_cast<TfrBandView&>(*view);
        band.setName(QString::fromLatin1(name));
        band.setBandType(type);
        band.setBounds(0, top, kRight + 40, height);
        if (!source.isEmpty())
            band.setDataSourceName(source);
        m_page->add(std::move(view));
    }

    void memo(int left, int top, int width, int height, const QString& text, std::uint32_t alignment = frtaLeft,
              std::uint16_t style = 0, int size = 10, std::uint16_t frame = frftNone) {
        auto view = m_engine.createObject(gtMemo);
        auto& memo = static_cast<TfrMemoView&>(*view);
        memo.setName(QStringLiteral("Memo%1").arg(++m_memos));
        memo.setBounds(left, top, width, height);
        memo.memo = QStringList{text};
        memo.alignment = alignment | frtaMiddle;
        memo.font.size = size;
        memo.font.style = style;
        memo.frameTyp = frame;
        m_page->add(std::move(view));
    }

    // A Code 128 barcode of `code` (an expression) at its zoom 2: bars 22
    // pixels long over its caption.
    void barcode(int left, int top, const QString& code) {
        auto view = m_engine.createObject(gtAddIn, TfrBarCodeView::classInfo().className);
        auto& bar = static_cast<TfrBarCodeView&>(*view);
        bar.setName(QStringLiteral("Bar1"));
        bar.setBounds(left, top, 120, 36);
        bar.memo = QStringList{code};
        bar.barType = bcCode128B;
        bar.zoom = 2;
        m_page->add(std::move(view));
    }

private:
    TfrEngine& m_engine;
    TfrReport m_report;
    TfrPage* m_page = nullptr;
    int m_memos = 0;
};

struct TColumn {
    const char16_t* caption;
    const char16_t* value;
    int width;
    std::uint32_t alignment;
};

// Text columns left to right; the barcode column fills the rest.
const TColumn kColumns[] = {
    {u"№ точки", u"[DS.\"PointNo\"]", 70, frtaRight},
    {u"Точка", u"[DS.\"PointName\"]", 320, frtaLeft},
    {u"Тип", u"[DS.\"Kind\"]", 50, frtaCenter},
};

void buildTemplate(TCodesTemplate& t) {
    TfrReport& report = t.report();
    report.doublePassReport = true; // "из M" needs the page count
    report.title = QStringLiteral("Штрихкоды точек телемеханики");
    report.info.name = QStringLiteral("Номера точек телемеханики штрихкодами");
    report.info.author = QStringLiteral("Ostrand");
    // Fixed dates (10 December 2026), so that the program always writes the same bytes.
    report.info.createDate = report.info.lastChangeDate = 46366.0;

    const int width = kRight - kLeft;
    t.band("ReportTitle1", btReportTitle, 20, 44);
    t.memo(kLeft, 24, width, 28, QStringLiteral("Штрихкоды точек телемеханики"), frtaCenter, fsBold, 16);

    t.band("PageHeader1", btPageHeader, 80, 28);
    int x = kLeft;
    for (const TColumn& c : kColumns) {
        t.memo(x, 82, c.width, 24, QString::fromUtf16(c.caption), frtaCenter, fsBold, 10, kAllSides);
        x += c.width;
    }
    t.memo(x, 82, kRight - x, 24, QStringLiteral("Штрихкод номера (Code 128)"), frtaCenter, fsBold, 10, kAllSides);

    t.band("GroupHeader1", btGroupHeader, 124, 28, QStringLiteral("DS.\"SubName\""));
    t.memo(kLeft, 128, width, 20, QStringLiteral("ПС № [DS.\"ObjNo\"] [DS.\"SubName\"]"), frtaLeft, fsBold);

    t.band("MasterData1", btMasterData, 168, 40, QStringLiteral("frDS"));
    x = kLeft;
    for (const TColumn& c : kColumns) {
        t.memo(x, 168, c.width, 40, QString::fromUtf16(c.value), c.alignment, 0, 10, kAllSides);
        x += c.width;
    }
    t.memo(x, 168, kRight - x, 40, QString(), frtaLeft, 0, 10, kAllSides);
    t.barcode(x + 16, 170, QStringLiteral("[DS.\"PointNo\"]"));

    t.band("PageFooter1", btPageFooter, 1000, 28);
    t.memo(kLeft, 1004, width, 20, QStringLiteral("Страница [PAGE#] из [TOTALPAGES]"), frtaRight);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        err << "Ожидается: ostrand-pointcodes-report OUT.frf\n";
        return 2;
    }
    try {
        TfrEngine engine;
        frRegisterProgramAddIns(engine);
        TCodesTemplate t(engine);
        buildTemplate(t);
        t.report().saveToFile(args[0]);
    } catch (const Exception& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
