// Writes the report template of the demo settings file substation.cfg: a
// dialog page asks which substation to print (or all of them), and the list
// of points prints the chosen substation's points only.
//
//   ostrand-dialog-report OUT.frf
//
// The template in examples/settings/substation.frf is this program's output;
// a test checks that they stay the same.

#include "exampletemplate.h"
#include "report/addins/programaddins.h"
#include "report/controls/controls.h"

namespace {

// The substations of the demo configuration.
const char16_t* const kSubstations[] = {
    u"ПС 110 кВ Берёзовка",
    u"ПС 110 кВ Горная",
    u"ПС 110 кВ Дубрава",
    u"ПС 110 кВ Заводская",
    u"ПС 110 кВ Западная",
    u"ПС 110 кВ Заречная",
    u"ПС 110 кВ Ивановская",
    u"ПС 110 кВ Кировская",
    u"ПС 110 кВ Лесная",
    u"ПС 110 кВ Луговая",
    u"ПС 110 кВ Мирная",
    u"ПС 110 кВ Полевая",
    u"ПС 110 кВ Пригородная",
    u"ПС 110 кВ Приречная",
    u"ПС 110 кВ Промышленная",
    u"ПС 110 кВ Речная",
    u"ПС 110 кВ Рябиновая",
    u"ПС 110 кВ Садовая",
    u"ПС 110 кВ Солнечная",
    u"ПС 110 кВ Сосновка",
    u"ПС 110 кВ Станционная",
    u"ПС 110 кВ Степная",
    u"ПС 110 кВ Тепличная",
    u"ПС 110 кВ Шахтная",
    u"ПС 110 кВ Южная",
    u"ПС 220 кВ Северная",
    u"ПС 220 кВ Центральная",
    u"ПС 35 кВ Береговая",
    u"ПС 35 кВ Весенняя",
    u"ПС 35 кВ Восточная",
    u"ПС 35 кВ Карьерная",
    u"ПС 35 кВ Кедровая",
    u"ПС 35 кВ Нагорная",
    u"ПС 35 кВ Новая",
    u"ПС 35 кВ Озёрная",
    u"ПС 35 кВ Ольховка",
};

// A control of the dialog page being filled.
template <class T>
T& control(TExampleTemplate& t, const QString& name, int left, int top, int width, int height) {
    return t.add<T>(gtAddIn, name, left, top, width, height, T::classInfo().className);
}

void buildDialog(TExampleTemplate& t) {
    TfrPage& dialog = t.addPage();
    dialog.pageType = ptDialog;
    dialog.name = QStringLiteral("Dialog1");
    dialog.caption = QStringLiteral("Точки подстанции");
    dialog.formWidth = 330;
    dialog.formHeight = 150;
    // All substations until the user chooses one.
    dialog.script = QStringList{QStringLiteral("if ComboBox1.ItemIndex < 0 then ComboBox1.ItemIndex := 0;")};
    auto& label = control<TfrLabelControl>(t, QStringLiteral("Label1"), 16, 20, 90, 13);
    label.caption = QStringLiteral("Подстанция:");
    auto& combo = control<TfrComboBoxControl>(t, QStringLiteral("ComboBox1"), 16, 38, 290, 21);
    combo.style = csDropDownList;
    combo.items << QStringLiteral("Все подстанции");
    for (const char16_t* name : kSubstations)
        combo.items << QString::fromUtf16(name);
    auto& ok = control<TfrButtonControl>(t, QStringLiteral("ButtonOk"), 150, 80, 75, 25);
    ok.caption = QStringLiteral("OK");
    ok.setModalResult(mrOk);
    auto& cancel = control<TfrButtonControl>(t, QStringLiteral("ButtonCancel"), 231, 80, 75, 25);
    cancel.caption = QStringLiteral("Отмена");
    cancel.setModalResult(mrCancel);
}

const TColumn kColumns[] = {
    {u"Подстанция", u"[DS.\"SubName\"]", 300, frtaLeft},
    {u"№ канала", u"[DS.\"ChanNo\"]", 130, frtaRight},
    {u"№ точки", u"[DS.\"PointNo\"]", 130, frtaRight},
    {u"Тип", u"[DS.\"Kind\"]", 120, frtaCenter},
};

void buildList(TExampleTemplate& t) {
    TfrPage& page = t.addPage();
    page.name = QStringLiteral("Page1");
    const int width = kRight - kLeft;
    t.band("ReportTitle1", btReportTitle, 20, 40);
    t.memo(kLeft, 24, width, 28, QStringLiteral("Точки телемеханики: [ComboBox1.Text]"), frtaCenter, fsBold, 14);

    t.band("MasterHeader1", btMasterHeader, 80, 22);
    int x = kLeft;
    for (const TColumn& c : kColumns) {
        t.memo(x, 80, c.width, 22, QString::fromUtf16(c.caption), frtaCenter | frtaMiddle, fsBold, 10, kBox);
        x += c.width;
    }
    // A record prints when all substations were asked for or it is of the
    // chosen one.
    TfrBandView& data = t.band("MasterData1", btMasterData, 120, 20, QStringLiteral("frDS"));
    data.script = QStringList{
        QStringLiteral("MasterData1.Visible := (ComboBox1.ItemIndex <= 0) or ([DS.\"SubName\"] = ComboBox1.Text);")};
    x = kLeft;
    for (const TColumn& c : kColumns) {
        t.memo(x, 120, c.width, 20, QString::fromUtf16(c.value), c.alignment | frtaMiddle, 0, 10, kBox);
        x += c.width;
    }
    t.band("PageFooter1", btPageFooter, 170, 28);
    t.memo(kLeft, 174, width, 20, QStringLiteral("Страница [PAGE#]"), frtaRight);
}

} // namespace

int main(int argc, char** argv) {
    return frWriteExampleTemplate(argc, argv, "ostrand-dialog-report", [](TfrEngine& engine, TExampleTemplate& t) {
        frRegisterProgramAddIns(engine);
        TfrReport& report = t.report();
        report.title = QStringLiteral("Точки подстанции");
        report.info.name = QStringLiteral("Точки телемеханики одной подстанции, выбранной в диалоге");
        report.info.author = QStringLiteral("Ostrand");
        // Fixed dates (10 December 2026), so that the program always writes the same bytes.
        report.info.createDate = report.info.lastChangeDate = 46366.0;
        buildDialog(t);
        buildList(t);
    });
}
