#include "support.h"

#include "common/exception.h"

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using P = QList<QPair<QString, QString>>;

namespace {
const QString kTitle = QStringLiteral("Экспорт конфигурации ОИК");

QString point(const QString& n, const QString& t, const QString& children = {}) {
    return node(QStringLiteral("Point"), P{{"N", n}, {"T", t}}, children);
}
} // namespace

// ---------------------------------------------------------------------------
// Loading a settings file

TEST_F(SelectionFixture, LoadBuildsColumnsFilterRowsTitleAndRecentList) {
    writeTree("CONF", node("Channel", P{{"Number", "1"}, {"Title", "Ch"}}, point("1", "a")));
    const QString path = writeCfg("main.cfg", {"CONF", "; channels and their points",
                                               "Channel=Number(int;5;No.;ChanNo), Title(string;40;Channel name)",
                                               "Point=N(int;0;Point;PointNo), T(string;60;Point name;PointTitle), Kind"});
    ASSERT_TRUE(engine.LoadSettingsFile(path, true)); // as from the recent list: no open dialog
    EXPECT_TRUE(ui.messages.empty()) << ui.texts().join('\n').toStdString();
    EXPECT_EQ(host.titles.last(), kTitle + " - main.cfg");
    EXPECT_EQ(host.recent, QStringList{path});
    EXPECT_EQ(host.filterShown, 1);
    EXPECT_EQ(engine.fileName(), path);
    EXPECT_EQ(engine.configuredColumnCount(), 5);
    EXPECT_EQ(engine.lookupKeys(), QString());

    TMemTable& ds = engine.DS();
    ASSERT_EQ(ds.fieldCount(), 6);
    QStringList names;
    for (int i = 0; i < ds.fieldCount(); ++i)
        names << ds.field(i).fieldName();
    EXPECT_EQ(names, (QStringList{"RecNo", "ChanNo", "Title", "PointNo", "PointTitle", "Kind"}));
    EXPECT_FALSE(ds.field(0).visible());
    EXPECT_EQ(ds.field(1).dataType(), TFieldType::Integer);
    EXPECT_EQ(ds.field(1).displayWidth(), 5);
    EXPECT_EQ(ds.field(1).displayLabel(), QStringLiteral("No."));
    EXPECT_EQ(ds.field(2).size(), 40);
    EXPECT_EQ(ds.field(3).displayWidth(), 10); // Size 0 keeps the default width
    EXPECT_EQ(ds.field(3).displayLabel(), QStringLiteral("Point"));
    EXPECT_EQ(ds.field(5).size(), 10);
    EXPECT_EQ(engine.filterRows().rows(),
              (QStringList{"No.=", "Channel name=", "Point=", "Point name=", "Kind="}));
    // The point lacks Kind, whose empty text is still a value.
    EXPECT_EQ(rows(), QStringList{"1|Ch|1|a|"});
    EXPECT_EQ(host.statuses.last(), QStringLiteral("Всего записей: 1"));
}

TEST_F(SelectionFixture, OpenDialogCancelChangesNothing) {
    EXPECT_FALSE(engine.LoadSettingsFile(QString(), true));
    EXPECT_TRUE(host.titles.isEmpty());
    EXPECT_TRUE(ui.messages.empty());
    // A selection without a loaded file asks for one first.
    EXPECT_FALSE(engine.PerformSelection(true));
    EXPECT_EQ(host.filterShown, 0);
}

TEST_F(SelectionFixture, UnreadableFileIsReportedAndForgotten) {
    writeTree("CONF", point("1", "a"));
    const QString good = writeCfg("good.cfg", {"CONF", "Point=N"});
    ASSERT_TRUE(engine.LoadSettingsFile(good, false));
    const QString missing = dir.filePath("missing.cfg");
    EXPECT_FALSE(engine.LoadSettingsFile(missing, true));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Cannot open file " + missing);
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Ошибка"));
    EXPECT_EQ(ui.messages[0].icon, TUserInteraction::ErrorIcon);
    EXPECT_FALSE(engine.hasSettingsFile());
    EXPECT_EQ(host.titles.last(), kTitle);
    EXPECT_EQ(host.recent, QStringList()); // only loads that got through reach the list
}

TEST_F(SelectionFixture, CancelledOrFailedLoadLeavesTheGridEmpty) {
    // After the first file's selection the grid shows DS; every later load
    // that ends without a selection must leave it detached, never on the old
    // rows of a table that was closed.
    writeTree("CONF", point("1", "a"));
    const QString good = writeCfg("good.cfg", {"CONF", "Point=N"});
    const QString other = writeCfg("other.cfg", {"CONF", "Point=T"});
    const QString dup = writeCfg("dup.cfg", {"CONF", "Point=N, T(int;5;;n)"});
    const struct {
        const char* what;
        QString path;
        bool filterOk;
    } cases[] = {
        {"filter dialog cancelled", other, false},
        {"missing file", dir.filePath("missing.cfg"), true},
        {"table error", dup, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host.filterResult = true;
        ASSERT_TRUE(engine.LoadSettingsFile(good, false));
        ASSERT_TRUE(host.showsTable);
        host.filterResult = c.filterOk;
        engine.LoadSettingsFile(c.path, true);
        EXPECT_FALSE(host.showsTable);
    }
}

#ifndef Q_OS_WIN
TEST_F(SelectionFixture, SettingsAndLookupFilesMustBeSmallRegularFiles) {
    // A FIFO or a device would block or stream forever; a huge file would take
    // its size several times in memory. Each is refused with its reason.
    writeTree("CONF", point("1", "a"));
    const QString fifo = dir.filePath("fifo.cfg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath("zero.cfg");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    const QString big = writeCfg("big.cfg", {"CONF", "Point=N", QString(5 << 20, u';')});
    const struct {
        const char* what;
        QString path;
        QString message;
    } cases[] = {
        {"FIFO", fifo, "Файл " + fifo + " не является обычным файлом"},
        {"device", zero, "Файл " + zero + " не является обычным файлом"},
        {"too large", big, "Файл " + big + " слишком велик"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ui.messages.clear();
        EXPECT_FALSE(engine.LoadSettingsFile(c.path, false));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.messages[0].text.startsWith(c.message)) << ui.messages[0].text.toStdString();
        // The same file named as lookup file: reported, and the load goes on without it.
        ui.messages.clear();
        const QString main = writeCfg("main.cfg", {"CONF", "LookupFile:" + QFileInfo(c.path).fileName(), "Point=N"});
        EXPECT_TRUE(engine.LoadSettingsFile(main, false));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.messages[0].text.startsWith(c.message)) << ui.messages[0].text.toStdString();
        EXPECT_EQ(rows(), QStringList{"1"});
    }
}
#endif

TEST_F(SelectionFixture, TableErrorsEndTheLoad) {
    writeTree("CONF", point("1", "a"));
    const QString path = writeCfg("dup.cfg", {"CONF", "Point=N, T(int;5;;n)"});
    EXPECT_FALSE(engine.LoadSettingsFile(path, false));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("DS: Duplicate field name 'n'"));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Ошибка"));
    EXPECT_FALSE(engine.hasSettingsFile());
    EXPECT_EQ(host.titles.last(), kTitle);
}

TEST_F(SelectionFixture, MoreThanFortyNineColumnsAreRefused) {
    writeTree("CONF", point("1", "a"));
    auto line = [](int from, int count) {
        QStringList specs;
        for (int i = from; i < from + count; ++i)
            specs << QStringLiteral("P%1").arg(i);
        return QStringLiteral("K%1=").arg(from) + specs.join(',');
    };
    const QString ok = writeCfg("ok.cfg", {"CONF", line(0, 20), line(20, 20), line(40, 9)});
    EXPECT_TRUE(engine.LoadSettingsFile(ok, false));
    EXPECT_EQ(engine.DS().fieldCount(), 50);
    EXPECT_TRUE(ui.messages.empty());
    const QString tooMany = writeCfg("many.cfg", {"CONF", line(0, 20), line(20, 20), line(40, 10)});
    EXPECT_FALSE(engine.LoadSettingsFile(tooMany, false));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("50")) << ui.messages[0].text.toStdString();
    EXPECT_TRUE(ui.messages[0].text.contains("49"));
    EXPECT_FALSE(engine.hasSettingsFile());
}

// ---------------------------------------------------------------------------
// The walk

TEST_F(SelectionFixture, WalkMakesRecordsFromLeavesWithAFullPath) {
    writeTree("CONF",
              node("Sub", P{{"Name", "S1"}},
                   point("1", "a") + point("1", "a")              // a consecutive repeat is dropped
                       + point("2", "b") + point("1", "a")        // equal leaves apart from each other are kept
                       + node("Other", {})                        // a leaf without a point: no record
                       + point("3", "c", node("Child", {}))       // an inner node: only its leaf makes one
                   )
                  + point("9", "z") // a point without its substation: too few values
                  + node("Sub", P{{"Name", "S2"}}, point("1", "a")));
    const QString path = writeCfg("walk.cfg", {"CONF", "Sub=Name", "Point=N(int), T"});
    ASSERT_TRUE(engine.LoadSettingsFile(path, false));
    EXPECT_EQ(host.filterShown, 0); // a load by the system shows no filter
    EXPECT_EQ(rows(), (QStringList{"S1|1|a", "S1|2|b", "S1|1|a", "S1|3|c", "S2|1|a"}));
    EXPECT_EQ(recNos(), (QStringList{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(host.statuses.last(), QStringLiteral("Всего записей: 5"));
    EXPECT_GE(host.detached, 1); // before the table is rebuilt
    EXPECT_EQ(host.attached, 1);
    EXPECT_TRUE(host.showsTable);
    EXPECT_EQ(host.busy, host.idle);
    EXPECT_EQ(engine.DS().recNo(), 0);
    EXPECT_NE(engine.fileTime(), 0u);
    EXPECT_EQ(engine.maskText(), QStringLiteral("•*•*•*"));
}

TEST_F(SelectionFixture, NodeNamesIgnoreLetterCaseAndValuesLoseTrailingBlanks) {
    writeTree("CONF", node("подстанция", P{{"Имя", "  Северная \t"}}, node("TOCHKA", P{{"N", "7"}})));
    const QString path = writeCfg("ru.cfg", {"CONF", "ПОДСТАНЦИЯ=Имя", "Tochka=N(int)"});
    ASSERT_TRUE(engine.LoadSettingsFile(path, false));
    EXPECT_EQ(rows(), QStringList{"  Северная|7"});
}

TEST_F(SelectionFixture, TopNodeWithoutChildrenGivesAnEmptyTable) {
    writeTree("CONF", QString());
    ASSERT_TRUE(engine.LoadSettingsFile(writeCfg("e.cfg", {"CONF", "Point=N"}), false));
    EXPECT_EQ(engine.DS().recordCount(), 0);
    EXPECT_EQ(host.statuses.last(), QStringLiteral("Всего записей: 0"));
}

TEST_F(SelectionFixture, DeepTreesDoNotExhaustTheStack) {
    const int depth = 200000;
    QString body;
    for (int i = 0; i < depth; ++i)
        body += QStringLiteral("<node name=\"L\">");
    body += node("Leaf", P{{"V", "deep"}});
    for (int i = 0; i < depth; ++i)
        body += QStringLiteral("</node>");
    writeTree("CONF", body);
    ASSERT_TRUE(engine.LoadSettingsFile(writeCfg("deep.cfg", {"CONF", "Leaf=V"}), false));
    EXPECT_EQ(rows(), QStringList{"deep"});
}

TEST_F(SelectionFixture, ProgressIsReportedDuringLongWalks) {
    QString body;
    for (int i = 0; i < 5000; ++i)
        body += point(QString::number(i), "t");
    writeTree("CONF", body);
    ASSERT_TRUE(engine.LoadSettingsFile(writeCfg("p.cfg", {"CONF", "Point=N(int)"}), false));
    EXPECT_EQ(engine.DS().recordCount(), 5000);
    EXPECT_EQ(host.progressCalls, 1);
    EXPECT_EQ(host.lastNodes, TSelectionEngine::ProgressInterval);
}

// ---------------------------------------------------------------------------
// Masks, conversions and the filter dialog

TEST_F(SelectionFixture, MasksFilterAndRepeatsOfFilteredLeavesAreDroppedToo) {
    writeTree("CONF", point("1", "abc") + point("2", "Abd") + point("2", "Abd") + point("3", "xyz") +
                          point("4", "ab"));
    const QString path = writeCfg("m.cfg", {"CONF", "Point=N(int;5;Номер), T"});
    host.onFilter = [](TFilterRows& rows) { rows.setValue(1, QStringLiteral(" aB?* ")); };
    ASSERT_TRUE(engine.LoadSettingsFile(path, true));
    EXPECT_EQ(rows(), (QStringList{"1|abc", "2|Abd", "4|ab"}));
    EXPECT_EQ(recNos(), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(engine.maskText(), QStringLiteral("•*•aB?*"));

    // Cancelling the filter keeps the selection but not the typed values' effect.
    host.onFilter = [](TFilterRows& rows) { rows.setValue(0, QStringLiteral("3")); };
    host.filterResult = false;
    const int detachedBefore = host.detached;
    EXPECT_FALSE(engine.PerformSelection(true));
    EXPECT_EQ(host.detached, detachedBefore);
    EXPECT_EQ(engine.DS().recordCount(), 3);
    EXPECT_EQ(engine.filterRows().row(0), QStringLiteral("Номер=3"));
    // A later selection without the dialog uses the values left in the rows.
    EXPECT_TRUE(engine.PerformSelection(false));
    EXPECT_EQ(rows(), QStringList());
    engine.filterRows().setValue(1, QString());
    EXPECT_TRUE(engine.PerformSelection(false));
    EXPECT_EQ(rows(), QStringList{"3|xyz"});
}

TEST_F(SelectionFixture, FloatCommaIsReplacedAfterTheMaskTest) {
    writeTree("CONF", node("P", P{{"F", "1,5"}}) + node("P", P{{"F", "2,5"}}) + node("P", P{{"F", "1.25"}}));
    host.onFilter = [](TFilterRows& rows) { rows.setValue(0, QStringLiteral("1,*")); };
    ASSERT_TRUE(engine.LoadSettingsFile(writeCfg("f.cfg", {"CONF", "P=F(float)"}), true));
    EXPECT_EQ(rows(), QStringList{"1.5"});
    EXPECT_EQ(engine.DS().field(1).asFloat(), 1.5);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SelectionFixture, ConversionErrorKeepsTheRecord) {
    writeTree("CONF", point("abc", "x") + point("5", "y"));
    ASSERT_TRUE(engine.LoadSettingsFile(writeCfg("c.cfg", {"CONF", "Point=N(int;4;Номер), T"}), false));
    EXPECT_EQ(rows(), (QStringList{"|x", "5|y"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("'abc' is not a valid integer value for field 'Номер'"));
    EXPECT_EQ(ui.messages[0].buttons, TUserInteraction::Ok);
    EXPECT_EQ(host.statuses.last(), QStringLiteral("Всего записей: 2"));
}

TEST_F(SelectionFixture, ConversionMessagesStopWhenTheUserSaysNo) {
    QString body;
    for (int i = 0; i < 7; ++i)
        body += point(QStringLiteral("x%1").arg(i), "t");
    writeTree("CONF", body);
    const QString path = writeCfg("c.cfg", {"CONF", "Point=N(int), T"});
    ui.answers = {TUserInteraction::Ok, TUserInteraction::Ok, TUserInteraction::Ok, TUserInteraction::Yes,
                  TUserInteraction::No};
    ASSERT_TRUE(engine.LoadSettingsFile(path, false));
    ASSERT_EQ(ui.messages.size(), 5u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ui.messages[std::size_t(i)].buttons, TUserInteraction::Ok);
    EXPECT_EQ(ui.messages[3].buttons, TUserInteraction::Yes | TUserInteraction::No);
    EXPECT_TRUE(ui.messages[4].text.startsWith("'x4' is not a valid integer value"));
    EXPECT_EQ(engine.DS().recordCount(), 7);
    EXPECT_EQ(engine.suppressedMessages(), 2);
    EXPECT_EQ(host.statuses.last(),
              QStringLiteral("Всего записей: 7 (не показано сообщений об ошибках преобразования: 2)"));

    // Every selection starts counting anew; the command-line policy shows all.
    ui.messages.clear();
    engine.setConversionMessages(TSelectionEngine::ConversionMessages::All);
    ASSERT_TRUE(engine.PerformSelection(false));
    EXPECT_EQ(ui.messages.size(), 7u);
    EXPECT_EQ(engine.suppressedMessages(), 0);
    EXPECT_EQ(host.statuses.last(), QStringLiteral("Всего записей: 7"));
}

// ---------------------------------------------------------------------------
// Opening the configuration

TEST_F(SelectionFixture, OpenFailureShowsTheLibraryTextAndLeavesTheGridDetached) {
    writeTree("CONF", point("1", "a"));
    const QString path = writeCfg("o.cfg", {"CONF", "Point=N(int), T"});
    ASSERT_TRUE(engine.LoadSettingsFile(path, false));
    host.nt = QStringLiteral("UNKNOWN");
    const int statuses = host.statuses.size();
    EXPECT_FALSE(engine.PerformSelection(false));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, QString());
    EXPECT_EQ(ui.messages[0].icon, TUserInteraction::ErrorIcon);
    EXPECT_TRUE(ui.messages[0].text.contains("UNKNOWN"));
    EXPECT_EQ(host.statuses.size(), statuses);
    EXPECT_FALSE(host.showsTable);
    EXPECT_EQ(engine.DS().recordCount(), 0);
    // The next selection works normally again.
    host.nt = QStringLiteral("NT1");
    EXPECT_TRUE(engine.PerformSelection(false));
    EXPECT_EQ(rows(), QStringList{"1|a"});
}

TEST_F(SelectionFixture, OverlongServerNamesAreRefused) {
    writeTree("CONF", point("1", "a"));
    ASSERT_TRUE(engine.LoadSettingsFile(writeCfg("o.cfg", {"CONF", "Point=N(int), T"}), false));
    host.nt = QString(129, u'N');
    EXPECT_FALSE(engine.PerformSelection(false));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("128"));
    host.nt = QStringLiteral("NT1");
    host.tm = QString(120, u'T');
    ui.messages.clear();
    EXPECT_FALSE(engine.PerformSelection(false));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("128"));
    EXPECT_TRUE(ui.messages[0].text.contains("TM_SERVER"));
}
