#include "common/cp1251.h"
#include "common/exception.h"
#include "report/model/engine.h"
#include "report/memdata/mainreport.h"
#include "report/model/objects.h"
#include "report/model/dataset.h"
#include "report/memdata/memtablesource.h"
#include "table/memtable.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

// A one-record table with fields of chosen kinds, all holding no value unless set.
class TFakeTable : public TfrTableSource {
public:
    struct Field {
        QString name;
        FieldKind kind;
        TVariant value; // null when unset
        bool displayHandler = false;
        QString display = {};
    };
    explicit TFakeTable(QString name) : TfrTableSource(std::move(name)) {}

    bool isOpen() const override { return m_open; }
    void open() override {
        ++opens;
        m_open = true;
    }
    void close() override { m_open = false; }
    void first() override {}
    void next() override {}
    void prior() override {}
    bool eof() const override { return false; }
    Bookmark bookmark() const override { return 0; }
    void gotoBookmark(Bookmark) override {}
    QStringList fieldNames() const override {
        if (failNames)
            throw Exception(QStringLiteral("broken"));
        QStringList out;
        for (const Field& f : fields)
            out << f.name;
        return out;
    }
    int fieldIndex(const QString& name) const override {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        return -1;
    }
    FieldKind fieldKind(int i) const override { return fields[static_cast<std::size_t>(i)].kind; }
    bool fieldIsNull(int i) const override { return fields[static_cast<std::size_t>(i)].value.isNullOrEmpty(); }
    TVariant fieldValue(int i) const override { return fields[static_cast<std::size_t>(i)].value; }
    QString fieldDisplayText(int i) const override { return fields[static_cast<std::size_t>(i)].display; }
    bool fieldHasDisplayHandler(int i) const override { return fields[static_cast<std::size_t>(i)].displayHandler; }

    std::vector<Field> fields;
    bool failNames = false;
    int opens = 0;

private:
    bool m_open = false;
};

void fillNumbers(TMemTable& t, int count) {
    t.addFieldDef(QStringLiteral("N"), TFieldType::Integer);
    t.open();
    for (int i = 0; i < count; ++i) {
        t.append();
        t.fieldByName(QStringLiteral("N")).setAsInteger(i + 1);
        t.post();
    }
}

// Walks a dataset the way the band engine does and collects the values of N.
std::vector<int> walk(TfrDataset& ds, TMemTable* table) {
    std::vector<int> out;
    ds.init();
    ds.first();
    int guard = 0;
    while (!ds.eof() && guard++ < 100) {
        out.push_back(table ? table->fieldByName(QStringLiteral("N")).asInteger() : ds.recNo);
        ds.next();
    }
    ds.exit();
    return out;
}

} // namespace

TEST(ReportDatasets, CountRangeOnAUserDataset) {
    TfrUserDataset ds(QStringLiteral("User"));
    ds.rangeEnd = TfrRangeEnd::reCount;
    ds.rangeEndCount = 3;
    int firsts = 0, nexts = 0;
    ds.onFirst = [&](TfrDataset&) { ++firsts; };
    ds.onNext = [&](TfrDataset&) { ++nexts; };
    EXPECT_EQ(walk(ds, nullptr), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(nexts, 2);
}

TEST(ReportDatasets, CheckEofEventDecides) {
    TfrUserDataset ds;
    EXPECT_FALSE(ds.eof()); // reLast without events never ends by itself
    ds.onCheckEOF = [](TfrDataset& d, bool& eof) { eof = d.recNo >= 2; };
    EXPECT_EQ(walk(ds, nullptr), (std::vector<int>{0, 1}));
    ds.prior();
    EXPECT_EQ(ds.recNo, 1);
}

TEST(ReportDatasets, BandSourceTextCreatesCountDatasets) {
    TfrDataRegistry registry;
    std::unique_ptr<TfrDataset> owned;
    TfrDataset* ds = frResolveBandDataSource(QStringLiteral("5"), registry, owned);
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(ds, owned.get());
    EXPECT_EQ(walk(*ds, nullptr).size(), 5u);

    EXPECT_EQ(frResolveBandDataSource(QStringLiteral("[Нет]"), registry, owned), nullptr);
    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(frResolveBandDataSource(QString(), registry, owned), nullptr);
    EXPECT_EQ(frResolveBandDataSource(QStringLiteral("MasterData1=frDS;"), registry, owned), nullptr);
    EXPECT_EQ(frResolveBandDataSource(QStringLiteral("0"), registry, owned), nullptr); // 0 is not 1-9
    EXPECT_THROW(frResolveBandDataSource(QStringLiteral("5x"), registry, owned), Exception);
}

TEST(ReportDatasets, BandSourceTextFindsRegisteredDatasets) {
    TMemTable table(QStringLiteral("DS"));
    fillNumbers(table, 2);
    TfrMemTableSource source(table);
    TfrDBDataSet frDS(QStringLiteral("frDS"));
    frDS.setDataSet(&source);
    TfrDataRegistry registry(QStringLiteral("frmMain"));
    registry.addDataset(&frDS);
    registry.addTable(&source);
    std::unique_ptr<TfrDataset> owned;
    EXPECT_EQ(frResolveBandDataSource(QStringLiteral("FRDS"), registry, owned), &frDS);
    EXPECT_EQ(frResolveBandDataSource(QStringLiteral("frmMain.frDS"), registry, owned), &frDS);
    EXPECT_EQ(owned, nullptr);
    // A table is not a report dataset.
    EXPECT_THROW(frResolveBandDataSource(QStringLiteral("DS"), registry, owned), Exception);
    registry.remove(&frDS);
    EXPECT_EQ(registry.findDataset(QStringLiteral("frDS")), nullptr);
}

TEST(ReportDatasets, WalksATableFromFirstToLast) {
    TMemTable table(QStringLiteral("DS"));
    fillNumbers(table, 4);
    TfrMemTableSource source(table);
    TfrDBDataSet ds(QStringLiteral("frDS"));
    ds.setDataSet(&source);
    EXPECT_EQ(walk(ds, &table), (std::vector<int>{1, 2, 3, 4}));
    ds.rangeEnd = TfrRangeEnd::reCount;
    ds.rangeEndCount = 2;
    EXPECT_EQ(walk(ds, &table), (std::vector<int>{1, 2}));
}

TEST(ReportDatasets, CurrentRecordRanges) {
    TMemTable table(QStringLiteral("DS"));
    fillNumbers(table, 5);
    TfrMemTableSource source(table);
    TfrDBDataSet ds(QStringLiteral("frDS"));
    ds.setDataSet(&source);

    table.setRecNo(2);
    ds.rangeBegin = TfrRangeBegin::rbCurrent;
    ds.rangeEnd = TfrRangeEnd::reCurrent;
    EXPECT_EQ(walk(ds, &table), (std::vector<int>{3}));
    EXPECT_EQ(table.recNo(), 2);

    ds.rangeBegin = TfrRangeBegin::rbFirst;
    EXPECT_EQ(walk(ds, &table), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(table.recNo(), 2);

    ds.rangeBegin = TfrRangeBegin::rbCurrent;
    ds.rangeEnd = TfrRangeEnd::reLast;
    EXPECT_EQ(walk(ds, &table), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(table.recNo(), 2);
}

TEST(ReportDatasets, OpenAndCloseFollowTheSettings) {
    TMemTable table(QStringLiteral("DS"));
    table.addFieldDef(QStringLiteral("N"), TFieldType::Integer);
    TfrMemTableSource source(table);
    TfrDBDataSet ds(QStringLiteral("frDS"));
    ds.setDataSet(&source);
    int opened = 0, closed = 0;
    ds.onOpen = [&](TfrDataset&) { ++opened; };
    ds.onClose = [&](TfrDataset&) { ++closed; };
    ds.init();
    EXPECT_TRUE(table.active());
    ds.first();
    EXPECT_TRUE(ds.eof()); // empty table
    ds.exit();
    EXPECT_TRUE(table.active());
    ds.closeDataSource = true;
    ds.init();
    ds.exit();
    EXPECT_FALSE(table.active());
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(closed, 2);
}

TEST(ReportDatasets, NoTableIsAnError) {
    TfrDBDataSet ds(QStringLiteral("frDS"));
    try {
        ds.init();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Unable to open dataset frDS");
    }
    EXPECT_THROW(ds.first(), Exception);
    EXPECT_THROW(ds.eof(), Exception);
}

TEST(ReportDatasets, DestroyedTablesAndSourcesAreForgotten) {
    TfrDBDataSet ds(QStringLiteral("frDS"));
    {
        TFakeTable table(QStringLiteral("T"));
        ds.setDataSet(&table);
        EXPECT_EQ(ds.table(), &table);
    }
    EXPECT_EQ(ds.dataSet(), nullptr);
    EXPECT_THROW(ds.init(), Exception);

    TFakeTable table(QStringLiteral("T"));
    {
        TfrDataSource source(QStringLiteral("dsrc"));
        source.setTable(&table);
        ds.setDataSet(&table);
        ds.setDataSource(&source); // clears the table reference
        EXPECT_EQ(ds.dataSet(), nullptr);
        EXPECT_EQ(ds.table(), &table);
    }
    EXPECT_EQ(ds.dataSource(), nullptr);
    EXPECT_EQ(ds.table(), nullptr);

    // A data source outliving its table.
    TfrDataSource source;
    {
        TFakeTable shortLived(QStringLiteral("S"));
        source.setTable(&shortLived);
    }
    EXPECT_EQ(source.table(), nullptr);
}

TEST(ReportDatasets, NullValuesConvertByFieldKind) {
    using K = TfrTableSource::FieldKind;
    TFakeTable t(QStringLiteral("T"));
    t.fields = {{QStringLiteral("S"), K::String, TVariant::null()},
                {QStringLiteral("W"), K::WideString, TVariant()},
                {QStringLiteral("B"), K::Boolean, TVariant::null()},
                {QStringLiteral("I"), K::Integer, TVariant::null()},
                {QStringLiteral("F"), K::Float, TVariant::null()},
                {QStringLiteral("D"), K::DateTime, TVariant::null()},
                {QStringLiteral("L"), K::LargeInt, TVariant(std::int32_t(5)), false, QStringLiteral("5 000")},
                {QStringLiteral("H"), K::Integer, TVariant(std::int32_t(7)), true, QStringLiteral("seven")},
                {QStringLiteral("V"), K::Float, TVariant(2.5)}};
    const TVariant s = t.valueForExpression(QStringLiteral("s"));
    EXPECT_TRUE(s.isString());
    EXPECT_EQ(s.toString(), "");
    EXPECT_TRUE(t.valueForExpression(QStringLiteral("W")).isString());
    const TVariant b = t.valueForExpression(QStringLiteral("B"));
    EXPECT_EQ(b.kind(), TVariant::Kind::Boolean);
    EXPECT_FALSE(b.toBool());
    for (const char16_t* n : {u"I", u"F", u"D"}) {
        const TVariant v = t.valueForExpression(QString::fromUtf16(n));
        EXPECT_EQ(v.kind(), TVariant::Kind::Integer);
        EXPECT_EQ(v.toInt(), 0);
    }
    EXPECT_EQ(t.valueForExpression(QStringLiteral("L")).toString(), "5 000");
    EXPECT_EQ(t.valueForExpression(QStringLiteral("H")).toString(), "seven");
    EXPECT_DOUBLE_EQ(t.valueForExpression(QStringLiteral("V")).toDouble(), 2.5);
    EXPECT_THROW(t.valueForExpression(QStringLiteral("Missing")), Exception);
}

TEST(ReportDatasets, ReadingAFieldOpensAClosedTable) {
    TFakeTable t(QStringLiteral("T"));
    t.fields = {{QStringLiteral("S"), TfrTableSource::FieldKind::String, TVariant(QStringLiteral("x"))}};
    EXPECT_FALSE(t.isOpen());
    EXPECT_EQ(t.valueForExpression(QStringLiteral("S")).toString(), "x");
    EXPECT_TRUE(t.isOpen());
    EXPECT_EQ(t.opens, 1);
}

TEST(ReportDatasets, FieldListErrorsGiveAnEmptyList) {
    TFakeTable t(QStringLiteral("T"));
    t.fields = {{QStringLiteral("S"), TfrTableSource::FieldKind::String, TVariant()}};
    EXPECT_TRUE(t.hasField(QStringLiteral("s")));
    t.failNames = true;
    EXPECT_TRUE(t.fieldNamesOrEmpty().isEmpty());
    EXPECT_FALSE(t.hasField(QStringLiteral("S")));
}

TEST(ReportDatasets, BlobKinds) {
    using K = TfrTableSource::FieldKind;
    for (K k : {K::Blob, K::Memo, K::Graphic, K::FormattedMemo, K::OleObject, K::DBaseOle, K::TypedBinary,
                K::DBSpecificBlob})
        EXPECT_TRUE(TfrTableSource::isBlobKind(k));
    for (K k : {K::String, K::Integer, K::LargeInt, K::DateTime, K::Other})
        EXPECT_FALSE(TfrTableSource::isBlobKind(k));
}

TEST(ReportDatasets, MemTableNullsReadAsTheirKindsEmptyValue) {
    TMemTable table(QStringLiteral("DS"));
    table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 20);
    table.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
    table.addFieldDef(QStringLiteral("Price"), TFieldType::Float);
    table.open();
    table.append();
    table.post();
    TfrMemTableSource source(table);
    EXPECT_EQ(source.valueForExpression(QStringLiteral("Name")).toString(), "");
    EXPECT_EQ(source.valueForExpression(QStringLiteral("qty")).kind(), TVariant::Kind::Integer);
    EXPECT_EQ(source.valueForExpression(QStringLiteral("Price")).toInt(), 0);
    EXPECT_EQ(source.fieldNames(), QStringList({"Name", "Qty", "Price"}));
}

TEST(ReportDatasets, FieldReferencesSplitOutsideQuotes) {
    TfrFieldRef r = frSplitFieldRef(QStringLiteral("DS.\"Имя. поля\""));
    EXPECT_TRUE(r.hasDataset);
    EXPECT_EQ(r.dataset, "DS");
    EXPECT_EQ(r.field, "Имя. поля");
    r = frSplitFieldRef(QStringLiteral("frmMain.DS.Qty"));
    EXPECT_EQ(r.dataset, "frmMain.DS");
    EXPECT_EQ(r.field, "Qty");
    r = frSplitFieldRef(QStringLiteral("Qty"));
    EXPECT_FALSE(r.hasDataset);
    EXPECT_EQ(r.field, "Qty");
}

TEST(ReportDatasets, BlobFieldsFillMemosAndPictures) {
    TfrEngine engine;
    using K = TfrTableSource::FieldKind;
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "BMP"));

    TFakeTable t(QStringLiteral("T"));
    t.fields = {{QStringLiteral("Text"), K::Memo, TVariant(QStringLiteral("one\r\ntwo"))},
                {QStringLiteral("Pic"), K::Graphic, TVariant(cp1251::decode(bmp))},
                {QStringLiteral("None"), K::Graphic, TVariant::null()}};
    TfrMemoView memo;
    memo.getBlob(t, 0);
    EXPECT_EQ(memo.memo, QStringList({"one", "two"}));

    TfrPictureView pic;
    pic.getBlob(t, 1);
    EXPECT_EQ(pic.picture.kind, TfrPicture::Bitmap);
    EXPECT_EQ(pic.picture.data, bmp);
    EXPECT_EQ(pic.picture.image.size(), QSize(3, 2));
    pic.getBlob(t, 2);
    EXPECT_TRUE(pic.picture.isEmpty());
    pic.blobType = btJPG;
    pic.getBlob(t, 1); // BMP bytes announced as JPEG: kept, but no image
    EXPECT_EQ(pic.picture.kind, TfrPicture::Jpeg);
    EXPECT_TRUE(pic.picture.image.isNull());
}

TEST(ReportDatasets, MainReportSetUpRegistersTheProgramsNames) {
    TfrEngine scoped;
    TMemTable ds(QStringLiteral("Selection"));
    TMemTable ds2(QStringLiteral("Lookup"));
    fillNumbers(ds, 2);
    TfrDataRegistry& registry = scoped.dataRegistry();
    {
        TfrMainReport main(scoped, ds, ds2);
        EXPECT_EQ(main.report().dataset(), &main.frDS());
        EXPECT_EQ(&main.report().dataRegistry(), &registry);
        EXPECT_EQ(registry.findDataset(QStringLiteral("frds")), &main.frDS());
        EXPECT_EQ(registry.findTable(QStringLiteral("DS")), &main.dsSource());
        EXPECT_EQ(registry.findTable(QStringLiteral("ds2")), &main.ds2Source());
        EXPECT_EQ(main.frDS().table(), &main.dsSource());
        EXPECT_EQ(walk(main.frDS(), &ds), (std::vector<int>{1, 2}));
        EXPECT_TRUE(main.report().dictionary().isVariable(QStringLiteral("N")));
    }
    EXPECT_TRUE(registry.datasets().empty());
    EXPECT_TRUE(registry.tables().empty());
}

TEST(ReportDatasets, LinksToDestroyedDatasetsAndTablesReadAsNothing) {
    TfrEngine engine;
    TfrReport report(engine);
    TfrDataRegistry registry;
    TMemTable table(QStringLiteral("DS"));
    auto source = std::make_unique<TfrMemTableSource>(table);
    auto dataset = std::make_unique<TfrDBDataSet>(QStringLiteral("frDS"));
    dataset->setDataSet(source.get());
    registry.addTable(source.get());
    registry.addDataset(dataset.get());
    report.setDataset(dataset.get());
    ASSERT_EQ(registry.findDataset(QStringLiteral("frDS")), dataset.get());

    source.reset();
    EXPECT_EQ(dataset->table(), nullptr);
    EXPECT_EQ(registry.findTable(QStringLiteral("DS")), nullptr);
    EXPECT_THROW(dataset->init(), Exception); // "Unable to open dataset"
    dataset.reset();
    EXPECT_EQ(report.dataset(), nullptr);
    EXPECT_EQ(registry.findDataset(QStringLiteral("frDS")), nullptr);
    EXPECT_TRUE(registry.datasets().empty());
    EXPECT_TRUE(report.dictionary().datasetList().isEmpty());
}
