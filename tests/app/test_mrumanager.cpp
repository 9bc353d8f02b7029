#include "app/mrumanager.h"
#include "common/registry.h"
#include "testsupport.h"

#include <QMenu>
#include <gtest/gtest.h>

namespace {

const QString Base = QStringLiteral("Software\\Velmora\\Ostrand\\MainForm");
const QString Section = QStringLiteral("TfrmMain.MRUManager1");

QStringList captions(const QMenu& menu) {
    QStringList result;
    for (QAction* a : menu.actions())
        result << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return result;
}

} // namespace

TEST(MRUManager, NewestFirstWithoutDuplicatesUpToFive) {
    TMRUManager mru;
    for (int i = 1; i <= 5; ++i)
        mru.add(QStringLiteral("/cfg/f%1.cfg").arg(i));
    EXPECT_EQ(mru.items().first(), u"/cfg/f5.cfg");
    mru.add(QStringLiteral("/cfg/f2.cfg"));
    EXPECT_EQ(mru.items(), (QStringList{"/cfg/f2.cfg", "/cfg/f5.cfg", "/cfg/f4.cfg", "/cfg/f3.cfg", "/cfg/f1.cfg"}));
    mru.add(QStringLiteral("/cfg/f6.cfg"));
    EXPECT_EQ(mru.items(), (QStringList{"/cfg/f6.cfg", "/cfg/f2.cfg", "/cfg/f5.cfg", "/cfg/f4.cfg", "/cfg/f3.cfg"}));
    mru.remove(QStringLiteral("/cfg/f5.cfg"));
    mru.remove(QStringLiteral("/cfg/absent.cfg"));
    EXPECT_EQ(mru.items(), (QStringList{"/cfg/f6.cfg", "/cfg/f2.cfg", "/cfg/f4.cfg", "/cfg/f3.cfg"}));
}

TEST(MRUManager, WritesItemsInOrderAndReadsThemBack) {
    clearRegistry();
    {
        TRegistry registry(Base);
        // A longer list from before must not leave entries behind.
        registry.writeString(Section, QStringLiteral("Item_4"), QStringLiteral("/stale.cfg"));
        TMRUManager mru;
        mru.add(QStringLiteral("/a.cfg"));
        mru.add(QStringLiteral("/b.cfg"));
        mru.writeSection(registry, Section);
        registry.flush();
    }
    TRegistry registry(Base);
    EXPECT_EQ(registry.readString(Section, QStringLiteral("Item_0")), u"/b.cfg");
    EXPECT_EQ(registry.readString(Section, QStringLiteral("Item_1")), u"/a.cfg");
    EXPECT_FALSE(registry.valueExists(Section, QStringLiteral("Item_4")));
    EXPECT_FALSE(registry.valueExists(Section, QStringLiteral("User_0")));

    TMRUManager again;
    again.add(QStringLiteral("/dropped-on-read.cfg"));
    again.readSection(registry, Section);
    EXPECT_EQ(again.items(), (QStringList{"/b.cfg", "/a.cfg"}));
}

TEST(MRUManager, ReadingGoesFromItem4DownToItem0) {
    clearRegistry();
    TRegistry registry(Base);
    registry.writeString(Section, QStringLiteral("Item_0"), QStringLiteral("/zero.cfg"));
    registry.writeString(Section, QStringLiteral("Item_2"), QStringLiteral("/two.cfg"));
    registry.writeString(Section, QStringLiteral("Item_4"), QStringLiteral("/four.cfg"));
    registry.writeString(Section, QStringLiteral("Item_5"), QStringLiteral("/beyond.cfg"));
    registry.writeString(Section, QStringLiteral("User_2"), QStringLiteral("7"));
    // A duplicate keeps its newest place.
    registry.writeString(Section, QStringLiteral("Item_3"), QStringLiteral("/zero.cfg"));
    TMRUManager mru;
    mru.readSection(registry, Section);
    EXPECT_EQ(mru.items(), (QStringList{"/zero.cfg", "/two.cfg", "/four.cfg"}));
}

TEST(MRUManager, MenuShowsBareNamesWithAccelerators) {
    QMenu menu;
    menu.addAction(QStringLiteral("Открыть"));
    TMRUManager mru;
    mru.setMenu(&menu);
    EXPECT_EQ(captions(menu), (QStringList{"Открыть"}));

    mru.add(QStringLiteral("/home/u/configs/demo.tm.cfg"));
    mru.add(QStringLiteral("C:\\Data\\Подстанция.cfg"));
    mru.add(QStringLiteral("/x/R&D.cfg"));
    EXPECT_EQ(captions(menu), (QStringList{"Открыть", "-", "&1 R&&D", "&2 Подстанция", "&3 demo.tm"}));
    EXPECT_EQ(mru.menuActions().size(), 4);

    // Emptying the list takes its separator away again.
    mru.clear();
    EXPECT_EQ(captions(menu), (QStringList{"Открыть"}));

    EXPECT_EQ(TMRUManager::accelerator(0), u"&1");
    EXPECT_EQ(TMRUManager::accelerator(8), u"&9");
    EXPECT_EQ(TMRUManager::accelerator(9), u"&A");
    EXPECT_EQ(TMRUManager::accelerator(10), u"&B");
}

TEST(MRUManager, EmptyMenuGetsNoSeparatorAndIsEnabledWithItems) {
    QMenu menu;
    menu.setEnabled(false);
    TMRUManager mru;
    mru.setMenu(&menu);
    EXPECT_FALSE(menu.isEnabled());
    mru.add(QStringLiteral("/a/one.cfg"));
    EXPECT_EQ(captions(menu), (QStringList{"&1 one"}));
    EXPECT_TRUE(menu.isEnabled());
}

TEST(MRUManager, ClickHandsOverTheFullPath) {
    QMenu menu;
    TMRUManager mru;
    mru.setMenu(&menu);
    QStringList clicked;
    // The handler moves the file to the top, which rebuilds the menu while the
    // click is being delivered.
    mru.setOnClick([&](const QString& path) {
        clicked << path;
        mru.remove(path);
        mru.add(path);
    });
    mru.add(QStringLiteral("/a/one.cfg"));
    mru.add(QStringLiteral("/a/two.cfg"));
    mru.menuActions().last()->trigger();
    EXPECT_EQ(clicked, (QStringList{"/a/one.cfg"}));
    EXPECT_EQ(mru.items().first(), u"/a/one.cfg");
    EXPECT_EQ(mru.menuActions().first()->text(), u"&1 one");
}
