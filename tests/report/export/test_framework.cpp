// The export framework: the call sequence a filter sees, cancelling, page
// subsets, stopping, failures that keep the old file, the registry and the
// save dialog's entries.

#include "exportfixture.h"

#include "common/exception.h"
#include "common/textfile.h"
#include "report/export/exportfilter.h"
#include "report/export/textexport.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Writes every call it gets as one line of its file.
class RecordingFilter : public TfrExportFilter {
public:
    QString className() const override { return cls; }
    QString description() const override { return desc; }
    QString extension() const override { return ext; }

    void onBeginDoc() override { log(QStringLiteral("doc")); }
    void onEndDoc() override { log(QStringLiteral("/doc")); }
    void onBeginPage() override { log(QStringLiteral("page %1 of %2 (#%3)").arg(pageNo()).arg(pageCount()).arg(pageIndex())); }
    void onEndPage() override {
        log(QStringLiteral("/page"));
        if (failOnPage == pageNo())
            throw Exception(QStringLiteral("filter failed"));
    }
    void onData(std::int32_t x, std::int32_t y, const TfrView& view) override {
        log(QStringLiteral("data %1 %2,%3").arg(view.name()).arg(x).arg(y));
    }
    void onText(const TfrExportLine& line) override {
        log(QStringLiteral("text %1,%2 f%3 %4").arg(line.x).arg(line.y).arg(line.frameTyp).arg(line.text));
    }

    QString cls = QStringLiteral("TRecordingFilter");
    QString desc = QStringLiteral("Протокол (*.log)");
    QString ext = QStringLiteral("*.log");
    int failOnPage = -1;

private:
    void log(const QString& s) { stream().write((s + u'\n').toUtf8()); }
};

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(f.readAll());
}

class Framework : public ::testing::Test, public ExportFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const int p0 = addPage();
        put(p0, *memo(QStringLiteral("Title"), 10, 20, 200, 40, {QStringLiteral("Отчёт"), QStringLiteral("второй")}, 15));
        auto line = engine.createObject(gtLine);
        line->setName(QStringLiteral("Line1"));
        line->setBounds(5, 70, 300, 0);
        put(p0, *line);
        const int p1 = addPage();
        put(p1, *memo(QStringLiteral("Footer"), 30, 500, 100, 20, {QStringLiteral("Стр. 2")}));
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    RecordingFilter filter;
};

TEST_F(Framework, CallSequenceWalksEveryPageObjectAndLine) {
    ASSERT_EQ(frExportReport(report, filter, path("a.log")), TfrExportResult::Written);
    EXPECT_EQ(readText(path("a.log")),
              "doc\n"
              "page 0 of 2 (#0)\n"
              "data Title 10,20\n"
              // A memo of several lines: the first without the bottom side, the last without the top.
              "text 10,20 f13 Отчёт\n"
              "text 10,35 f7 второй\n"
              "data Line1 5,70\n"
              "/page\n"
              "page 1 of 2 (#1)\n"
              "data Footer 30,500\n"
              "text 30,500 f0 Стр. 2\n"
              "/page\n"
              "/doc\n");
    EXPECT_EQ(filter.fileName(), path("a.log"));
    EXPECT_EQ(filter.report(), nullptr); // nothing of the export stays attached
}

TEST_F(Framework, PageSubsetAndStoppingStillEndTheDocument) {
    TfrExportOptions only2;
    only2.pages = std::vector<int>{1, 7, -1}; // pages the report lacks are ignored
    frExportReport(report, filter, path("b.log"), only2);
    EXPECT_EQ(readText(path("b.log")), "doc\npage 0 of 1 (#1)\ndata Footer 30,500\ntext 30,500 f0 Стр. 2\n/page\n/doc\n");

    TfrExportOptions stop;
    std::vector<std::pair<int, int>> calls;
    stop.progress = [&](int done, int total) {
        calls.emplace_back(done, total);
        return false;
    };
    frExportReport(report, filter, path("c.log"), stop);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 2}}));
    EXPECT_TRUE(readText(path("c.log")).endsWith("/page\n/doc\n"));
    EXPECT_FALSE(readText(path("c.log")).contains("page 1"));
}

TEST_F(Framework, ReportWithoutPagesWritesOnlyTheDocumentFrame) {
    TfrReport empty(engine);
    frExportReport(empty, filter, path("e.log"));
    EXPECT_EQ(readText(path("e.log")), "doc\n/doc\n");
}

TEST_F(Framework, CancellingWritesNothing) {
    textfile::writeAtomically(path("old.log"), "old");
    // The before-export event may rename the target or cancel.
    filter.onBeforeExport = [](QString& name, bool& go) { go = !name.endsWith("old.log"); };
    EXPECT_EQ(frExportReport(report, filter, path("old.log")), TfrExportResult::Cancelled);
    EXPECT_EQ(readText(path("old.log")), "old");

    filter.onBeforeExport = [&](QString& name, bool&) { name = path("renamed.log"); };
    QString after;
    filter.onAfterExport = [&](const QString& name) { after = name; };
    // A dialog that says no stops before the file exists; headless runs never ask it.
    int asked = 0;
    filter.optionsDialog = [&](TfrExportFilter&) { return ++asked > 1; };
    EXPECT_EQ(frExportReport(report, filter, path("x.log")), TfrExportResult::Cancelled);
    EXPECT_FALSE(QFile::exists(path("renamed.log")));
    EXPECT_EQ(frExportReport(report, filter, path("x.log")), TfrExportResult::Written);
    EXPECT_EQ(after, path("renamed.log"));
    EXPECT_EQ(asked, 2);
    filter.showDialog = false;
    EXPECT_EQ(frExportReport(report, filter, path("x.log")), TfrExportResult::Written);
    filter.showDialog = true;
    TfrExportOptions headless;
    headless.dialogs = false;
    EXPECT_EQ(frExportReport(report, filter, path("x.log"), headless), TfrExportResult::Written);
    EXPECT_EQ(asked, 2);
}

TEST_F(Framework, FailuresKeepTheOldFile) {
    textfile::writeAtomically(path("keep.log"), "old");
    filter.failOnPage = 1;
    EXPECT_THROW(frExportReport(report, filter, path("keep.log")), Exception);
    EXPECT_EQ(readText(path("keep.log")), "old");
    EXPECT_EQ(filter.report(), nullptr);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.log"}); // no temporary file left

    filter.failOnPage = -1;
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.log"));
    EXPECT_THROW(frExportReport(report, filter, path("folder.log")), Exception);
}

std::unique_ptr<RecordingFilter> filterOf(const char* cls, const QString& desc, const QString& ext) {
    auto f = std::make_unique<RecordingFilter>();
    f->cls = QString::fromLatin1(cls);
    f->desc = desc;
    f->ext = ext;
    return f;
}

TEST(ExportRegistry, SaveDialogEntriesDefaultAndExtensions) {
    TfrExportFilters filters;
    EXPECT_EQ(filters.defaultEntry(), 1);
    EXPECT_EQ(filters.saveDialogFilter(), "Файл отчета (*.frp)|*.frp");
    ASSERT_TRUE(filters.add(std::make_unique<TfrTextExport>()));
    ASSERT_TRUE(filters.add(filterOf("TfrRTFExport", "Файл Rich Text (*.rtf)", "*.rtf")));
    ASSERT_TRUE(filters.add(filterOf("TfrCSVExport", "Файл CSV (*.csv)", "*.csv")));
    ASSERT_TRUE(filters.add(filterOf("TfrHTMExport", "Файл HTML (*.htm)", "*.htm")));
    filters[1].filter->isDefault = true;
    filters[3].filter->isDefault = true; // the first Default wins
    EXPECT_EQ(filters.saveDialogFilter(),
              "Файл отчета (*.frp)|*.frp|Текстовый файл (*.txt)|*.txt|Файл Rich Text (*.rtf)|*.rtf|"
              "Файл CSV (*.csv)|*.csv|Файл HTML (*.htm)|*.htm");
    EXPECT_EQ(filters.nameFilters(),
              (QStringList{"Файл отчета (*.frp)", "Текстовый файл (*.txt)", "Файл Rich Text (*.rtf)", "Файл CSV (*.csv)",
                           "Файл HTML (*.htm)"}));
    EXPECT_EQ(filters.defaultEntry(), 3);
    EXPECT_EQ(filters.filterOfEntry(1), nullptr);
    EXPECT_EQ(filters.filterOfEntry(4)->className(), "TfrCSVExport");
    EXPECT_EQ(filters.filterOfEntry(6), nullptr);
    EXPECT_EQ(frReplaceExtension("/tmp/out.dat", filters.extensionOfEntry(4)), "/tmp/out.csv");
    EXPECT_EQ(filters.findByExtension("TXT")->className(), "TfrTextExport");
    EXPECT_EQ(filters.findByExtension("pdf"), nullptr);

    // The same class and extension once; another extension of the class is another entry.
    EXPECT_EQ(filters.add(std::make_unique<TfrTextExport>()), nullptr);
    EXPECT_NE(filters.add(filterOf("TfrTextExport", "Текст DOS (*.dos)", "*.dos")), nullptr);
    EXPECT_EQ(filters.count(), 5);
    // Removing takes the last entry of the class.
    EXPECT_TRUE(filters.remove("TfrTextExport"));
    EXPECT_EQ(filters.count(), 4);
    EXPECT_EQ(filters[0].extension, "*.txt");
    EXPECT_FALSE(filters.remove("TNoSuchFilter"));
}

TEST(ExportRegistry, HoldsAtMost64Filters) {
    TfrExportFilters filters;
    for (int i = 0; i < TfrExportFilters::maxFilters; ++i)
        ASSERT_TRUE(filters.add(filterOf("TFilter", "x", QStringLiteral("*.%1").arg(i))));
    EXPECT_THROW(filters.add(filterOf("TFilter", "x", "*.last")), Exception);
    EXPECT_EQ(filters.count(), TfrExportFilters::maxFilters);
}

TEST(ExportOptions, ExtensionsAndScales) {
    const struct {
        const char* name;
        const char* mask;
        const char* expected;
    } names[] = {
        {"report.dat", "*.csv", "report.csv"},
        {"report", "*.rtf", "report.rtf"},
        {"dir.v2/report", "*.txt", "dir.v2/report.txt"},
        {"a.b.c", "*.htm", "a.b.htm"},
        {".profile", "*.txt", ".profile.txt"},
        {"C:\\out.d\\x", "*.txt", "C:\\out.d\\x.txt"},
    };
    for (const auto& c : names)
        EXPECT_EQ(frReplaceExtension(c.name, c.mask), c.expected) << c.name;

    const struct {
        const char* text;
        double value;
    } scales[] = {{"1.3", 1.3}, {"2,5", 2.5}, {" 0.5 ", 0.5}, {"", 1}, {"abc", 1}, {"0", 1}, {"-2", 1}, {"inf", 1}, {"1e400", 1}};
    for (const auto& c : scales)
        EXPECT_DOUBLE_EQ(frReadScale(c.text), c.value) << c.text;
    EXPECT_EQ(frReadScale(frScaleText(1.3)), 1.3);
}

} // namespace

#include "report/export/programfilters.h"

namespace {

TEST(ExportRegistry, ProgramFiltersInSaveDialogOrder) {
    TfrExportFilters filters;
    frRegisterProgramFilters(filters);
    frRegisterProgramFilters(filters); // once only
    EXPECT_EQ(filters.saveDialogFilter(), "Файл отчета (*.frp)|*.frp|Текстовый файл (*.txt)|*.txt|Файл Rich Text (*.rtf)|*.rtf|Файл CSV (*.csv)|*.csv|Файл HTML (*.htm)|*.htm|Файл PDF (*.pdf)|*.pdf");
    EXPECT_EQ(filters.findByExtension("pdf")->className(), "TfrPdfExport");
}

} // namespace
