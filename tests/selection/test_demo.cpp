#include "support.h"

#include "selection/configaccess/configapi.h"

#include <set>

// The bundled demo: points of the demo configuration joined with the owners of
// their substations, through the local library and the demo log-on.
TEST(DemoSelection, PointsWithOwners) {
    qunsetenv("OSTRAND_CONFIG_ROOT"); // the bundled demo folder
    TRecordingInteraction ui;
    TScopedInteraction scope(ui);
    TFakeHost host;
    host.nt = QStringLiteral("DEMO-NT");
    host.tm = QStringLiteral("TM1");
    TSelectionEngine engine(host);

    const QString path = QStringLiteral(OSTRAND_EXAMPLES_DIR "/settings/points.cfg");
    // Without the log-on the demo server refuses the open.
    THalvexApi::instance().setUser("", "");
    ASSERT_TRUE(engine.LoadSettingsFile(path, false));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages[0].title, QString());
    ui.messages.clear();

    THalvexApi::instance().setUser("engineer", "demo");
    ASSERT_TRUE(engine.LoadSettingsFile(path, true));
    EXPECT_TRUE(ui.messages.empty()) << ui.texts().join('\n').toStdString();
    EXPECT_EQ(host.titles.last(), QStringLiteral("Экспорт конфигурации ОИК - points.cfg"));

    TMemTable& ds2 = engine.DS2();
    EXPECT_EQ(ds2.recordCount(), 34);
    EXPECT_EQ(engine.lookupKeys(), QStringLiteral("ObjNo"));
    EXPECT_EQ(engine.configuredColumnCount(), 11);

    TMemTable& ds = engine.DS();
    ASSERT_EQ(ds.fieldCount(), 14);
    EXPECT_EQ(ds.recordCount(), 2772);
    EXPECT_EQ(host.statuses.last(), QStringLiteral("Всего записей: 2772"));
    const int objNo = ds.fieldByName("ObjNo").index();
    const int owner = ds.fieldByName("Owner").index();
    const int factor = ds.fieldByName("Factor").index();
    EXPECT_EQ(ds.field(owner).displayLabel(), QStringLiteral("Владелец"));
    std::set<int> withoutOwner;
    int joined = 0;
    for (int r = 0; r < ds.recordCount(); ++r) {
        if (ds.textAt(r, owner).isEmpty())
            withoutOwner.insert(ds.textAt(r, objNo).toInt());
        else
            ++joined;
        // Factors written with "," and with "." both arrive as numbers.
        ASSERT_FALSE(ds.valueAt(r, factor).isNull()) << r;
    }
    EXPECT_GT(joined, 2000);
    EXPECT_EQ(withoutOwner, (std::set<int>{8, 17}));
    EXPECT_EQ(ds.textAt(0, owner), QStringLiteral("АО «Региональные электросети»"));
    EXPECT_EQ(ds.textAt(0, ds.fieldByName("SubName").index()), QStringLiteral("ПС 220 кВ Северная"));
}
