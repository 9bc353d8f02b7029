#include "app/formstorage.h"
#include "common/registry.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

const QString Base = QStringLiteral("Software\\Velmora\\Ostrand\\MainForm");
const QString Section = QStringLiteral("TfrmMain");

QString stored(const QString& name, const QString& section = Section) {
    return TRegistry(Base).readString(section, name);
}

void store(const QString& name, const QString& value) {
    TRegistry registry(Base);
    registry.writeString(Section, name, value);
    registry.flush();
}

class FormStorageTest : public ::testing::Test {
protected:
    void SetUp() override { clearRegistry(); }
    FakeTarget target;
};

} // namespace

TEST_F(FormStorageTest, RoundTripRestoresPositionSizeAndState) {
    {
        FakeTarget first;
        first.current = {0, 3, {-1, -1}, {-8, -8}, 120, 80, 760, 560};
        TFormStorage storage(first, Base, Section);
        storage.RestoreFormPlacement();
        storage.closeQuery(true);
    }
    TFormStorage storage(target, Base, Section);
    storage.RestoreFormPlacement();
    ASSERT_EQ(target.applied.size(), 1u);
    EXPECT_EQ(target.applied[0].left, 120);
    EXPECT_EQ(target.applied[0].top, 80);
    EXPECT_EQ(target.applied[0].right, 760);
    EXPECT_EQ(target.applied[0].bottom, 560);
    EXPECT_EQ(target.applied[0].maxPosition, QPoint(-8, -8));
    ASSERT_EQ(target.states.size(), 1u);
    EXPECT_EQ(target.states[0], TWindowState::Maximized);
}

TEST_F(FormStorageTest, WritesTheDesignedValueLayout) {
    target.current = {0, 1, {-1, -1}, {-1, -1}, 10, 20, 310, 220};
    TFormStorage storage(target, Base, Section);
    storage.RestoreFormPlacement();
    storage.closeQuery(true);
    EXPECT_EQ(stored(QStringLiteral("FormVersion")), u"0");
    EXPECT_EQ(stored(QStringLiteral("Flags")), u"0");
    EXPECT_EQ(stored(QStringLiteral("ShowCmd")), u"1");
    EXPECT_EQ(stored(QStringLiteral("PixelsPerInch")), u"96");
    EXPECT_EQ(stored(QStringLiteral("MinMaxPos(1024x768)")), u"-1,-1,-1,-1");
    EXPECT_EQ(stored(QStringLiteral("MinMaxPos")), u"-1,-1,-1,-1");
    EXPECT_EQ(stored(QStringLiteral("NormPos(1024x768)")), u"10,20,310,220");
    EXPECT_EQ(stored(QStringLiteral("NormPos")), u"10,20,310,220");
    EXPECT_EQ(stored(QStringLiteral("Visible")), u"0");
}

TEST_F(FormStorageTest, SavesOnlyAfterARestore) {
    TFormStorage storage(target, Base, Section);
    storage.closeQuery(true);
    storage.windowDestroyed();
    EXPECT_FALSE(TRegistry(Base).valueExists(Section, QStringLiteral("NormPos")));

    // A refused close writes nothing either.
    storage.RestoreFormPlacement();
    storage.closeQuery(false);
    EXPECT_FALSE(TRegistry(Base).valueExists(Section, QStringLiteral("NormPos")));

    // An inactive storage writes when asked directly.
    TFormStorage inactive(target, Base, QStringLiteral("Other"));
    inactive.setActive(false);
    inactive.SaveFormPlacement();
    EXPECT_EQ(stored(QStringLiteral("FormVersion"), QStringLiteral("Other")), u"0");
}

TEST_F(FormStorageTest, VisibleTellsDestroyFromClose) {
    {
        TFormStorage storage(target, Base, Section);
        storage.windowShown();
        storage.windowDestroyed();
        EXPECT_TRUE(storage.saved());
    }
    EXPECT_EQ(stored(QStringLiteral("Visible")), u"1");

    // After a save on closing the destroy writes nothing more.
    TFormStorage storage(target, Base, Section);
    storage.windowShown();
    storage.closeQuery(true);
    store(QStringLiteral("Visible"), QStringLiteral("marker"));
    storage.windowDestroyed();
    EXPECT_EQ(stored(QStringLiteral("Visible")), u"marker");
}

TEST_F(FormStorageTest, ResolutionSpecificPositionWinsOverThePlainOne) {
    store(QStringLiteral("NormPos(1024x768)"), QStringLiteral("1,2,301,202"));
    store(QStringLiteral("NormPos"), QStringLiteral("5,6,405,306"));
    TFormStorage storage(target, Base, Section);
    storage.RestoreFormPlacement();
    ASSERT_EQ(target.applied.size(), 1u);
    EXPECT_EQ(target.applied[0].left, 1);

    // At another resolution the plain value applies.
    FakeTarget other;
    other.screen = QSize(1280, 800);
    TFormStorage second(other, Base, Section);
    second.RestoreFormPlacement();
    ASSERT_EQ(other.applied.size(), 1u);
    EXPECT_EQ(other.applied[0].left, 5);
    EXPECT_EQ(other.applied[0].bottom, 306);
}

TEST_F(FormStorageTest, OtherPixelsPerInchDiscardsPositionButKeepsState) {
    store(QStringLiteral("NormPos"), QStringLiteral("1,2,301,202"));
    store(QStringLiteral("PixelsPerInch"), QStringLiteral("120"));
    store(QStringLiteral("ShowCmd"), QStringLiteral("3"));
    TFormStorage storage(target, Base, Section);
    storage.RestoreFormPlacement();
    EXPECT_TRUE(target.applied.empty());
    ASSERT_EQ(target.states.size(), 1u);
    EXPECT_EQ(target.states[0], TWindowState::Maximized);
}

TEST_F(FormStorageTest, FixedBorderKeepsTheCurrentSize) {
    store(QStringLiteral("NormPos"), QStringLiteral("30,40,900,900"));
    target.fixedBorder = true;
    target.centres = true;
    TFormStorage storage(target, Base, Section);
    storage.RestoreFormPlacement();
    ASSERT_EQ(target.applied.size(), 1u);
    EXPECT_EQ(target.applied[0].left, 30);
    EXPECT_EQ(target.applied[0].top, 40);
    EXPECT_EQ(target.applied[0].width(), 400);
    EXPECT_EQ(target.applied[0].height(), 300);
    EXPECT_EQ(target.useGivenCalls, 1);
}

TEST_F(FormStorageTest, PositionNumbersFollowTheParsingRule) {
    // Missing numbers of NormPos default to the window now, an empty rectangle
    // is not applied.
    store(QStringLiteral("NormPos"), QStringLiteral("  7 ,, 9"));
    TFormStorage storage(target, Base, Section);
    storage.RestoreFormPlacement();
    ASSERT_EQ(target.applied.size(), 1u);
    EXPECT_EQ(target.applied[0].left, 7);
    EXPECT_EQ(target.applied[0].top, 9);
    EXPECT_EQ(target.applied[0].right, 500);
    EXPECT_EQ(target.applied[0].bottom, 350);

    store(QStringLiteral("NormPos"), QStringLiteral("600,0,500,300"));
    FakeTarget other;
    TFormStorage second(other, Base, Section);
    second.RestoreFormPlacement();
    EXPECT_TRUE(other.applied.empty());

    EXPECT_EQ(TFormStorage::parseNumbers(QStringLiteral("1,x,-3"), {0, 0, 0, 0}), (std::vector<int>{1, 0, -3, 0}));
    EXPECT_EQ(TFormStorage::parseNumbers(QStringLiteral("5 6,7  8"), {0, 0, 0, 0}),
              (std::vector<int>{5, 6, 7, 8}));
}

TEST_F(FormStorageTest, ShowCommandsMapToStates) {
    struct Case {
        int cmd;
        TWindowState state;
    };
    const Case cases[] = {{1, TWindowState::Normal},    {5, TWindowState::Normal},    {9, TWindowState::Normal},
                          {2, TWindowState::Minimized}, {6, TWindowState::Minimized}, {7, TWindowState::Minimized},
                          {3, TWindowState::Maximized}, {0, TWindowState::Normal},    {4, TWindowState::Normal}};
    for (const Case& c : cases) {
        store(QStringLiteral("ShowCmd"), QString::number(c.cmd));
        FakeTarget t;
        TFormStorage storage(t, Base, Section);
        storage.RestoreFormPlacement();
        ASSERT_EQ(t.states.size(), 1u) << c.cmd;
        EXPECT_EQ(t.states[0], c.state) << c.cmd;
        EXPECT_EQ(t.minimizeCalls, 0);
    }
    // A main window placed by the system starts maximised without a stored state.
    clearRegistry();
    target.mainWindow = true;
    target.positionedBySystem = true;
    TFormStorage storage(target, Base, Section);
    storage.RestoreFormPlacement();
    EXPECT_EQ(target.states.back(), TWindowState::Maximized);
}

TEST_F(FormStorageTest, MinimisedMainWindowMinimisesTheApplication) {
    target.mainWindow = true;
    target.appMinimized = true;
    target.current.showCmd = 1;
    {
        TFormStorage storage(target, Base, Section);
        storage.RestoreFormPlacement();
        target.states.clear();
        storage.closeQuery(true);
    }
    EXPECT_EQ(stored(QStringLiteral("ShowCmd")), u"2");
    TFormStorage storage(target, Base, Section);
    storage.RestoreFormPlacement();
    ASSERT_EQ(target.states.size(), 1u);
    EXPECT_EQ(target.states[0], TWindowState::Normal);
    EXPECT_EQ(target.minimizeCalls, 1);
}

TEST_F(FormStorageTest, StoredPropertiesAreTrimmedAndKeptWhenAbsent) {
    QString server = QStringLiteral("  SRV1 ");
    QString tms = QStringLiteral("TM-cmd");
    auto attach = [&](TFormStorage& storage) {
        storage.addStoredProperty(QStringLiteral("ServerE"), QStringLiteral("Text"), [&] { return server; },
                                  [&](const QString& v) { server = v; });
        storage.addStoredProperty(QStringLiteral("TmsE"), QStringLiteral("Text"), [&] { return tms; },
                                  [&](const QString& v) { tms = v; });
    };
    {
        TFormStorage storage(target, Base, Section);
        attach(storage);
        storage.RestoreFormPlacement();
        EXPECT_EQ(tms, u"TM-cmd"); // nothing stored yet: unchanged
        storage.closeQuery(true);
    }
    EXPECT_EQ(stored(QStringLiteral("ServerE_Text")), u"SRV1");
    store(QStringLiteral("TmsE_Text"), QStringLiteral(" TM2  "));
    server = QStringLiteral("other");
    TFormStorage storage(target, Base, Section);
    attach(storage);
    storage.RestoreFormPlacement();
    EXPECT_EQ(server, u"SRV1");
    EXPECT_EQ(tms, u"TM2");
}

TEST_F(FormStorageTest, NewerLayoutVersionIsReadButOlderIsIgnored) {
    store(QStringLiteral("NormPos"), QStringLiteral("1,2,301,202"));
    store(QStringLiteral("FormVersion"), QStringLiteral("-1"));
    TFormStorage storage(target, Base, Section);
    storage.RestoreFormPlacement();
    EXPECT_TRUE(target.applied.empty());
    EXPECT_TRUE(target.states.empty());
    EXPECT_TRUE(storage.restored());
}

TEST_F(FormStorageTest, WriteErrorsGoToTheErrorHandler) {
    const QByteArray previous = qgetenv("OSTRAND_REGISTRY");
    qputenv("OSTRAND_REGISTRY", "/proc/ostrand-no-such-dir/registry.ini");
    QStringList errors;
    {
        TFormStorage storage(target, Base, Section);
        storage.setErrorHandler([&](const QString& text) { errors << text; });
        storage.windowShown();
        EXPECT_NO_THROW(storage.closeQuery(true));
        EXPECT_FALSE(storage.saved());
    }
    qputenv("OSTRAND_REGISTRY", previous);
    ASSERT_FALSE(errors.isEmpty());
}
