// The designer's commands by name: reading command lines and running them.

#include "demofixture.h"

#include "report/design/designcommands.h"
#include "report/model/dataset.h"
#include "report/model/dictionary.h"

namespace {

TEST(DesignCommandSyntax, MalformedLinesAreRefusedBeforeTheyRun) {
    const char* const bad[] = {
        "",           "jump 1 2",        "insert text 1",     "insert text 1 2 3",  "insert text x 2",
        "insert band:Nothing 0 0", "drag 1",  "drag 1 2 shift",    "align sideways",     "resize corner 1 2",
        "key ctrl+home",  "key meta+left", "grid",            "grid 8 9",            "paste 5",
        "frame diagonal", "frame-style wavy", "set Memo1",    "set .Left=1",         "set Memo1.=1",
        "page 9999999999", "select",       "click 1 2 alt",     "rubber 1 2 3",        "text-layout centre",
        "insert text \"1 2",
    };
    for (const char* line : bad)
        EXPECT_THROW(frParseDesignCommand(QString::fromUtf8(line)), EDesignCommandSyntax) << line;
    EXPECT_THROW(frParseDesignCommand(QString(kMaxCommandLength + 1, u'a')), EDesignCommandSyntax);
    EXPECT_THROW(frParseDesignCommand(QStringLiteral("select") + QStringLiteral(" a").repeated(kMaxCommandArguments + 1)),
                 EDesignCommandSyntax);
}

TEST(DesignCommandSyntax, WordsQuotesAndTheRestOfASetLine) {
    TfrDesignCommand c = frParseDesignCommand(QStringLiteral("  Font   \"Times New Roman\"  "));
    EXPECT_EQ(c.name, QStringLiteral("font"));
    EXPECT_EQ(c.args, QStringList{QStringLiteral("Times New Roman")});
    c = frParseDesignCommand(QStringLiteral("set Memo1.Memo=[DS.\"PointName\"]  и ещё"));
    EXPECT_EQ(c.args, QStringList{QStringLiteral("Memo1.Memo=[DS.\"PointName\"]  и ещё")});
    c = frParseDesignCommand(QStringLiteral("select A,B C"));
    EXPECT_EQ(c.args, (QStringList{QStringLiteral("A,B"), QStringLiteral("C")}));
    c = frParseDesignCommand(QStringLiteral("open \"a \"\"b\"\".frf\""));
    EXPECT_EQ(c.args, QStringList{QStringLiteral("a \"b\".frf")});
    EXPECT_TRUE(frDesignCommandHelp().contains(QStringLiteral("align left|right|top|bottom")));
}

using Commands = DesignTest;

TEST_F(Commands, BuildAColumnAsTheWindowWould) {
    band("PageHeader1", btPageHeader, 100, 28);
    band("MasterData1", btMasterData, 140, 20);
    const char* const script[] = {
        "grid 8",
        "insert text 40 96 96 24",
        "set Memo=Коэфф.",
        "insert text 40 136 96 20",
        "set Memo2.Memo=[DS.\"Factor\"]",
        "select Memo1 Memo2",
        "frame all",
        "drag 13 21",
        "insert band:MasterFooter 0 200",
        "insert band:6 0 240",
    };
    for (const char* line : script) {
        const TfrDesignCommandResult r = frRunDesignCommand(*doc, QString::fromUtf8(line));
        EXPECT_TRUE(r.applied) << line << ": " << r.message.toStdString();
    }
    EXPECT_EQ(box(find("Memo1")), (TfrBox{48, 112, 96, 24}));
    EXPECT_EQ(box(find("Memo2")), (TfrBox{48, 152, 96, 20}));
    EXPECT_EQ(find("Memo1")->memo, QStringList{QStringLiteral("Коэфф.")});
    EXPECT_EQ(find("Memo2")->memo, QStringList{QStringLiteral("[DS.\"Factor\"]")});
    EXPECT_EQ(find("Memo1")->frameTyp, frftLeft | frftTop | frftRight | frftBottom);
    EXPECT_NE(find("MasterFooter1"), nullptr);
    EXPECT_NE(find("MasterFooter2"), nullptr);

    const TfrDesignCommandResult list = frRunDesignCommand(*doc, QStringLiteral("list"));
    EXPECT_TRUE(list.output.startsWith(QStringLiteral("Страница 1 из 1: Page1\n")));
    EXPECT_TRUE(list.output.contains(QStringLiteral("  Memo2 TfrMemoView 48 152 96 20 «[DS.\"Factor\"]»\n")));
    EXPECT_TRUE(list.output.contains(QStringLiteral("* MasterFooter2 TfrBandView 0 240")));
}

TEST_F(Commands, ThoseThatCannotApplySayWhy) {
    memo("M", 0, 0, 10, 10);
    struct Case {
        const char* line;
        const char* why;
    } const cases[] = {
        {"delete", "Нет выделенных объектов"},
        {"undo", "Нечего отменять"},
        {"select Nobody", "На странице нет объекта Nobody"},
        {"insert gadget 0 0", "Нет инструмента «gadget»"},
        {"set M.Colour=1", "У объекта M нет свойства Colour"},
        {"delete-page", "Единственную страницу отчёта удалить нельзя"},
        {"grid 5", "Шаг сетки может быть 4, 8 или 18 точек"},
        {"page 3", "В отчёте нет страницы 3"},
        {"drag 4 4", "Нет выделенных объектов"},
        {"fill clChartreuse", "Неизвестный цвет «clChartreuse»"},
        {"set Width=5", "Нет выделенных объектов"},
    };
    for (const Case& c : cases) {
        const TfrDesignCommandResult r = frRunDesignCommand(*doc, QString::fromUtf8(c.line));
        EXPECT_FALSE(r.applied) << c.line;
        EXPECT_EQ(r.message, QString::fromUtf8(c.why)) << c.line;
    }
    EXPECT_FALSE(doc->modified());
}

TEST_F(Commands, KeysPagesClicksAndColours) {
    memo("A", 100, 100, 40, 20);
    memo("B", 200, 100, 40, 20);
    const char* const script[] = {
        "click 110 110", "key ctrl+right", "key shift+down", "key right", "click 110 110 shift",
        "fill #FF8000",  "resize group 20 0", "add-page", "add-dialog", "move-page 3 2", "page 1",
        "rubber 90 90 300 130", "align bottom", "key delete", "undo",
    };
    for (const char* line : script) {
        const TfrDesignCommandResult r = frRunDesignCommand(*doc, QString::fromUtf8(line));
        EXPECT_TRUE(r.applied) << line << ": " << r.message.toStdString();
    }
    EXPECT_EQ(box(find("A")), (TfrBox{101, 99, 46, 21}));
    EXPECT_EQ(box(find("B")), (TfrBox{214, 100, 46, 20}));
    EXPECT_EQ(find("B")->fillColor, 0x0080FFu);
    EXPECT_EQ(report.pages().page(1)->pageType, ptDialog);
    EXPECT_EQ(doc->selectionCount(), 2);
}

TEST_F(Commands, BandSourceSetsDataBandsCrossPairsAndGroupConditions) {
    TfrDataset frDS(QStringLiteral("frDS"));
    engine.dataRegistry().addDataset(&frDS);
    band("MasterData1", btMasterData, 40, 20);
    band("DetailData1", btDetailData, 80, 20);
    band("CrossData1", btCrossData, 120, 20);
    band("GroupHeader1", btGroupHeader, 160, 20);
    band("PageHeader1", btPageHeader, 0, 20);
    auto source = [this](const char* name) { return static_cast<TfrBandView*>(find(name))->dataSourceName(); };

    EXPECT_TRUE(frRunDesignCommand(*doc, QStringLiteral("band-source MasterData1 5")).applied);
    EXPECT_EQ(source("MasterData1"), QStringLiteral("5"));
    EXPECT_TRUE(frRunDesignCommand(*doc, QStringLiteral("band-source DetailData1 frDS")).applied);
    EXPECT_TRUE(frRunDesignCommand(*doc, QStringLiteral("band-source MasterData1 [Нет]")).applied);
    EXPECT_EQ(source("MasterData1"), QStringLiteral("[Нет]"));
    EXPECT_TRUE(frRunDesignCommand(*doc, QStringLiteral("band-source CrossData1 \"DetailData1=frDS;Other=3;\"")).applied);
    EXPECT_EQ(source("CrossData1"), QStringLiteral("MasterData1=[Нет];DetailData1=frDS;GroupHeader1=[Нет];"));
    EXPECT_TRUE(frRunDesignCommand(*doc, QStringLiteral("band-source GroupHeader1 \"[DS.\"\"Kind\"\"]\"")).applied);
    EXPECT_EQ(source("GroupHeader1"), QStringLiteral("[DS.\"Kind\"]"));
    EXPECT_EQ(doc->undoStack().count(), 5);

    struct Case {
        const char* line;
        const char* why;
    };
    const Case refused[] = {
        {"band-source MasterData1 Missing", "Нет источника данных «Missing»"},
        {"band-source DetailData1 frDS", "Ничего не изменилось"},
        {"band-source PageHeader1 frDS", "Секция PageHeader1 (Page header) не имеет источника данных"},
        {"band-source Nothing frDS", "На странице нет секции Nothing"},
    };
    for (const Case& c : refused) {
        const TfrDesignCommandResult r = frRunDesignCommand(*doc, QString::fromUtf8(c.line));
        EXPECT_FALSE(r.applied) << c.line;
        EXPECT_EQ(r.message, QString::fromUtf8(c.why)) << c.line;
    }
    EXPECT_EQ(doc->undoStack().count(), 5);
    EXPECT_THROW(frParseDesignCommand(QStringLiteral("band-source MasterData1")), EDesignCommandSyntax);
}

// ---------------------------------------------------------------- the dialogs' commands

TEST(DesignCommandSyntax, TheDialogsCommandsCheckTheirWords) {
    const char* const bad[] = {
        "insert-fields DS",          "insert-fields DS A sideways", "insert-fields DS A no",
        "insert-fields DS A no gap", "page-options",                "page-options margins=1,2,3",
        "page-options colour=red",   "page-options orientation=up", "page-options stretch=yes",
        "page-options paper=A4",     "report-options two-passes=1", "report-options version=1.2.3.4.5",
        "report-options nothing",    "dictionary",                  "dictionary add-variable A B",
        "dictionary alias DS",       "dictionary rename A B",
    };
    for (const char* line : bad)
        EXPECT_THROW(frParseDesignCommand(QString::fromUtf8(line)), EDesignCommandSyntax) << line;
    const QString help = frDesignCommandHelp();
    for (const char* usage : {"insert-fields ТАБЛИЦА", "page-options [paper=КОД]", "report-options [printer=",
                              "dictionary add-variable"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(usage))) << usage;
}

using DialogCommands = DemoDesignTest;

TEST_F(DialogCommands, FieldsPageReportAndDictionaryAsTheDialogsSetThem) {
    const char* const script[] = {
        "page-options margins=10,10,10,10 gap=0 columns=1 orientation=landscape prev-page=on",
        "insert-fields DS PointNo,PointName horizontal headers bands",
        "report-options two-passes=on name=\"Точки ПС\" author=Инженер comment=Проверка version=1.2",
        "dictionary add-category Итоги",
        "dictionary add-variable Итоги Всего \"COUNT(MasterData1)\"",
        "dictionary add-variable \"\" Отдельная 1",
        "dictionary alias DS.PointNo Номер",
        "dictionary exclude DS.Kind",
        "dictionary band-source frDS Точки",
    };
    for (const char* line : script) {
        const TfrDesignCommandResult r = frRunDesignCommand(*doc, QString::fromUtf8(line));
        EXPECT_TRUE(r.applied) << line << ": " << r.message.toStdString();
    }
    const TfrPage& p = page();
    EXPECT_EQ(p.margins, (TfrMargins{36, 36, 36, 36}));
    EXPECT_EQ(p.orientation, poLandscape);
    EXPECT_TRUE(p.printToPrevPage);
    // The fields start at the 10 mm margins.
    ASSERT_NE(find("Memo2"), nullptr);
    EXPECT_EQ(find("Memo2")->memo, QStringList{QStringLiteral("[DS.\"PointNo\"]")});
    EXPECT_EQ(box(find("Memo2")), (TfrBox{36, 36 + 72, 48, 20}));
    EXPECT_EQ(frCast<TfrBandView>(find("MasterData1"))->dataSourceName(), QStringLiteral("frDS"));
    EXPECT_EQ(doc->undoStack().count(), 1);

    EXPECT_TRUE(report.doublePassReport);
    EXPECT_EQ(report.info.name, QStringLiteral("Точки ПС"));
    EXPECT_EQ(report.info.versionMinor, QStringLiteral("2"));
    EXPECT_EQ(report.info.versionRelease, QString());
    TfrDataDictionary& d = report.dictionary();
    EXPECT_EQ(d.variables.names(), (QStringList{QStringLiteral(" Итоги"), QStringLiteral("Всего"), QStringLiteral("Отдельная")}));
    EXPECT_EQ(d.variables.get(QStringLiteral("Всего")).toString(), QStringLiteral("COUNT(MasterData1)"));
    EXPECT_EQ(d.aliases.get(QStringLiteral("DS.PointNo")).toString(), QStringLiteral("Номер"));
    EXPECT_FALSE(d.fieldList(QStringLiteral("DS")).contains(QStringLiteral("Kind")));
    EXPECT_EQ(d.bandSourceList(), QStringList{QStringLiteral("Точки")});

    // A password given protects; protect=off clears it again.
    EXPECT_TRUE(frRunDesignCommand(*doc, QStringLiteral("report-options password=секрет")).applied);
    EXPECT_TRUE(report.info.passwordProtected);
    EXPECT_TRUE(frRunDesignCommand(*doc, QStringLiteral("report-options protect=off")).applied);
    EXPECT_FALSE(report.info.passwordProtected);
    EXPECT_EQ(report.info.password, QString());
}

TEST_F(DialogCommands, ThoseThatCannotApplySayWhy) {
    struct Case {
        const char* line;
        const char* why;
    } const cases[] = {
        {"page-options columns=2.5 orientation=landscape", "'2.5' is not a valid integer value"},
        {"dictionary add-category \"\"", "Пустое имя категории"},
        {"report-options printer=7", "Нет принтера «7»"},
        {"dictionary exclude DS", "Исключить можно только поле: ТАБЛИЦА.ПОЛЕ"},
    };
    for (const Case& c : cases) {
        const TfrDesignCommandResult r = frRunDesignCommand(*doc, QString::fromUtf8(c.line));
        EXPECT_FALSE(r.applied) << c.line;
        EXPECT_EQ(r.message, QString::fromUtf8(c.why)) << c.line;
    }
    EXPECT_EQ(page().orientation, poPortrait);
    ASSERT_TRUE(doc->addPage(true));
    const TfrDesignCommandResult r = frRunDesignCommand(*doc, QStringLiteral("insert-fields DS PointNo"));
    EXPECT_FALSE(r.applied);
    EXPECT_EQ(page(1).count(), 0);
}

} // namespace
