#include "table/memtable.h"

#include "common/exception.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

// A table with an integer, a float and a string column of size 5.
void define(TMemTable& t) {
    t.addFieldDef(QStringLiteral("Id"), TFieldType::Integer);
    t.addFieldDef(QStringLiteral("Val"), TFieldType::Float);
    t.addFieldDef(QStringLiteral("Name"), TFieldType::String, 5);
}

void add(TMemTable& t, const QString& id, const QString& val, const QString& name) {
    t.append();
    t.field(0).setAsString(id);
    t.field(1).setAsString(val);
    t.field(2).setAsString(name);
    t.post();
}

} // namespace

TEST(MemTable, OpenReportsMissingAndDuplicateNamesWithPrefix) {
    TMemTable t(QStringLiteral("DS"));
    t.addFieldDef(QStringLiteral("Abc"), TFieldType::String, 3);
    t.addFieldDef(QStringLiteral("aBC"), TFieldType::Integer);
    EXPECT_EQ(errorOf([&] { t.open(); }), QStringLiteral("DS: Duplicate field name 'aBC'"));
    EXPECT_FALSE(t.active());
    t.clearFieldDefs();
    t.addFieldDef(QString(), TFieldType::Integer);
    EXPECT_EQ(errorOf([&] { t.open(); }), QStringLiteral("DS: Field name missing"));
    EXPECT_EQ(t.state(), TMemTable::State::Closed);
}

TEST(MemTable, FieldLookupIgnoresCaseAndNamesTheTable) {
    TMemTable t(QStringLiteral("DS2"));
    define(t);
    t.open();
    EXPECT_EQ(t.findField(QStringLiteral("name")), &t.field(2));
    EXPECT_EQ(t.findField(QStringLiteral("Owner")), nullptr);
    EXPECT_EQ(errorOf([&] { t.fieldByName(QStringLiteral("Owner")); }), QStringLiteral("DS2: Field 'Owner' not found"));
    EXPECT_EQ(errorOf([&] { t.addFieldDef(QStringLiteral("X"), TFieldType::Integer); }).left(5),
              QStringLiteral("DS2: "));
}

TEST(MemTable, ConversionsFromTextAndTheirMessages) {
    TMemTable t(QStringLiteral("DS"));
    define(t);
    t.open();
    t.field(0).setDisplayLabel(QStringLiteral("Номер"));
    t.append();
    t.field(0).setAsString(QStringLiteral("5"));
    // A failed assignment leaves the column as it was in the pending record.
    EXPECT_EQ(errorOf([&] { t.field(0).setAsString(QStringLiteral("12a")); }),
              QStringLiteral("'12a' is not a valid integer value for field 'Номер'"));
    EXPECT_EQ(t.field(0).asInteger(), 5);
    EXPECT_EQ(errorOf([&] { t.field(1).setAsString(QStringLiteral("1,5")); }),
              QStringLiteral("'1,5' is not a valid floating point value for field 'Val'"));
    EXPECT_TRUE(t.field(1).isNull());
    t.field(1).setAsString(QStringLiteral("1.25"));
    t.field(2).setAsString(QStringLiteral("abcdefg"));
    EXPECT_EQ(t.state(), TMemTable::State::Append);
    // The pending record reads back the values set so far and is not counted.
    EXPECT_EQ(t.field(2).asString(), QStringLiteral("abcde"));
    EXPECT_EQ(t.recordCount(), 0);
    t.post();
    EXPECT_EQ(t.recordCount(), 1);
    EXPECT_EQ(t.recNo(), 0);
    EXPECT_EQ(t.field(0).value(), TVariant(std::int32_t(5)));
    EXPECT_EQ(t.field(1).asString(), QStringLiteral("1.25"));
    EXPECT_EQ(t.field(2).asString(), QStringLiteral("abcde"));

    t.append();
    t.field(0).setAsString(QStringLiteral("7"));
    t.field(0).setAsString(QString()); // the empty text clears
    t.field(2).setAsString(QString());
    t.field(1).setAsString(QStringLiteral("1e20"));
    t.post();
    EXPECT_TRUE(t.field(0).isNull());
    EXPECT_TRUE(t.field(0).value().isNull());
    EXPECT_EQ(t.field(0).asString(), QString());
    EXPECT_TRUE(t.field(2).isNull()); // the empty string reads back as no value
    EXPECT_EQ(t.field(1).asString(), QStringLiteral("1E20"));
}

TEST(MemTable, StringsKeepCodePageTextAndEndAtZero) {
    TMemTable t(QStringLiteral("DS"));
    t.addFieldDef(QStringLiteral("S"), TFieldType::String, 20);
    t.open();
    t.append();
    t.field(0).setAsString(QStringLiteral("Подстанция №1"));
    t.post();
    EXPECT_EQ(t.field(0).asString(), QStringLiteral("Подстанция №1"));
    t.append();
    t.field(0).setAsString(QStringLiteral("ab") + QChar(0) + QStringLiteral("cd"));
    t.post();
    EXPECT_EQ(t.field(0).asString(), QStringLiteral("ab"));
}

TEST(MemTable, CursorAppendCancelAndClose) {
    TMemTable t(QStringLiteral("DS"));
    define(t);
    EXPECT_EQ(errorOf([&] { t.append(); }).left(4), QStringLiteral("DS: "));
    t.open();
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(t.recNo(), -1);
    t.first();
    EXPECT_TRUE(t.eof());
    for (int i = 1; i <= 3; ++i)
        add(t, QString::number(i), QString(), QStringLiteral("r%1").arg(i));
    t.append();
    t.field(0).setAsInteger(99);
    t.cancel();
    EXPECT_EQ(t.recordCount(), 3);
    EXPECT_EQ(t.recNo(), 2); // the last posted record stays current

    QStringList seen;
    for (t.first(); !t.eof(); t.next())
        seen << t.field(2).asString();
    EXPECT_EQ(seen, (QStringList{"r1", "r2", "r3"}));
    t.last();
    t.prior();
    EXPECT_EQ(t.field(0).asInteger(), 2);
    t.setRecNo(0);
    t.prior();
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.recNo(), 0);

    const std::uint64_t before = t.changeCount();
    t.close();
    EXPECT_GT(t.changeCount(), before);
    EXPECT_EQ(t.fieldCount(), 0);
    t.open();
    EXPECT_EQ(t.fieldCount(), 3);
    EXPECT_EQ(t.recordCount(), 0);
    EXPECT_EQ(t.field(2).fieldName(), QStringLiteral("Name"));
}

TEST(MemTable, DefaultDisplayAttributes) {
    TMemTable t(QStringLiteral("DS"));
    define(t);
    t.open();
    EXPECT_EQ(t.field(2).displayWidth(), 5);
    EXPECT_GT(t.field(0).displayWidth(), 0);
    EXPECT_GT(t.field(1).displayWidth(), 0);
    EXPECT_EQ(t.field(1).displayLabel(), QStringLiteral("Val"));
    EXPECT_TRUE(t.field(0).visible());
    EXPECT_EQ(t.field(0).alignment(), TField::Alignment::Right);
    EXPECT_EQ(t.field(2).alignment(), TField::Alignment::Left);
}

TEST(MemTable, DeleteKeepsOrderAcrossChunksAndLaterAppends) {
    TMemTable t(QStringLiteral("DS"));
    define(t);
    t.open();
    const int n = 2500; // spans several storage chunks
    for (int i = 0; i < n; ++i)
        add(t, QString::number(i), QString::number(i) + QStringLiteral(".5"), QStringLiteral("n%1").arg(i % 1000));
    t.setRecNo(1024);
    t.deleteRecord();
    EXPECT_EQ(t.recNo(), 1024);
    EXPECT_EQ(t.field(0).asInteger(), 1025);
    t.last();
    t.deleteRecord();
    EXPECT_EQ(t.recNo(), n - 3);
    add(t, QStringLiteral("-1"), QString(), QStringLiteral("tail"));
    ASSERT_EQ(t.recordCount(), n - 1);
    for (int r = 0; r < n - 2; ++r) {
        const int id = r < 1024 ? r : r + 1;
        ASSERT_EQ(t.textAt(r, 0), QString::number(id)) << r;
        ASSERT_EQ(t.textAt(r, 1), QString::number(id) + QStringLiteral(".5"));
        ASSERT_EQ(t.textAt(r, 2), QStringLiteral("n%1").arg(id % 1000));
    }
    EXPECT_EQ(t.textAt(n - 2, 2), QStringLiteral("tail"));
    EXPECT_TRUE(t.valueAt(n - 2, 1).isNull());
    while (!t.isEmpty())
        t.deleteRecord();
    EXPECT_EQ(t.recNo(), -1);
    EXPECT_EQ(errorOf([&] { t.deleteRecord(); }).left(4), QStringLiteral("DS: "));
}

TEST(MemTable, CopyFromTakesDefinitionsValuesAndAbsence) {
    TMemTable src(QStringLiteral("DS"));
    define(src);
    src.open();
    src.field(2).setDisplayLabel(QStringLiteral("Имя"));
    add(src, QStringLiteral("1"), QString(), QStringLiteral("a"));
    add(src, QString(), QStringLiteral("2.5"), QString());
    add(src, QStringLiteral("3"), QStringLiteral("-1"), QStringLiteral("ccccc"));
    src.setRecNo(1);
    src.deleteRecord(); // the copy follows the table order, not the storage

    TMemTable dst(QStringLiteral("DS2"));
    dst.addFieldDef(QStringLiteral("Other"), TFieldType::String, 3);
    dst.open();
    dst.copyFrom(src);
    ASSERT_EQ(dst.fieldCount(), 3);
    EXPECT_EQ(dst.fieldDefs()[2].size, 5);
    EXPECT_EQ(dst.field(2).displayLabel(), QStringLiteral("Name")); // default attributes
    ASSERT_EQ(dst.recordCount(), 2);
    EXPECT_EQ(dst.recNo(), 0);
    EXPECT_EQ(dst.field(0).asInteger(), 1);
    EXPECT_TRUE(dst.field(1).isNull());
    dst.next();
    EXPECT_EQ(dst.field(2).asString(), QStringLiteral("ccccc"));
    EXPECT_EQ(dst.field(1).asFloat(), -1.0);

    TMemTable empty(QStringLiteral("E"));
    define(empty);
    empty.open();
    dst.copyFrom(empty);
    EXPECT_TRUE(dst.active());
    EXPECT_EQ(dst.fieldCount(), 3);
    EXPECT_TRUE(dst.isEmpty());
    EXPECT_EQ(dst.recNo(), -1);
}

TEST(MemTable, LocateBasics) {
    TMemTable t(QStringLiteral("DS2"));
    define(t);
    t.open();
    EXPECT_FALSE(t.locate(QStringLiteral("Id"), {TVariant(std::int32_t(1))}));
    add(t, QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("Abc"));
    add(t, QStringLiteral("2"), QStringLiteral("2.5"), QStringLiteral("abc"));
    add(t, QStringLiteral("2"), QString(), QStringLiteral("abc"));
    add(t, QString(), QStringLiteral("4"), QString());

    // Two keys, only one matching: nothing moves.
    t.setRecNo(3);
    EXPECT_FALSE(t.locate(QStringLiteral("Id;Name"), {TVariant(std::int32_t(1)), TVariant(u"abc")}));
    EXPECT_EQ(t.recNo(), 3);
    // Strings compare with letter case.
    EXPECT_TRUE(t.locate(QStringLiteral("name;ID"), {TVariant(u"abc"), TVariant(std::int32_t(2))}));
    EXPECT_EQ(t.recNo(), 1);
    // The current record is tried first.
    t.setRecNo(2);
    EXPECT_TRUE(t.locate(QStringLiteral("Id"), {TVariant(std::int32_t(2))}));
    EXPECT_EQ(t.recNo(), 2);
    // A text key converts for a numeric column; numbers compare by value.
    t.first();
    EXPECT_TRUE(t.locate(QStringLiteral("Id"), {TVariant(u"2")}));
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_TRUE(t.locate(QStringLiteral("Val"), {TVariant(std::int32_t(4))}));
    EXPECT_EQ(t.recNo(), 3);
    EXPECT_FALSE(t.locate(QStringLiteral("Id"), {TVariant(1.5)}));
    EXPECT_EQ(errorOf([&] { t.locate(QStringLiteral("Id"), {TVariant(u"abc")}); }),
              QStringLiteral("Could not convert variant of type (String) into type (Double)"));
    EXPECT_NE(errorOf([&] { t.locate(QStringLiteral("Name"), {TVariant::null()}); }), QStringLiteral("<no error>"));
    EXPECT_EQ(errorOf([&] { t.locate(QStringLiteral("Nope"), {TVariant(u"x")}); }),
              QStringLiteral("DS2: Field 'Nope' not found"));
    // Null finds a numeric column without value.
    t.first();
    EXPECT_TRUE(t.locate(QStringLiteral("Id"), {TVariant::null()}));
    EXPECT_EQ(t.recNo(), 3);
    // The index follows changes of the table.
    t.setRecNo(0);
    t.deleteRecord();
    t.last();
    EXPECT_TRUE(t.locate(QStringLiteral("Name"), {TVariant(u"abc")}));
    EXPECT_EQ(t.recNo(), 0);
    add(t, QStringLiteral("7"), QString(), QStringLiteral("new"));
    t.first();
    EXPECT_TRUE(t.locate(QStringLiteral("Name"), {TVariant(u"new")}));
    EXPECT_EQ(t.field(0).asInteger(), 7);
}

// The indexed Locate gives exactly what a linear scan from the current record
// and then from the first record gives, on random data with repeated keys,
// records without values and deletions in between.
TEST(MemTable, LocateAgreesWithLinearScan) {
    QRandomGenerator rng(20261209);
    TMemTable t(QStringLiteral("DS2"));
    define(t);
    t.open();
    auto randomText = [&](int domain, bool allowEmpty) {
        const int v = rng.bounded(domain + (allowEmpty ? 1 : 0));
        return v == domain ? QString() : QString::number(v);
    };
    for (int i = 0; i < 2200; ++i)
        add(t, randomText(40, true), randomText(7, true) + QStringLiteral(".5"), QStringLiteral("k") + randomText(30, true));

    const QString keySets[] = {QStringLiteral("Id"), QStringLiteral("Name"), QStringLiteral("Id;Name"),
                               QStringLiteral("Val;Name;Id")};
    auto matches = [&](int r, const QStringList& cols, const std::vector<TVariant>& key) {
        for (int k = 0; k < cols.size(); ++k) {
            const int c = t.fieldByName(cols[k]).index();
            const TVariant stored = t.valueAt(r, c);
            if (c == 2) {
                if (t.textAt(r, c) != key[std::size_t(k)].toString())
                    return false;
            } else if (!(stored == key[std::size_t(k)])) {
                return false;
            }
        }
        return true;
    };
    int found = 0;
    for (int round = 0; round < 3000; ++round) {
        if (round % 500 == 499) {
            t.setRecNo(int(rng.bounded(t.recordCount())));
            t.deleteRecord();
        }
        // The same key columns for a while, as a join uses them.
        const QString keys = keySets[(round / 50) % 4];
        const QStringList cols = keys.split(u';');
        // Keys taken from an existing record, or random (often absent).
        const int from = int(rng.bounded(t.recordCount()));
        std::vector<TVariant> key;
        for (const QString& c : cols) {
            const int ci = t.fieldByName(c).index();
            if (rng.bounded(3) == 0) {
                key.push_back(ci == 2 ? TVariant(QStringLiteral("k") + randomText(35, false))
                                      : TVariant(std::int32_t(rng.bounded(45))));
            } else {
                TVariant v = t.valueAt(from, ci);
                if (ci == 2 && v.isNull())
                    v = TVariant(QString());
                key.push_back(v);
            }
        }
        const int start = int(rng.bounded(t.recordCount()));
        t.setRecNo(start);
        int expected = -1;
        if (matches(start, cols, key))
            expected = start;
        else
            for (int r = 0; r < t.recordCount() && expected < 0; ++r)
                if (matches(r, cols, key))
                    expected = r;
        const bool ok = t.locate(keys, key);
        ASSERT_EQ(ok, expected >= 0) << round;
        ASSERT_EQ(t.recNo(), expected >= 0 ? expected : start) << round;
        found += ok;
    }
    EXPECT_GT(found, 800); // the data exercised both outcomes
    EXPECT_LT(found, 2900);
}

TEST(MemTable, ValuesByPositionRefuseColumnsOutsideTheTable) {
    TMemTable t(QStringLiteral("DS"));
    t.addFieldDef(QStringLiteral("S"), TFieldType::String, 20);
    t.open();
    t.append();
    t.field(0).setAsString(QStringLiteral("x"));
    t.post();
    EXPECT_EQ(t.textAt(0, 0), "x");
    for (int column : {-1, 1, 1000}) {
        EXPECT_EQ(t.textAt(0, column), QString()) << column;
        EXPECT_TRUE(t.valueAt(0, column).isNull()) << column;
    }
}
