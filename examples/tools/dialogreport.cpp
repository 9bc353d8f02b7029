// Writes the report template of the demo settings file substation.cfg: a
// dialog page asks which substation to print (or all of them), and the list
// of points prints the chosen substation's points only.
//
//   ostrand-dialog-report OUT.frf
//
// The template in examples/settings/substation.frf is this program's output;
// a test checks that they stay the same.

#include "common/exception.h"
#include "report/addins/programaddins.h"
#include "report/controls/controls.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// Left and right edge of the printed area in report pixels (A4, 10 mm margins).
constexpr int kLeft = 38, kRight = 718;
constexpr std::uint16_t kBox = frftLeft | frftTop | frftRight | frftBottom;

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

class TDialogTemplate {
public:
    explicit TDialogTemplate(TfrEngine& engine) : m_engine(engine), m_report(engine) {}

    TfrReport& report() { return m_report; }
    TfrPage& addPage() {
        m_page = m_report.pages().page(m_report.pages().add());
        return *m_page;
    }

    template <class T>
    T& add(int kind, const QString& name, int left, int top, int width, int height, const QString& className = {}) {
        std::unique_ptr<TfrView> view = m_engine.createObject(kind, className);
        T& object = static_cast<T&>(*view);
        object.setName(name);
        object.setBounds(left, top, width, height);
        m_page->add(std::move(view));
        return object;
    }
    template <class T>
    T& control(const QString& name, int left, int top, int width, int height) {
        return add<T>(gtAddIn, name, left, top, width, height, T::classInfo().className);
    }

    TfrBandView& band(const char* name, int type, int top, int height, const QString& source = {}) {
        auto& band = add<TfrBandView>(gtBand, QString::fromLatin1(name), 0, top, kRight + 40, height);
        band.setBandType(type);
        band.setDataSourceName(source);
        return band;
    }

    TfrMemoView& memo(int left, int top, int width, int height, const QString& text, std::uint32_t alignment = frtaLeft,
                      std::uint16_t style = 0, int size = 10, std::uint16_t frame = frftNone) {
        auto& memo = add<TfrMemoView>(gtMemo, QStringLiteral("Memo%1").arg(++m_memos), left, top, width, height);
        memo.memo = QStringList{text};
        memo.alignment = alignment;
        memo.font.name = QStringLiteral("Arial");
        memo.font.size = size;
        memo.font.style = style;
        memo.frameTyp = frame;
        return memo;
    }

private:
    TfrEngine& m_engine;
    TfrReport m_report;
    TfrPage* m_page = nullptr;
    int m_memos = 0;
};

void buildDialog(TDialogTemplate& t) {
    TfrPage& dialog = t.addPage();
    dialog.pageType = ptDialog;
    dialog.name = QStringLiteral("Dialog1");
    dialog.caption = QStringLiteral("Точки подстанции");
    dialog.formWidth = 330;
    dialog.formHeight = 150;
    // All substations until the user chooses one.
    dialog.script = QStringList{QStringLiteral("if ComboBox1.ItemIndex < 0 then ComboBox1.ItemIndex := 0;")};
    auto& label = t.control<TfrLabelControl>(QStringLiteral("Label1"), 16, 20, 90, 13);
    label.caption = QStringLiteral("Подстанция:");
    auto& combo = t.control<TfrComboBoxControl>(QStringLiteral("ComboBox1"), 16, 38, 290, 21);
    combo.style = csDropDownList;
    combo.items << QStringLiteral("Все подстанции");
    for (const char16_t* name : kSubstations)
        combo.items << QString::fromUtf16(name);
    auto& ok = t.control<TfrButtonControl>(QStringLiteral("ButtonOk"), 150, 80, 75, 25);
    ok.caption = QStringLiteral("OK");
    ok.setModalResult(mrOk);
    auto& cancel = t.control<TfrButtonControl>(QStringLiteral("ButtonCancel"), 231, 80, 75, 25);
    cancel.caption = QStringLiteral("Отмена");
    cancel.setModalResult(mrCancel);
}

struct TColumn {
    const char16_t* caption;
    const char16_t* value;
    int width;
    std::uint32_t alignment;
};

const TColumn kColumns[] = {
    {u"Подстанция", u"[DS.\"SubName\"]", 300, frtaLeft},
    {u"№ канала", u"[DS.\"ChanNo\"]", 130, frtaRight},
    {u"№ точки", u"[DS.\"PointNo\"]", 130, frtaRight},
    {u"Тип", u"[DS.\"Kind\"]", 120, frtaCenter},
};

void buildList(TDialogTemplate& t) {
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
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        err << "Ожидается: ostrand-dialog-report OUT.frf\n";
        return 2;
    }
    try {
        TfrEngine engine;
        frRegisterProgramAddIns(engine);
        TDialogTemplate t(engine);
        TfrReport& report = t.report();
        report.title = QStringLiteral("Точки подстанции");
        report.info.name = QStringLiteral("Точки телемеханики одной подстанции, выбранной в диалоге");
        report.info.author = QStringLiteral("Ostrand");
        // Fixed dates (10 December 2026), so that the program always writes the same bytes.
        report.info.createDate = report.info.lastChangeDate = 46366.0;
        buildDialog(t);
        buildList(t);
        report.saveToFile(args[0]);
    } catch (const Exception& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
