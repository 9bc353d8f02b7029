#include "selection/settingsfile.h"

#include <gtest/gtest.h>

using settings::LineKind;

TEST(SettingsGrammar, LineKinds) {
    EXPECT_EQ(settings::classify(QStringLiteral("; Point=N")), LineKind::Comment);
    EXPECT_EQ(settings::classify(QStringLiteral("  ; Point=N")), LineKind::Column); // blanks first: no comment
    EXPECT_EQ(settings::classify(QStringLiteral("lookupfile:owners.cfg")), LineKind::LookupFile);
    EXPECT_EQ(settings::classify(QStringLiteral("LOOKUPFIELDS: A, B")), LineKind::LookupFields);
    EXPECT_EQ(settings::classify(QStringLiteral("LookupFields: A=B")), LineKind::Column);
    EXPECT_EQ(settings::classify(QStringLiteral(" LookupFile:x")), LineKind::Other);
    EXPECT_EQ(settings::classify(QStringLiteral("TMCONF")), LineKind::Other);
}

TEST(SettingsGrammar, ColumnSpecifications) {
    const auto c = settings::columns(
        QStringLiteral("Channel=Number(int;5;No.;ChanNo), Title(string;40;Channel name) ,Kind"));
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].propName, QStringLiteral("Number"));
    EXPECT_EQ(c[0].fieldName, QStringLiteral("ChanNo"));
    EXPECT_EQ(c[0].type, TFieldType::Integer);
    EXPECT_EQ(c[0].size, 5);
    EXPECT_EQ(c[0].label, QStringLiteral("No."));
    EXPECT_EQ(c[1].fieldName, QStringLiteral("Title"));
    EXPECT_EQ(c[1].type, TFieldType::String);
    EXPECT_EQ(c[1].size, 40);
    EXPECT_EQ(c[1].label, QStringLiteral("Channel name"));
    EXPECT_EQ(c[2].fieldName, QStringLiteral("Kind"));
    EXPECT_EQ(c[2].label, QStringLiteral("Kind"));
    EXPECT_EQ(c[2].size, 10);
    EXPECT_EQ(settings::nodeName(QStringLiteral("Channel=Number")), QStringLiteral("Channel"));
}

TEST(SettingsGrammar, ParameterEdgeCases) {
    auto one = [](const char16_t* line) {
        const auto c = settings::columns(QString::fromUtf16(line));
        EXPECT_EQ(c.size(), 1u);
        return c.empty() ? settings::ColumnSpec{} : c[0];
    };
    EXPECT_EQ(one(u"N=A( int;5)").type, TFieldType::String); // blank before int
    EXPECT_EQ(one(u"N=A(INT;5)").type, TFieldType::Integer);  // lower-cased
    EXPECT_EQ(one(u"N=A(Float)").type, TFieldType::Float);
    EXPECT_EQ(one(u"N=A(int;abc)").size, 10);
    EXPECT_EQ(one(u"N=A(int;0)").size, 0);
    const auto p = one(u"N=Prop(int)");
    EXPECT_EQ(p.fieldName, QStringLiteral("Prop"));
    EXPECT_EQ(p.label, QStringLiteral("Prop"));
    EXPECT_EQ(p.size, 10);
    // Empty parentheses: the whole piece is the name, every parameter default.
    EXPECT_EQ(one(u"N=A()").fieldName, QStringLiteral("A()"));
    // A blank before "(" belongs to the name.
    EXPECT_EQ(one(u"N=A (int)").fieldName, QStringLiteral("A "));
    // Parameters are not trimmed; empty positions keep their place.
    const auto q = one(u"N=  X(;7;;Fld)  ");
    EXPECT_EQ(q.type, TFieldType::String);
    EXPECT_EQ(q.size, 7);
    EXPECT_EQ(q.fieldName, QStringLiteral("Fld"));
    EXPECT_EQ(q.label, QStringLiteral("Fld"));
    EXPECT_EQ(q.propName, QStringLiteral("X"));
}

TEST(SettingsGrammar, PositionsAndEmptyPieces) {
    EXPECT_EQ(settings::columns(QStringLiteral("N=A,,B,")).size(), 2u);
    EXPECT_EQ(settings::columns(QStringLiteral("N=")).size(), 0u);
    // Only the text up to a second "=" holds specifications.
    const auto c = settings::columns(QStringLiteral("N=A,B=C,D"));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].fieldName, QStringLiteral("B"));
    // Positions 1 to 20 only; an empty position counts as one.
    QString line = QStringLiteral("N=,");
    for (int i = 1; i <= 25; ++i)
        line += QStringLiteral("P%1,").arg(i);
    const auto d = settings::columns(line);
    ASSERT_EQ(d.size(), 19u);
    EXPECT_EQ(d.back().fieldName, QStringLiteral("P19"));
    EXPECT_EQ(settings::propertyNames(line).size(), 19);
}

TEST(SettingsGrammar, PropertiesReadByTheWalk) {
    EXPECT_EQ(settings::propertyNames(QStringLiteral("N= A(int;5), B , ,C(x, D)y(")),
              (QStringList{"A", "B", "C", "D"}));
    EXPECT_EQ(settings::propertyNames(QStringLiteral("N=(int;5;L;F)")), QStringList());
}

TEST(SettingsGrammar, LookupLines) {
    EXPECT_EQ(settings::lookupFile(QStringLiteral("LookupFile: owners.cfg:rest")), QStringLiteral(" owners.cfg"));
    EXPECT_EQ(settings::lookupFields(QStringLiteral("LookupFields: Owner , Phone,,Extra")),
              (QStringList{"Owner", "Phone"}));
    EXPECT_EQ(settings::lookupFields(QStringLiteral("LookupFields:")), QStringList());
    EXPECT_EQ(settings::lookupFields(QStringLiteral("LookupFields: A:B")), QStringList{"A"});
}
