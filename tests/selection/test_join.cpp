#include "support.h"

using P = QList<QPair<QString, QString>>;

namespace {
QString owner(const QString& sub, const QString& name, const QString& phone) {
    return node(QStringLiteral("Owner"), P{{"Sub", sub}, {"Name", name}, {"Phone", phone}});
}
QString sub(const QString& name, const QString& children) {
    return node(QStringLiteral("Sub"), P{{"Name", name}}, children);
}
QString pt(const QString& n) { return node(QStringLiteral("Point"), P{{"N", n}}); }
} // namespace

class JoinFixture : public SelectionFixture {
protected:
    void SetUp() override {
        SelectionFixture::SetUp();
        writeTree("OWN", owner("S1", "Иванов", "111") + owner("S3", "Петров", "333") + owner("S1", "Дубль", "999"));
        writeTree("CONF", sub("S1", pt("1") + pt("2")) + sub("S2", pt("1")) + sub("S3", pt("5")) +
                              node("Sub", {}, pt("7")));
        writeCfg("lookup/owners.cfg", {"OWN", "Owner=Sub(string;10;Подстанция;SubName), Name(string;30;Владелец;OwnerName), Phone(int;8;Телефон)"});
    }
};

TEST_F(JoinFixture, LookupColumnsAreJoinedOnCommonColumnNames) {
    const QString path = writeCfg("main.cfg", {"CONF", "LookupFile:lookup/owners.cfg", "Sub=Name(string;10;;SubName)",
                                               "Point=N(int)", "LookupFields: OwnerName, Missing, phone"});
    ASSERT_TRUE(engine.LoadSettingsFile(path, true));
    // One message for the name the lookup table lacks; the others are added.
    ASSERT_EQ(ui.messages.size(), 1u) << ui.texts().join('\n').toStdString();
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("DS2: Field 'Missing' not found"));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Ошибка"));

    EXPECT_EQ(engine.DS2().recordCount(), 3);
    EXPECT_EQ(engine.DS2().field(2).displayLabel(), QStringLiteral("Владелец"));
    EXPECT_EQ(engine.lookupKeys(), QStringLiteral("SubName"));
    EXPECT_EQ(engine.configuredColumnCount(), 2);
    TMemTable& ds = engine.DS();
    ASSERT_EQ(ds.fieldCount(), 5);
    EXPECT_EQ(ds.field(3).fieldName(), QStringLiteral("OwnerName"));
    EXPECT_EQ(ds.field(3).displayLabel(), QStringLiteral("Владелец"));
    EXPECT_EQ(ds.field(3).displayWidth(), 30);
    EXPECT_EQ(ds.field(4).dataType(), TFieldType::Integer);
    EXPECT_EQ(ds.field(4).displayLabel(), QStringLiteral("Телефон"));
    // The first owner of S1 in table order; no match leaves the columns empty;
    // a substation without a name (a string key without value) matches nothing.
    EXPECT_EQ(rows(), (QStringList{"S1|1|Иванов|111", "S1|2|Иванов|111", "S2|1||", "S3|5|Петров|333", "|7||"}));
    // Only the user's own file reaches the title and the recent list.
    EXPECT_EQ(host.titles.last(), QStringLiteral("Экспорт конфигурации ОИК - main.cfg"));
    EXPECT_EQ(host.recent, QStringList{path});
    EXPECT_EQ(host.filterShown, 1);
    EXPECT_EQ(engine.fileName(), path);
    EXPECT_EQ(engine.lines().first(), QStringLiteral("CONF"));
}

TEST_F(JoinFixture, LookupMasksApplyOnlyWhenARecordWasFound) {
    const QString path = writeCfg("main.cfg", {"CONF", "LookupFile:lookup/owners.cfg", "Sub=Name(string;10;;SubName)",
                                               "Point=N(int)", "LookupFields: OwnerName"});
    host.onFilter = [](TFilterRows& rows) { rows.setValue(2, QStringLiteral("пет*")); };
    ASSERT_TRUE(engine.LoadSettingsFile(path, true));
    EXPECT_EQ(rows(), (QStringList{"S2|1|", "S3|5|Петров", "|7|"}));
}

TEST_F(JoinFixture, AFileWithoutLookupLineUsesTheLookupTableLeftBefore) {
    ASSERT_TRUE(engine.LoadSettingsFile(
        writeCfg("main.cfg", {"CONF", "LookupFile:lookup/owners.cfg", "Sub=Name(string;10;;SubName)", "Point=N(int)"}),
        false));
    // A second lookup-file line has no effect (the file it names does not exist).
    const QString second = writeCfg("second.cfg", {"CONF", "LookupFile:lookup/owners.cfg", "LookupFile:nothing.cfg",
                                                   "Sub=Name(string;10;;SubName)", "Point=N(int)", "LookupFields:Phone"});
    ASSERT_TRUE(engine.LoadSettingsFile(second, false));
    EXPECT_TRUE(ui.messages.empty()) << ui.texts().join('\n').toStdString();
    const QString plain = writeCfg("plain.cfg", {"CONF", "Sub=Name(string;10;;SubName)", "LookupFields:Phone"});
    ASSERT_TRUE(engine.LoadSettingsFile(plain, false));
    EXPECT_EQ(engine.DS2().recordCount(), 3);
    EXPECT_EQ(rows(), (QStringList{"S1|111", "S2|", "S3|333", "|"}));
}

TEST_F(JoinFixture, LookupFieldsBeforeColumnLinesAreRefused) {
    const QString path = writeCfg("bad.cfg", {"CONF", "LookupFile:lookup/owners.cfg", "LookupFields: OwnerName",
                                              "Sub=Name(string;10;;SubName)"});
    EXPECT_FALSE(engine.LoadSettingsFile(path, false));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("LookupFields"));
    EXPECT_FALSE(engine.hasSettingsFile());
}

TEST_F(JoinFixture, AFailingLookupFileIsReportedAndTheLoadGoesOn) {
    const QString path = writeCfg("main.cfg", {"CONF", "LookupFile:absent.cfg", "Sub=Name", "LookupFields:Phone"});
    ASSERT_TRUE(engine.LoadSettingsFile(path, false));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(ui.messages[0].text.startsWith("Cannot open file ")) << ui.messages[0].text.toStdString();
    EXPECT_TRUE(ui.messages[0].text.endsWith("absent.cfg"));
    EXPECT_EQ(ui.messages[1].text, QStringLiteral("DS2: Field 'Phone' not found"));
    EXPECT_FALSE(engine.DS2().active()); // no stale table serves as lookup
    EXPECT_EQ(engine.fileName(), path);
    EXPECT_EQ(host.titles.last(), QStringLiteral("Экспорт конфигурации ОИК - main.cfg"));
    EXPECT_EQ(rows(), (QStringList{"S1", "S2", "S3", ""}));
}

TEST_F(JoinFixture, LookupCyclesAreRefused) {
    writeCfg("a.cfg", {"OWN", "LookupFile:b.cfg", "Owner=Name"});
    writeCfg("b.cfg", {"OWN", "LookupFile:sub/../a.cfg", "Owner=Name"});
    EXPECT_FALSE(engine.LoadSettingsFile(dir.filePath("a.cfg"), true));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("a.cfg -> b.cfg -> a.cfg")) << ui.messages[0].text.toStdString();
    EXPECT_FALSE(engine.hasSettingsFile());
    EXPECT_EQ(host.titles.last(), QStringLiteral("Экспорт конфигурации ОИК"));

    ui.messages.clear();
    const QString self = writeCfg("self.cfg", {"OWN", "lookupfile:self.cfg", "Owner=Name"});
    EXPECT_FALSE(engine.LoadSettingsFile(self, false));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("self.cfg"));
}

TEST_F(JoinFixture, NestedLookupFilesServeOnlyTheMiddleOne) {
    // inner: owners by substation; middle: substations joined with owners;
    // outer: points joined with the middle table.
    writeCfg("lookup/middle.cfg", {"CONF", "LookupFile:owners.cfg", "Sub=Name(string;10;;SubName)",
                                   "LookupFields:OwnerName"});
    const QString path = writeCfg("outer.cfg", {"CONF", "LookupFile:lookup/middle.cfg",
                                                "Sub=Name(string;10;;SubName)", "Point=N(int)", "LookupFields:OwnerName"});
    ASSERT_TRUE(engine.LoadSettingsFile(path, false));
    EXPECT_TRUE(ui.messages.empty()) << ui.texts().join('\n').toStdString();
    EXPECT_EQ(engine.DS2().fieldCount(), 3);
    EXPECT_EQ(rows(), (QStringList{"S1|1|Иванов", "S1|2|Иванов", "S2|1|", "S3|5|Петров", "|7|"}));
}

TEST_F(JoinFixture, MoveSelectionToLookupCopiesLabelsAndWidths) {
    ASSERT_TRUE(engine.LoadSettingsFile(writeCfg("m.cfg", {"CONF", "Sub=Name(string;12;Имя ПС)"}), false));
    engine.MoveSelectionToLookup();
    EXPECT_EQ(engine.DS2().recordCount(), engine.DS().recordCount());
    EXPECT_EQ(engine.DS2().field(1).displayLabel(), QStringLiteral("Имя ПС"));
    EXPECT_EQ(engine.DS2().field(1).displayWidth(), 12);
}

TEST_F(JoinFixture, LocateLookupRecordFollowsTheKeyColumns) {
    ASSERT_TRUE(engine.LoadSettingsFile(writeCfg("main.cfg", {"CONF", "LookupFile:lookup/owners.cfg",
                                                              "Sub=Name(string;10;;SubName)", "Point=N(int)"}),
                                        false));
    TMemTable& ds = engine.DS();
    TMemTable& ds2 = engine.DS2();
    ds.setRecNo(3); // S3
    EXPECT_TRUE(engine.LocateLookupRecord());
    EXPECT_EQ(ds2.fieldByName("OwnerName").asString(), QStringLiteral("Петров"));
    ds.setRecNo(2); // S2: no owner, DS2 stays where it was
    EXPECT_FALSE(engine.LocateLookupRecord());
    EXPECT_EQ(ds2.recNo(), 1);
    ds.setRecNo(4); // no name: a string key without value matches nothing
    EXPECT_FALSE(engine.LocateLookupRecord());
    ds.first();
    EXPECT_TRUE(engine.LocateLookupRecord());
    EXPECT_EQ(ds2.recNo(), 0); // the first S1 owner in table order
}
