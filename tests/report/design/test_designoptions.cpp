// What the page-options, report-options and dictionary dialogs do with the
// values entered.

#include "demofixture.h"

#include "report/design/designoptions.h"
#include "report/model/dictionary.h"
#include "report/model/printer.h"

#include <deque>

namespace {

using PageOptions = DesignTest;

TEST_F(PageOptions, MarginsInMillimetresAreStoredInPixelsAndTheDialogShowsThemBack) {
    TfrPageOptions o = frPageOptionsOf(*doc);
    o.marginLeft = QStringLiteral("100");
    o.marginTop = QStringLiteral("10");
    o.marginRight = QStringLiteral(" 12.5 ");
    o.marginBottom = QStringLiteral("0");
    o.columnGap = QStringLiteral("5");
    o.columns = QStringLiteral("2");
    o.printToPrevPage = true;
    o.stretchToPrintable = true;
    o.unlimitedHeight = true;
    o.orientation = poLandscape;
    QString error;
    ASSERT_TRUE(frApplyPageOptions(*doc, o, &error)) << error.toStdString();
    const TfrPage& p = page();
    EXPECT_EQ(p.margins, (TfrMargins{360, 36, 45, 0}));
    EXPECT_EQ(p.columnGap, 18);
    EXPECT_EQ(p.columns, 2);
    EXPECT_TRUE(p.printToPrevPage);
    EXPECT_FALSE(p.useMargins);
    EXPECT_TRUE(doc->settings().unlimitedHeight);
    // The paper went through change paper: A4 turned.
    EXPECT_EQ(p.orientation, poLandscape);
    EXPECT_EQ(p.pWidth, 2970);
    EXPECT_EQ(p.pHeight, 2100);
    EXPECT_EQ(p.prnInfo.pgw, 1071);
    // The report changed, but no object did: modified, nothing to undo.
    EXPECT_TRUE(doc->modified());
    EXPECT_TRUE(doc->undoStack().isEmpty());

    const TfrPageOptions shown = frPageOptionsOf(*doc);
    EXPECT_EQ(shown.marginLeft, QStringLiteral("100"));
    EXPECT_EQ(shown.marginRight, QStringLiteral("12.5"));
    EXPECT_EQ(shown.width, QStringLiteral("297"));
    EXPECT_EQ(frMillimetresText(37), QStringLiteral("10.28"));
    EXPECT_EQ(frMillimetresToPixels(frMillimetresText(37)), 37);
}

TEST_F(PageOptions, ACustomSizeInMillimetresAndOneThatIsNoNumber) {
    TfrPageOptions o = frPageOptionsOf(*doc);
    o.paperSize = frPaperCustom;
    o.width = QStringLiteral("100");
    o.height = QStringLiteral("150.5");
    ASSERT_TRUE(frApplyPageOptions(*doc, o));
    EXPECT_EQ(page().pSize, frPaperCustom);
    EXPECT_EQ(page().pWidth, 1000);
    EXPECT_EQ(page().pHeight, 1505);

    o.width = QStringLiteral("abc");
    ASSERT_TRUE(frApplyPageOptions(*doc, o));
    EXPECT_EQ(page().pSize, 9);
    EXPECT_EQ(page().pWidth, 2100);
    EXPECT_EQ(page().pHeight, 2970);
}

TEST_F(PageOptions, OneMarginThatIsNoNumberClearsAllMarginsAndTheGap) {
    page().margins = TfrMargins{36, 36, 36, 36};
    page().columnGap = 72;
    TfrPageOptions o = frPageOptionsOf(*doc);
    o.marginTop = QStringLiteral("x");
    ASSERT_TRUE(frApplyPageOptions(*doc, o));
    EXPECT_EQ(page().margins, TfrMargins{});
    EXPECT_EQ(page().columnGap, 0);
    // So do numbers beyond any paper.
    page().margins = TfrMargins{36, 36, 36, 36};
    o = frPageOptionsOf(*doc);
    o.marginBottom = QStringLiteral("1e9");
    ASSERT_TRUE(frApplyPageOptions(*doc, o));
    EXPECT_EQ(page().margins, TfrMargins{});
}

TEST_F(PageOptions, ColumnsThatAreNoIntegerStopBeforeThePaper) {
    TfrPageOptions o = frPageOptionsOf(*doc);
    o.marginLeft = QStringLiteral("20");
    o.printToPrevPage = true;
    o.orientation = poLandscape;
    o.columns = QStringLiteral("2.5");
    QString error;
    EXPECT_FALSE(frApplyPageOptions(*doc, o, &error));
    EXPECT_EQ(error, QStringLiteral("'2.5' is not a valid integer value"));
    // What was taken before the columns stays; the paper was not applied.
    EXPECT_EQ(page().margins.left, 72);
    EXPECT_TRUE(page().printToPrevPage);
    EXPECT_EQ(page().columns, 0);
    EXPECT_EQ(page().orientation, poPortrait);
    EXPECT_EQ(page().pWidth, 2100);
    EXPECT_TRUE(doc->modified());

    o.columns = QStringLiteral("100000");
    EXPECT_FALSE(frApplyPageOptions(*doc, o, &error));
    EXPECT_EQ(page().orientation, poPortrait);
}

TEST_F(PageOptions, UnchangedValuesLeaveTheReportUnmodified) {
    ASSERT_TRUE(frApplyPageOptions(*doc, frPageOptionsOf(*doc)));
    EXPECT_FALSE(doc->modified());
}

// ---------------------------------------------------------------- report options

class ReportOptions : public DesignTest {
protected:
    // Answers the password questions in turn, recording the prompts.
    TfrPasswordAsk answering(std::deque<std::optional<QString>> answers) {
        return [this, answers = std::make_shared<std::deque<std::optional<QString>>>(std::move(answers))](
                   const QString& caption, const QString& prompt) -> std::optional<QString> {
            asked << caption + QStringLiteral(": ") + prompt;
            if (answers->empty())
                return std::nullopt;
            std::optional<QString> a = answers->front();
            answers->pop_front();
            return a;
        };
    }
    QStringList asked;
};

TEST_F(ReportOptions, TheInformationTwoPassesAndThePrinterChoice) {
    TfrReportOptions o = frReportOptionsOf(report);
    EXPECT_TRUE(o.chooseAtOpen);
    o.chooseAtOpen = false;
    o.doublePass = true;
    o.name = QStringLiteral("Точки");
    o.author = QStringLiteral("Инженер");
    o.comment = QStringLiteral("Строка 1\r\nСтрока 2");
    o.versionMajor = QStringLiteral("1");
    o.versionBuild = QStringLiteral("7");
    ASSERT_TRUE(frApplyReportOptions(*doc, o, answering({})));
    EXPECT_TRUE(report.keepDefaultPrinter);
    EXPECT_TRUE(report.doublePassReport);
    EXPECT_EQ(report.info.name, QStringLiteral("Точки"));
    EXPECT_EQ(report.info.author, QStringLiteral("Инженер"));
    EXPECT_EQ(report.info.comment, QStringLiteral("Строка 1\r\nСтрока 2"));
    EXPECT_EQ(report.info.versionMajor, QStringLiteral("1"));
    EXPECT_EQ(report.info.versionBuild, QStringLiteral("7"));
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(doc->modified());
    EXPECT_TRUE(doc->undoStack().isEmpty());
    EXPECT_EQ(frReportOptionsOf(report).name, QStringLiteral("Точки"));
}

// A platform printer of A4 paper that can be told to fail being read.
class TestPrinter : public TfrPrinterDevice {
public:
    explicit TestPrinter(QString name) : m_name(std::move(name)) {}
    QString name() const override { return m_name; }
    State read() override {
        if (*broken)
            throw Exception(QStringLiteral("cannot read"));
        State s;
        s.paper.size = 9;
        s.paper.width = 2100;
        s.paper.height = 2970;
        s.papers = {{9, QStringLiteral("A4")}};
        s.resolutionX = s.resolutionY = 600;
        s.pageWidth = 4960;
        s.pageHeight = 7016;
        s.printableWidth = 4960;
        s.printableHeight = 7016;
        return s;
    }
    void apply(const TfrPaperSetting&) override {}
    std::shared_ptr<bool> broken = std::make_shared<bool>(false);

private:
    QString m_name;
};

TEST_F(ReportOptions, ThePrinterIsChosenThroughSelectPrinter) {
    std::vector<std::unique_ptr<TfrPrinterDevice>> devices;
    devices.push_back(std::make_unique<TestPrinter>(QStringLiteral("Office")));
    const std::shared_ptr<bool> broken = static_cast<TestPrinter&>(*devices.front()).broken;
    engine.printer().setDevices(std::move(devices));
    const int virtualPrinter = engine.printer().virtualIndex();
    TfrReportOptions o = frReportOptionsOf(report);
    EXPECT_EQ(o.printerIndex, 0);
    o.printerIndex = virtualPrinter;
    ASSERT_TRUE(frApplyReportOptions(*doc, o, answering({})));
    EXPECT_EQ(report.printerName, TfrPrinter::virtualPrinterName());

    // A printer that cannot be set up is told; the previous one stays.
    *broken = true;
    o.printerIndex = 0;
    o.name = QStringLiteral("Имя");
    EXPECT_FALSE(frApplyReportOptions(*doc, o, answering({})));
    EXPECT_EQ(engine.printer().printerIndex(), virtualPrinter);
    EXPECT_EQ(report.printerName, TfrPrinter::virtualPrinterName());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, frPrinterSetupFailedText());
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Ошибка"));
    EXPECT_EQ(report.info.name, QStringLiteral("Имя")); // the other values are taken
}

TEST_F(ReportOptions, ProtectionNeedsThePasswordTwiceAlike) {
    TfrReportOptions o = frReportOptionsOf(report);
    o.protect = true;
    ASSERT_TRUE(frApplyReportOptions(*doc, o, answering({QStringLiteral("секрет"), QStringLiteral("секрет")})));
    EXPECT_TRUE(report.info.passwordProtected);
    EXPECT_EQ(report.info.password, QStringLiteral("секрет"));
    EXPECT_EQ(asked, (QStringList{QStringLiteral("Пароль: Введите пароль для открытия отчета"),
                                  QStringLiteral("Пароль: Повторите пароль для проверки")}));

    // A protected report keeps its password without being asked.
    asked.clear();
    o = frReportOptionsOf(report);
    o.name = QStringLiteral("другое имя");
    ASSERT_TRUE(frApplyReportOptions(*doc, o, answering({})));
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(report.info.password, QStringLiteral("секрет"));

    // Protection switched off clears the password.
    o.protect = false;
    ASSERT_TRUE(frApplyReportOptions(*doc, o, answering({})));
    EXPECT_FALSE(report.info.passwordProtected);
    EXPECT_EQ(report.info.password, QString());
}

TEST_F(ReportOptions, DifferingOrCancelledEntriesLeaveTheReportUnprotected) {
    report.info.password = QStringLiteral("старый"); // left over, not protecting
    TfrReportOptions o = frReportOptionsOf(report);
    o.protect = true;
    ASSERT_TRUE(frApplyReportOptions(*doc, o, answering({QStringLiteral("один"), QStringLiteral("другой")})));
    EXPECT_FALSE(report.info.passwordProtected);
    EXPECT_EQ(report.info.password, QString());

    report.info.password = QStringLiteral("старый");
    asked.clear();
    ASSERT_TRUE(frApplyReportOptions(*doc, o, answering({std::nullopt})));
    EXPECT_EQ(asked.size(), 1); // the second entry is not asked
    EXPECT_FALSE(report.info.passwordProtected);
    EXPECT_EQ(report.info.password, QString());

    // The dialog asks when the box is switched on and hands the password over.
    EXPECT_EQ(frAskNewPassword(answering({QStringLiteral("a"), std::nullopt})), std::nullopt);
    o.newPassword = QStringLiteral("новый");
    ASSERT_TRUE(frApplyReportOptions(*doc, o, answering({})));
    EXPECT_TRUE(report.info.passwordProtected);
    EXPECT_EQ(report.info.password, QStringLiteral("новый"));
}

// ---------------------------------------------------------------- dictionary

using DictionaryEditor = DemoDesignTest;

TEST_F(DictionaryEditor, NewCategoriesAndVariablesTakeTheFirstFreeNumber) {
    TfrDictionaryEditor e(report);
    EXPECT_EQ(e.addCategory(), 0);
    EXPECT_EQ(e.variables.name(0), QStringLiteral(" Category1"));
    // Nothing reaches the dictionary before OK.
    EXPECT_TRUE(report.dictionary().variables.isEmpty());
    e.apply(*doc);
    EXPECT_EQ(report.dictionary().variables.names(), QStringList{QStringLiteral(" Category1")});
    EXPECT_EQ(report.dictionary().categoryList(), QStringList{QStringLiteral("Category1")});
    EXPECT_TRUE(doc->modified());
    EXPECT_TRUE(doc->undoStack().isEmpty());

    TfrDictionaryEditor f(report);
    ASSERT_EQ(f.addVariable(0), 1);
    EXPECT_EQ(f.variables.name(1), QStringLiteral("Variable1"));
    EXPECT_EQ(f.addCategory(), 2);
    EXPECT_EQ(f.variables.name(2), QStringLiteral(" Category2"));
    ASSERT_TRUE(f.renameEntry(2, QStringLiteral("Итоги")));
    EXPECT_EQ(f.variables.name(2), QStringLiteral(" Итоги"));
    // The next variable of the first category goes before the next category's entry.
    EXPECT_EQ(f.addVariable(1), 2);
    EXPECT_EQ(f.variables.names(), (QStringList{QStringLiteral(" Category1"), QStringLiteral("Variable1"),
                                                QStringLiteral("Variable2"), QStringLiteral(" Итоги")}));
    // With nothing selected, at the end.
    EXPECT_EQ(f.addVariable(-1), 4);
    EXPECT_EQ(f.variables.name(4), QStringLiteral("Variable3"));
    EXPECT_EQ(f.variables.value(4).toString(), QString());
    EXPECT_FALSE(f.renameEntry(4, QStringLiteral("variable1"))); // taken, letter case aside
    f.removeEntry(3); // the category with its variable
    EXPECT_EQ(f.variables.count(), 3);
}

TEST_F(DictionaryEditor, AliasesExcludedFieldsAndBandSources) {
    TfrDictionaryEditor e(report);
    e.setAlias(QStringLiteral("DS"), QString(), QStringLiteral("Выборка"));
    e.setAlias(QStringLiteral("DS"), QStringLiteral("PointNo"), QStringLiteral("Номер"));
    e.setExcluded(QStringLiteral("DS"), QStringLiteral("Kind"), true);
    EXPECT_EQ(e.aliases.get(QStringLiteral("DS.PointNo")).toString(), QStringLiteral("Номер"));
    EXPECT_TRUE(e.aliases.contains(QStringLiteral("DS.Kind")));
    EXPECT_TRUE(e.isExcluded(QStringLiteral("DS"), QStringLiteral("Kind")));
    EXPECT_EQ(TfrDictionaryEditor::itemText(QStringLiteral("PointNo"), e.alias(QStringLiteral("DS"), QStringLiteral("PointNo"))),
              QStringLiteral("PointNo {Номер}"));
    e.setBandSourceAlias(QStringLiteral("frDS"), QStringLiteral("Точки"));
    e.apply(*doc);

    TfrDataDictionary& d = report.dictionary();
    // DS2 stays offered though the list now names tables.
    EXPECT_EQ(d.datasetList(), (QStringList{QStringLiteral("DS2"), QStringLiteral("Выборка")}));
    const QStringList fields = d.fieldList(QStringLiteral("Выборка"));
    EXPECT_TRUE(fields.contains(QStringLiteral("Номер")));
    EXPECT_FALSE(fields.contains(QStringLiteral("PointNo")));
    EXPECT_FALSE(fields.contains(QStringLiteral("Kind")));
    EXPECT_EQ(d.bandSourceList(), QStringList{QStringLiteral("Точки")});

    // Including the field again and clearing the aliases empties the list.
    TfrDictionaryEditor f(report);
    f.setExcluded(QStringLiteral("DS"), QStringLiteral("Kind"), false);
    EXPECT_FALSE(f.aliases.contains(QStringLiteral("DS.Kind")));
    f.setAlias(QStringLiteral("DS"), QStringLiteral("PointNo"), QString());
    f.setAlias(QStringLiteral("DS"), QString(), QString());
    EXPECT_TRUE(f.aliases.isEmpty());
    // The one band source cannot be excluded: an empty list offers it again.
    EXPECT_FALSE(f.setBandSourceExcluded(QStringLiteral("frDS"), true));
    f.setBandSourceAlias(QStringLiteral("frDS"), QString());
    EXPECT_TRUE(f.bandSources.isEmpty());
    f.apply(*doc);
    EXPECT_TRUE(d.aliases.isEmpty());
    EXPECT_EQ(d.datasetList(), (QStringList{QStringLiteral("DS"), QStringLiteral("DS2")}));
}

TEST_F(DictionaryEditor, UnchangedCopiesLeaveTheReportUnmodified) {
    report.dictionary().variables.set(QStringLiteral(" Параметры сервера"), TVariant(QString()));
    TfrDictionaryEditor e(report);
    e.apply(*doc);
    EXPECT_FALSE(doc->modified());
}

} // namespace
