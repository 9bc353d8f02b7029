#include "demopages.h"

#include "report/builder/memoprint.h"
#include "report/builder/preparedpages.h"
#include "report/render/textmeasure.h"
#include "report/model/engine.h"

namespace {

struct Printer {
    TfrReport& report;
    TfrEMFPages& pages;
    TfrMemoPrinter memos;
    int page = 0;

    Printer(TfrReport& r, TfrEMFPages& p)
        : report(r), pages(p), memos(r.engine(), frTextMeasurer(r.engine())) {}

    TfrPage& templatePage() {
        if (report.pages().count() == 0)
            report.pages().add();
        return *report.pages().page(0);
    }
    void newPage() {
        pages.add(templatePage());
        page = pages.count() - 1;
    }
    std::unique_ptr<TfrMemoView> memo(const QString& name, int l, int t, int w, int h, const QStringList& text) {
        auto m = std::unique_ptr<TfrMemoView>(static_cast<TfrMemoView*>(report.engine().createObject(gtMemo).release()));
        m->setName(name);
        m->setBounds(l, t, w, h);
        m->memo = text;
        return m;
    }
    void print(TfrMemoView& m) { memos.print(m, pages, page); }
    void print(const TfrView& v) { pages.appendObject(page, v); }
};

const char16_t* const kSubstations[] = {u"ПС 220 кВ Северная", u"ПС 110 кВ Заречная", u"ПС 110 кВ Лесная",
                                        u"ПС 35 кВ Озёрная", u"ПС 35 кВ Полевая"};
const char16_t* const kPoints[] = {u"Ua шин 220 кВ", u"Ток ввода 1 Т1", u"Положение выключателя В-110 Т1",
                                   u"Активная мощность ВЛ 110 кВ Лесная-1", u"Температура масла Т2",
                                   u"Частота на шинах 10 кВ"};
const char16_t* const kKinds[] = {u"ТИ", u"ТИ", u"ТС", u"ТИ", u"ТИ", u"ТИ"};
const char16_t* const kUnits[] = {u"кВ", u"А", u"", u"МВт", u"°C", u"Гц"};

struct Column {
    const char16_t* caption;
    int width;
    std::uint32_t alignment;
};
const Column kColumns[] = {
    {u"№ ПС", 40, frtaRight},  {u"Подстанция", 170, frtaLeft}, {u"№ точки", 60, frtaRight},
    {u"Точка", 270, frtaLeft}, {u"Тип", 50, frtaCenter},       {u"Ед. изм.", 80, frtaCenter},
};

QString q(const char16_t* s) { return QString::fromUtf16(s); }

} // namespace

void writeDemoPages(TfrReport& report, TfrEMFPages& pages, int pageCount, int rows) {
    Printer p(report, pages);
    auto title = p.memo("Title", 40, 40, 670, 30, {q(u"Точки телемеханики ОИК")});
    title->font.size = 14;
    title->font.style = fsBold;
    title->alignment = frtaCenter;
    auto subtitle = p.memo("Subtitle", 40, 70, 670, 20, {q(u"NT-сервер DEMO-NT, ТМ-сервер TM1")});
    subtitle->font.style = fsItalic;
    subtitle->alignment = frtaCenter;
    auto header = p.memo("Header", 0, 100, 0, 32, {});
    header->font.size = 9;
    header->font.style = fsBold;
    header->fillColor = 0xE0E0E0;
    header->frameTyp = frftLeft | frftTop | frftRight | frftBottom;
    header->alignment = frtaCenter | frtaMiddle;
    auto cell = p.memo("Cell", 0, 0, 0, 18, {});
    cell->font.size = 9;
    cell->frameTyp = frftLeft | frftRight | frftBottom;
    auto footer = p.memo("Footer", 40, 1030, 670, 20, {});
    footer->alignment = frtaRight;
    footer->font.size = 8;
    auto link = p.memo("URL1", 40, 1030, 200, 20, {q(u"К первой странице")});
    link->tag = QStringLiteral("@1");
    link->font.size = 8;
    link->font.style = fsUnderline;
    link->font.color = 0xFF0000;
    TfrLineView rule;
    rule.setName(QStringLiteral("Line1"));
    rule.setBounds(40, 1025, 670, 0);

    int record = 0;
    for (int n = 1; n <= pageCount; ++n) {
        p.newPage();
        p.print(*title);
        p.print(*subtitle);
        int x = 40;
        for (const Column& c : kColumns) {
            header->setBounds(x, 100, c.width, 32);
            header->memo = QStringList{q(c.caption)};
            p.print(*header);
            x += c.width;
        }
        for (int r = 0; r < rows; ++r, ++record) {
            const int y = 132 + r * 18;
            const int sub = record / 37 % 5, point = record % 6;
            const QString values[] = {QString::number(sub + 1), q(kSubstations[sub]), QString::number(record + 1),
                                      q(kPoints[point]), q(kKinds[point]), q(kUnits[point])};
            x = 40;
            for (int c = 0; c < 6; ++c) {
                cell->setBounds(x, y, kColumns[c].width, 18);
                cell->alignment = kColumns[c].alignment;
                cell->memo = QStringList{values[c]};
                p.print(*cell);
                x += kColumns[c].width;
            }
        }
        p.print(rule);
        footer->memo = QStringList{QStringLiteral("Стр. %1 из %2").arg(n).arg(pageCount)};
        p.print(*footer);
        if (n > 1)
            p.print(*link);
    }
}

void writeShowcasePage(TfrReport& report, TfrEMFPages& pages, const QByteArray& jpeg) {
    Printer p(report, pages);
    p.newPage();
    const std::uint16_t allSides = frftLeft | frftTop | frftRight | frftBottom;

    auto title = p.memo("Title", 40, 40, 670, 30, {q(u"Возможности рисования отчёта")});
    title->font.size = 16;
    title->font.style = fsBold;
    title->alignment = frtaCenter;
    p.print(*title);

    const std::pair<const char16_t*, std::uint32_t> alignments[] = {
        {u"Слева", frtaLeft}, {u"Справа", frtaRight}, {u"По центру", frtaCenter}, {u"По ширине", frtaJustify}};
    int x = 40;
    for (const auto& [caption, alignment] : alignments) {
        auto m = p.memo(QStringLiteral("Align%1").arg(alignment), x, 90, 160, 24, {q(caption)});
        m->alignment = alignment | frtaMiddle;
        m->frameTyp = allSides;
        p.print(*m);
        x += 170;
    }

    auto justified = p.memo("Justified", 40, 130, 320, 110,
                            {q(u"Выборка строится по файлу настроек: узлы дерева конфигурации обходятся в глубину, "
                               u"и каждый лист, у которого нашлось по значению для каждой колонки, становится "
                               u"записью таблицы. Последняя строка абзаца не растягивается.")});
    justified->alignment = frtaJustify;
    justified->frameTyp = allSides;
    p.print(*justified);

    auto hyphenated = p.memo("Hyphenated", 380, 130, 160, 110,
                             {q(u"Телемеханизированные электроподстанции обеспечивают круглосуточную диспетчеризацию")});
    hyphenated->setFlag(frflags::WordBreak, true);
    hyphenated->frameTyp = allSides;
    p.print(*hyphenated);
    auto cut = p.memo("Cut", 550, 130, 160, 110, {q(u"Телемеханизированные электроподстанции обеспечивают круглосуточную диспетчеризацию")});
    cut->frameTyp = allSides;
    p.print(*cut);

    auto vertical = p.memo("Vertical", 40, 260, 40, 170, {q(u"Вертикальный текст")});
    vertical->alignment = frtaVertical | frtaCenter | frtaMiddle;
    vertical->frameTyp = allSides;
    vertical->fillColor = 0xFFF0E0;
    p.print(*vertical);

    auto middle = p.memo("Middle", 90, 260, 160, 80, {q(u"Посередине")});
    middle->alignment = frtaCenter | frtaMiddle;
    middle->frameTyp = allSides;
    p.print(*middle);
    auto down = p.memo("Down", 90, 350, 160, 80, {q(u"Внизу справа")});
    down->alignment = frtaRight | frtaDown;
    down->frameTyp = allSides;
    p.print(*down);

    const char* const styles[] = {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psDouble"};
    for (int i = 0; i < 6; ++i) {
        auto m = p.memo(QStringLiteral("Style%1").arg(i), 270, 260 + i * 29, 200, 22,
                        {QString::fromLatin1(styles[i])});
        m->frameTyp = allSides;
        m->frameStyle = std::uint16_t(i);
        m->alignment = frtaCenter | frtaMiddle;
        p.print(*m);
    }
    auto dotted = p.memo("Dotted3", 490, 260, 220, 40, {q(u"Точки, ширина 3")});
    dotted->frameTyp = allSides;
    dotted->frameStyle = psDot;
    dotted->frameWidth = 3;
    dotted->alignment = frtaCenter | frtaMiddle;
    p.print(*dotted);
    auto doubled = p.memo("Double2", 490, 312, 220, 40, {q(u"Двойная рамка с заливкой")});
    doubled->frameTyp = allSides;
    doubled->frameStyle = psDouble;
    doubled->frameWidth = 2;
    doubled->fillColor = 0x80FFFF; // light yellow
    doubled->alignment = frtaCenter | frtaMiddle;
    p.print(*doubled);
    auto red = p.memo("Red", 490, 362, 105, 30, {q(u"Заливка")});
    red->fillColor = 0x0000C0;
    red->font.color = clWhite;
    red->font.style = fsBold;
    red->alignment = frtaCenter | frtaMiddle;
    p.print(*red);
    auto system = p.memo("System", 605, 362, 105, 30, {q(u"Цвет окна")});
    system->fillColor = clBtnFace;
    system->frameTyp = allSides;
    system->alignment = frtaCenter | frtaMiddle;
    p.print(*system);
    auto none = p.memo("NoFill", 490, 400, 220, 30, {q(u"Без заливки (1FFFFFFF)")});
    none->frameTyp = frftBottom;
    none->frameColor = 0x808080;
    p.print(*none);

    auto underlined = p.memo("Underlines", 40, 450, 320, 80,
                             {q(u"Строки с подчёркиванием"), q(u"на всю высоту объекта")});
    underlined->setFlag(frflags::Underlines, true);
    underlined->frameColor = 0x808080;
    p.print(*underlined);
    auto spaced = p.memo("Spaced", 40, 540, 320, 24, {q(u"Разреженный текст")});
    spaced->charSpacing = 3;
    p.print(*spaced);
    auto rtl = p.memo("RightToLeft", 380, 450, 330, 24, {q(u"Справа налево: 220 кВ!")});
    rtl->setFlag(frflags::RTLReading, true);
    rtl->alignment = frtaRight;
    rtl->frameTyp = frftBottom;
    p.print(*rtl);

    if (!jpeg.isEmpty()) {
        TfrPictureView picture;
        picture.setName(QStringLiteral("Picture1"));
        picture.setBounds(380, 485, 120, 90);
        picture.flags = frflags::Stretched | frflags::PictKeepAspect | frflags::PictCenter;
        picture.frameTyp = allSides;
        picture.picture.setData(TfrPicture::Jpeg, jpeg);
        p.print(picture);
    }
    TfrLineView horizontal;
    horizontal.setName(QStringLiteral("Line1"));
    horizontal.setBounds(40, 590, 670, 0);
    horizontal.frameWidth = 2;
    p.print(horizontal);
    TfrLineView upright;
    upright.setName(QStringLiteral("Line2"));
    upright.setBounds(520, 485, 0, 90);
    upright.frameColor = 0xC00000;
    p.print(upright);

    auto web = p.memo("URL1", 540, 485, 170, 20, {QStringLiteral("https://example.org")});
    web->tag = QStringLiteral("https://example.org");
    web->font.style = fsUnderline;
    web->font.color = 0xFF0000;
    p.print(*web);
    auto jump = p.memo("URL2", 540, 510, 170, 20, {q(u"К странице 2")});
    jump->tag = QStringLiteral("@2");
    jump->font.style = fsUnderline;
    jump->font.color = 0xFF0000;
    p.print(*jump);
}
