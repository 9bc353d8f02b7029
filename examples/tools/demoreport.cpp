// Writes the report template of the demo settings file points.cfg: the list
// of telemechanics points grouped by substation, with a title naming where
// the data came from, column captions on every page, point counts and a sum
// per substation and "Страница N из M" at the foot of each page.
//
//   ostrand-demo-report OUT.frf
//
// The template in examples/settings/points.frf is this program's output; a
// test checks that they stay the same.

#include "exampletemplate.h"

namespace {

// The list's columns, left to right; their widths fill the printed width.
// A caption stands as its values do: the text and CSV exports place a text
// by where it starts, so a column's caption and values start alike and the
// number, right-aligned up to the name, would run into it.
const TColumn kColumns[] = {
    {u"№ точки", u"[DS.\"PointNo\"]", 70, frtaLeft},
    {u"Точка", u"[DS.\"PointName\"]", 330, frtaLeft},
    {u"Тип", u"[DS.\"Kind\"]", 50, frtaCenter},
    {u"Ед. изм.", u"[DS.\"Unit\"]", 80, frtaCenter},
    // Points without an upper limit (ТС, ТУ and some measurements) hold 0.
    {u"Верхний предел", u"[DS.\"HiLimit\"]", 150, frtaLeft, true},
};

void buildTemplate(TExampleTemplate& t) {
    t.addPage();
    TfrReport& report = t.report();
    report.doublePassReport = true; // "из M" needs the page count
    report.title = QStringLiteral("Точки телемеханики");
    report.info.name = QStringLiteral("Точки телемеханики демонстрационной конфигурации");
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
    t.memo(kLeft, 24, width, 28, QStringLiteral("Точки телемеханики"), frtaCenter, fsBold, 16);
    t.memo(kLeft, 56, width, 20, QStringLiteral("NT-сервер: [Машина]     ТМ-сервер: [Сервер]"), frtaCenter);
    t.memo(kLeft, 78, width, 20, QStringLiteral("Файл конфигурации изменён [Файл_изменён]"), frtaCenter);

    t.band("PageHeader1", btPageHeader, 120, 28);
    int x = kLeft;
    for (const TColumn& c : kColumns) {
        t.memo(x, 122, c.width, 24, QString::fromUtf16(c.caption), c.alignment, fsBold, 10,
               frftLeft | frftTop | frftRight | frftBottom);
        x += c.width;
    }

    t.band("GroupHeader1", btGroupHeader, 164, 28, QStringLiteral("DS.\"SubName\""));
    t.memo(kLeft, 170, width, 20,
           QStringLiteral("ПС № [DS.\"ObjNo\"] [DS.\"SubName\"], район [DS.\"District\"], "
                          "владелец [DS.\"Owner\"]"),
           frtaLeft, fsBold);

    t.band("MasterData1", btMasterData, 208, 20, QStringLiteral("frDS"));
    x = kLeft;
    for (const TColumn& c : kColumns) {
        TfrMemoView& value = t.memo(x, 208, c.width, 20, QString::fromUtf16(c.value), c.alignment, 0, 10,
                                    frftLeft | frftTop | frftRight | frftBottom);
        value.setFlag(frflags::HideZeros, c.hideZeros);
        x += c.width;
    }

    t.band("GroupFooter1", btGroupFooter, 244, 28);
    t.memo(kLeft, 248, width, 20,
           QStringLiteral("Точек на подстанции: [COUNT(MasterData1)], сумма верхних пределов: "
                          "[SUM([DS.\"HiLimit\"], MasterData1)]"),
           frtaRight);

    t.band("ReportSummary1", btReportSummary, 288, 32);
    t.memo(kLeft, 296, width, 20, QStringLiteral("Всего точек: [COUNT(MasterData1)]"), frtaLeft, fsBold);

    t.band("PageFooter1", btPageFooter, 1000, 28);
    t.memo(kLeft, 1004, width, 20, QStringLiteral("Страница [PAGE#] из [TOTALPAGES]"), frtaRight);
}

} // namespace

int main(int argc, char** argv) {
    return frWriteExampleTemplate(argc, argv, "ostrand-demo-report", [](TfrEngine&, TExampleTemplate& t) {
        buildTemplate(t);
    });
}
