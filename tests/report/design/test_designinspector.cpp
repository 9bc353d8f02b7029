#include "report/design/designinspector.h"

#include "common/exception.h"
#include "report/design/designcommands.h"
#include "designfixture.h"

namespace {

class Inspector : public DesignTest {
protected:
    const TfrInspectorRow* row(const std::vector<TfrInspectorRow>& rows, const char* name) {
        for (const TfrInspectorRow& r : rows)
            if (r.property->name == QLatin1String(name))
                return &r;
        return nullptr;
    }
    QString shown(const char* property) {
        const auto rows = frInspectorRows(*doc);
        const TfrInspectorRow* r = row(rows, property);
        return r ? r->text : QStringLiteral("<absent>");
    }
};

TEST_F(Inspector, ListsTheTableInOrderAndTheSharedPartOfSeveral) {
    memo("Memo1", 0, 0, 36, 18);
    band("Band1", 5, 100, 40);
    select({"Memo1"});
    const auto rows = frInspectorRows(*doc);
    const auto listed = doc->selection().front()->propList();
    ASSERT_EQ(rows.size(), listed.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].property, listed[i]);
    EXPECT_EQ(rows.front().caption, QStringLiteral("Name"));
    EXPECT_NE(row(rows, "Memo"), nullptr);

    // A band shares the view's properties with the memo; name and text apply to one object only.
    select({"Memo1", "Band1"});
    const auto shared = frInspectorRows(*doc);
    EXPECT_EQ(row(shared, "Name"), nullptr);
    EXPECT_EQ(row(shared, "Memo"), nullptr);
    EXPECT_EQ(row(shared, "Font"), nullptr);
    ASSERT_NE(row(shared, "Width"), nullptr);
    EXPECT_FALSE(row(shared, "Width")->uniform);
    EXPECT_TRUE(row(shared, "Width")->text.isEmpty());
    EXPECT_TRUE(row(shared, "Visible")->uniform);
    EXPECT_EQ(row(shared, "Visible")->text, QStringLiteral("True"));

    doc->settings().localizedPropNames = true;
    EXPECT_EQ(row(frInspectorRows(*doc), "Width")->caption, QStringLiteral("Ширина"));
    doc->clearSelection();
    EXPECT_TRUE(frInspectorRows(*doc).empty());
}

TEST_F(Inspector, ShowsEachKindAsItsWordSays) {
    TfrMemoView& m = memo("Memo1", 0, 0, 36, 18);
    m.frameWidth = 1.5f;
    m.fillColor = 0xFF;          // clRed
    m.frameColor = 0x123456;     // no constant
    m.frameStyle = 2;
    m.visible = false;
    select({"Memo1"});
    EXPECT_EQ(shown("Width"), QStringLiteral("36"));
    EXPECT_EQ(shown("FrameWidth"), QStringLiteral("1.50"));
    EXPECT_EQ(shown("FillColor"), QStringLiteral("clRed"));
    EXPECT_EQ(shown("FrameColor"), QStringLiteral("$123456"));
    EXPECT_EQ(shown("FrameStyle"), QStringLiteral("psDot"));
    EXPECT_EQ(shown("Visible"), QStringLiteral("False"));

    doc->settings().units = TfrUnits::Millimetres;
    EXPECT_EQ(shown("Width"), QStringLiteral("10.00"));
    doc->settings().units = TfrUnits::Inches;
    EXPECT_EQ(shown("Width"), QStringLiteral("0.39"));
}

TEST_F(Inspector, EnteredTextsBecomeValues) {
    TfrMemoView& m = memo("Memo1", 0, 0, 36, 18);
    select({"Memo1"});
    struct Case {
        TfrUnits units;
        const char* property;
        const char* text;
        std::function<bool()> check;
    };
    const Case cases[] = {
        {TfrUnits::Millimetres, "Width", "5", [&] { return m.width == 18; }},
        {TfrUnits::Millimetres, "Left", "100", [&] { return m.left == 360; }},
        {TfrUnits::Millimetres, "Height", "2,5", [&] { return m.height == 9; }},
        {TfrUnits::Inches, "Top", "1", [&] { return m.top == 91; }},
        {TfrUnits::Pixels, "Width", "40", [&] { return m.width == 40; }},
        {TfrUnits::Pixels, "FrameWidth", "2,25", [&] { return m.frameWidth == 2.25f; }},
        {TfrUnits::Pixels, "FillColor", "clBlue", [&] { return m.fillColor == 0xFF0000; }},
        {TfrUnits::Pixels, "FrameColor", "$00FF80", [&] { return m.frameColor == 0x00FF80; }},
        {TfrUnits::Pixels, "FrameStyle", "psdash", [&] { return m.frameStyle == 1; }},
        {TfrUnits::Pixels, "Visible", "false", [&] { return !m.visible; }},
        {TfrUnits::Pixels, "Tag", " a tag ", [&] { return m.tag == QStringLiteral(" a tag "); }},
    };
    for (const Case& c : cases) {
        doc->settings().units = c.units;
        EXPECT_TRUE(frInspectorApply(*doc, QString::fromLatin1(c.property), QString::fromUtf8(c.text)))
            << c.property << "=" << c.text << ": " << doc->refusal().toStdString();
        EXPECT_TRUE(c.check()) << c.property << "=" << c.text;
    }

    const int entries = doc->undoStack().count();
    doc->settings().units = TfrUnits::Pixels;
    const std::pair<const char*, const char*> wrong[] = {
        {"Width", "wide"}, {"Width", "1e30"}, {"Flags", "1.5"},    {"FrameWidth", "nan"},
        {"FillColor", "red"}, {"FillColor", "$"}, {"FillColor", "$1234567890"}, {"FrameStyle", "psWavy"},
        {"Visible", "yes"},
    };
    for (const auto& [property, text] : wrong)
        EXPECT_THROW(frInspectorApply(*doc, QString::fromLatin1(property), QString::fromLatin1(text)), Exception)
            << property << "=" << text;
    EXPECT_EQ(doc->undoStack().count(), entries);
    EXPECT_EQ(m.width, 40);
}

TEST_F(Inspector, DialogPagesKeepPixels) {
    ASSERT_TRUE(doc->addPage(true));
    ASSERT_TRUE(doc->setPage(1));
    ASSERT_EQ(doc->page().pageType, ptDialog);
    TfrMemoView& m = memo("Memo1", 0, 0, 36, 18, 1);
    select({"Memo1"});
    doc->settings().units = TfrUnits::Millimetres;
    EXPECT_EQ(shown("Width"), QStringLiteral("36"));
    ASSERT_TRUE(frInspectorApply(*doc, QStringLiteral("Width"), QStringLiteral("5")));
    EXPECT_EQ(m.width, 5);
}

TEST_F(Inspector, SeveralObjectsTakeOneValueInOneEntry) {
    const TfrMemoView& a = memo("Memo1", 0, 0, 36, 18);
    const TfrMemoView& b = memo("Memo2", 0, 40, 72, 18);
    select({"Memo1", "Memo2"});
    doc->settings().units = TfrUnits::Millimetres;
    const int entries = doc->undoStack().count();
    const auto result = frRunDesignCommand(*doc, QStringLiteral("inspect Width=5"));
    ASSERT_TRUE(result.applied) << result.message.toStdString();
    EXPECT_EQ(a.width, 18);
    EXPECT_EQ(b.width, 18);
    EXPECT_EQ(doc->undoStack().count(), entries + 1);
    EXPECT_TRUE(doc->modified());
    EXPECT_EQ(shown("Width"), QStringLiteral("5.00"));
    ASSERT_TRUE(doc->undo());
    EXPECT_EQ(find("Memo1")->width, 36);
    EXPECT_EQ(find("Memo2")->width, 72);

    // One object that refuses keeps every object as it was.
    select({"Memo1", "Memo2"});
    find("Memo2")->restrictions |= frrfDontModify;
    EXPECT_FALSE(frInspectorApply(*doc, QStringLiteral("Width"), QStringLiteral("5")));
    EXPECT_FALSE(doc->refusal().isEmpty());
    EXPECT_EQ(find("Memo1")->width, 36);
    EXPECT_FALSE(frRunDesignCommand(*doc, QStringLiteral("inspect NoSuch=1")).applied);
}

} // namespace

// The set command takes lengths in pixels or with their units, whatever the
// designer shows; other properties keep a text that merely ends like units.
TEST_F(Inspector, SetTakesLengthsWithTheirUnits) {
    const TfrMemoView& m = memo("Memo1", 0, 0, 20, 18);
    const struct {
        const char* line;
        int width;
    } cases[] = {{"set Memo1.Width=10mm", 36}, {"set Memo1.Width=5 мм", 18}, {"set Memo1.Width=0,5in", 46},
                 {"set Memo1.Width=40px", 40}, {"set Memo1.Width=50", 50}};
    for (const auto& c : cases) {
        const auto result = frRunDesignCommand(*doc, QString::fromUtf8(c.line));
        ASSERT_TRUE(result.applied) << c.line << ": " << result.message.toStdString();
        EXPECT_EQ(m.width, c.width) << c.line;
    }
    const auto bad = frRunDesignCommand(*doc, QStringLiteral("set Memo1.Width=xmm"));
    EXPECT_FALSE(bad.applied);
    EXPECT_EQ(m.width, 50);
    ASSERT_TRUE(frRunDesignCommand(*doc, QStringLiteral("set Memo1.Memo=10mm")).applied);
    EXPECT_EQ(m.memo, QStringList{"10mm"});
}
