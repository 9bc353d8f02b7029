// Writes the report template of the demo settings file substations.cfg: a
// table of the substations with their points counted by type, and on the
// next page a bar chart of the points per substation, collected from the
// table's rows while the report is built.
//
//   ostrand-chart-report OUT.frf
//
// The template in examples/settings/substations.frf is this program's
// output; a test checks that they stay the same.

#include "exampletemplate.h"
#include "report/addins/chart.h"
#include "report/addins/programaddins.h"

namespace {

struct TChartColumn {
    const char16_t* caption;
    const char16_t* value; // in the row of a substation
    const char16_t* total; // in the row of all substations
    int width;
    std::uint32_t alignment;
};

// The table's columns, left to right; their widths fill the printed width.
const TChartColumn kColumns[] = {
    {u"Подстанция", u"[DS.\"SubName\"]", u"Всего", 250, frtaLeft},
    {u"Район", u"[DS.\"District\"]", u"", 160, frtaLeft},
    {u"ТИ", u"[SUM(IF([DS.\"Kind\"] = 'ТИ', 1, 0), MasterData1)]", u"[SUM(IF([DS.\"Kind\"] = 'ТИ', 1, 0), MasterData1)]", 65, frtaRight},
    {u"ТС", u"[SUM(IF([DS.\"Kind\"] = 'ТС', 1, 0), MasterData1)]", u"[SUM(IF([DS.\"Kind\"] = 'ТС', 1, 0), MasterData1)]", 65, frtaRight},
    {u"ТУ", u"[SUM(IF([DS.\"Kind\"] = 'ТУ', 1, 0), MasterData1)]", u"[SUM(IF([DS.\"Kind\"] = 'ТУ', 1, 0), MasterData1)]", 65, frtaRight},
    {u"Всего", u"[COUNT(MasterData1)]", u"[COUNT(MasterData1)]", 75, frtaRight},
};

void buildTemplate(TExampleTemplate& t) {
    t.addPage();
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
    for (const TChartColumn& c : kColumns) {
        t.memo(x, 120, c.width, 24, QString::fromUtf16(c.caption), frtaCenter | frtaMiddle, fsBold, 10, kBox);
        x += c.width;
    }

    // One row per substation: the points of its records are counted by the
    // group footer; the records themselves print nothing.
    t.band("GroupHeader1", btGroupHeader, 164, 0, QStringLiteral("DS.\"SubName\""));
    t.band("MasterData1", btMasterData, 180, 0, QStringLiteral("frDS"));
    t.band("GroupFooter1", btGroupFooter, 196, 20);
    x = kLeft;
    for (const TChartColumn& c : kColumns) {
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
    for (const TChartColumn& c : kColumns) {
        t.memo(x, 232, c.width, 20, QString::fromUtf16(c.total), c.alignment | frtaMiddle, fsBold, 10, kBox);
        x += c.width;
    }

    t.band("PageFooter1", btPageFooter, 270, 28);
    t.memo(kLeft, 274, width, 20, QStringLiteral("Страница [PAGE#] из [TOTALPAGES]"), frtaRight);

    // The chart fills the next page (the band is too tall to follow the table).
    t.band("Child1", btChild, 320, 990);
    t.memo(kLeft, 326, width, 28, QStringLiteral("Число точек по подстанциям"), frtaCenter, fsBold, 14);
    auto& chart = t.add<TfrChartView>(gtAddIn, QStringLiteral("Chart1"), kLeft, 362, width, 940,
                                      TfrChartView::classInfo().className);
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
    return frWriteExampleTemplate(argc, argv, "ostrand-chart-report", [](TfrEngine& engine, TExampleTemplate& t) {
        frRegisterProgramAddIns(engine);
        buildTemplate(t);
    });
}
