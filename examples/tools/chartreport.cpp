// Writes the report template of the demo settings file substations.cfg: a
// table of the substations with their points counted by type, and on the
// next page a bar chart of the points per substation, collected from the
// table's rows while the report is built.
//
//   ostrand-chart-report OUT.frf
//
// The template in examples/settings/substations.frf is this program's
// output; a test checks that they stay the same.

#include "common/exception.h"
#include "report/addins/chart.h"
#include "report/addins/programaddins.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// Left and right edge of the printed area in report pixels (A4, 10 mm margins).
constexpr int kLeft = 38, kRight = 718;
constexpr std::uint16_t kBox = frftLeft | frftTop | frftRight | frftBottom;

class TChartTemplate {
public:
    explicit TChartTemplate(TfrEngine& engine) : m_engine(engine), m_report(engine) {
        m_report.pages().add();
        m_page = m_report.pages().page(0);
    }

    TfrReport& report() { return m_report; }

    TfrBandView& band(const char* name, int type, int top, int height, const QString& source = {}) {
        auto& band = add<TfrBandView>(gtBand);
        band.setName(QString::fromLatin1(name));
        band.setBandType(type);
        band.setBounds(0, top, kRight + 40, height);
        band.setDataSourceName(source);
        return band;
    }

    TfrMemoView& memo(int left, int top, int width, int height, const QString& text, std::uint32_t alignment = frtaLeft,
                      std::uint16_t style = 0, int size = 10, std::uint16_t frame = frftNone) {
        auto& memo = add<TfrMemoView>(gtMemo);
        memo.setName(QStringLiteral("Memo%1").arg(++m_memos));
        memo.setBounds(left, top, width, height);
        memo.memo = QStringList{text};
        memo.alignment = alignment;
        memo.font.name = QStringLiteral("Arial");
        memo.font.size = size;
        memo.font.style = style;
        memo.frameTyp = frame;
        return memo;
    }

    TfrChartView& chart(int left, int top, int width, int height) {
        auto& chart = add<TfrChartView>(gtAddIn, QStringLiteral("TfrChartView"));
        chart.setName(QStringLiteral("Chart1"));
        chart.setBounds(left, top, width, height);
        return chart;
    }

private:
    template <class T>
    T& add(int kind, const QString& className = {}) {
        std::unique_ptr<TfrView> view = m_engine.createObject(kind, className);
        T& object = static_cast<T&>(*view);
        m_page->add(std::move(view));
        return object;
    }

    TfrEngine& m_engine;
    TfrReport m_report;
    TfrPage* m_page = nullptr;
    int m_memos = 0;
};

struct TColumn {
    const char16_t* caption;
    const char16_t* value; // in the row of a substation
    const char16_t* total; // in the row of all substations
    int width;
    std::uint32_t alignment;
};

// The table's columns, left to right; their widths fill the printed width.
const TColumn kColumns[] = {
    {u"Подстанция", u"[DS.\"SubName\"]", u"Всего", 250, frtaLeft},
    {u"Район", u"[DS.\"District\"]", u"", 160, frtaLeft},
    {u"ТИ", u"[SUM(IF([DS.\"Kind\"] = 'ТИ', 1, 0), MasterData1)]", u"[SUM(IF([DS.\"Kind\"] = 'ТИ', 1, 0), MasterData1)]", 65, frtaRight},
    {u"ТС", u"[SUM(IF([DS.\"Kind\"] = 'ТС', 1, 0), MasterData1)]", u"[SUM(IF([DS.\"Kind\"] = 'ТС', 1, 0), MasterData1)]", 65, frtaRight},
    {u"ТУ", u"[SUM(IF([DS.\"Kind\"] = 'ТУ', 1, 0), MasterData1)]", u"[SUM(IF([DS.\"Kind\"] = 'ТУ', 1, 0), MasterData1)]", 65, frtaRight},
    {u"Всего", u"[COUNT(MasterData1)]", u"[COUNT(MasterData1)]", 75, frtaRight},
};

void buildTemplate(TChartTemplate& t) {
    TfrReport& report = t.report();
    report.doublePassReport = true; // "из M" needs the page count
    report.title = QStringLiteral("Точки по подстанциям");
    report.info.name = QStringLiteral("Точки телемеханики по подстанциям демонстрационной конфигурации");
    report.info.author = QStringLiteral("Ostrand");
    // Fixed dates (9 December 2026), so that the program always writes the same bytes.
    report.info.createDate = report.info.lastChangeDate = 46365.0;
    TfrDataDictionary& dictionary = report.dictionary();
    dictionary.setVariable(QStringLiteral(" Параметры сервера"), TVariant(QString()));
    dictionary.setVariable(QStringLiteral("Машина"), TVariant(QStringLiteral("''")));
    dictionary.setVariable(QStringLiteral("Сервер"), TVariant(QStringLiteral("''")));
    dictionary.setVariable(QStringLiteral("Файл_изменён"), TVariant(QStringLiteral("''")));

    const int width = kRight - kLeft;
    t.band("ReportTitle1", btReportTitle, 20, 84);
    t.memo(kLeft, 24, width, 28, QStringLiteral("Точки телемеханики по подстанциям"), frtaCenter, fsBold, 16);
    t.memo(kLeft, 56, width, 20, QStringLiteral("NT-сервер: [Машина]     ТМ-сервер: [Сервер]"), frtaCenter);
    t.memo(kLeft, 78, width, 20, QStringLiteral("Файл конфигурации изменён [Файл_изменён]"), frtaCenter);

    t.band("MasterHeader1", btMasterHeader, 120, 24);
    int x = kLeft;
    for (const TColumn& c : kColumns) {
        t.memo(x, 120, c.width, 24, QString::fromUtf16(c.caption), frtaCenter | frtaMiddle, fsBold, 10, kBox);
        x += c.width;
    }

    // One row per substation: the points of its records are counted by the
    // group footer; the records themselves print nothing.
    t.band("GroupHeader1", btGroupHeader, 164, 0, QStringLiteral("DS.\"SubName\""));
    t.band("MasterData1", btMasterData, 180, 0, QStringLiteral("frDS"));
    t.band("GroupFooter1", btGroupFooter, 196, 20);
    x = kLeft;
    for (const TColumn& c : kColumns) {
        TfrMemoView& m = t.memo(x, 196, c.width, 20, QString::fromUtf16(c.value), c.alignment | frtaMiddle, 0, 10, kBox);
        // The chart's captions and values.
        if (x == kLeft)
            m.setName(QStringLiteral("SubName"));
        else if (x + c.width == kRight)
            m.setName(QStringLiteral("PointCount"));
        x += c.width;
    }

    TfrBandView& summary = t.band("ReportSummary1", btReportSummary, 232, 20);
    summary.childBand = QStringLiteral("Child1");
    x = kLeft;
    for (const TColumn& c : kColumns) {
        t.memo(x, 232, c.width, 20, QString::fromUtf16(c.total), c.alignment | frtaMiddle, fsBold, 10, kBox);
        x += c.width;
    }

    t.band("PageFooter1", btPageFooter, 270, 28);
    t.memo(kLeft, 274, width, 20, QStringLiteral("Страница [PAGE#] из [TOTALPAGES]"), frtaRight);

    // The chart fills the next page (the band is too tall to follow the table).
    t.band("Child1", btChild, 320, 990);
    t.memo(kLeft, 326, width, 28, QStringLiteral("Число точек по подстанциям"), frtaCenter, fsBold, 14);
    TfrChartView& chart = t.chart(kLeft, 362, width, 940);
    TfrChartSettings& s = chart.settings;
    s.kind = TfrChartKind::HorizontalBars;
    s.view3d = false;
    s.legend = false;
    s.axes = true;
    s.marks = true;
    s.multicolored = false;
    s.markStyle = TfrChartMarkStyle::Value;
    s.captionObject = QStringLiteral("SubName");
    s.valueObject = QStringLiteral("PointCount");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        err << "Ожидается: ostrand-chart-report OUT.frf\n";
        return 2;
    }
    try {
        TfrEngine engine;
        frRegisterProgramAddIns(engine);
        TChartTemplate t(engine);
        buildTemplate(t);
        t.report().saveToFile(args[0]);
    } catch (const Exception& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
