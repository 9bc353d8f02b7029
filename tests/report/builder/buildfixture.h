#pragma once

#include "common/interaction.h"
#include "report/builder/builder.h"
#include "report/builder/preparedpages.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"
#include "report/expr/context.h"
#include "report/memdata/memtablesource.h"
#include "report/model/dataset.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "table/memtable.h"

#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']'; }

// Reports built in code over a small table "DS" (Sub, Name, Qty) behind the
// report dataset frDS, measured with fixed-width characters; prepared pages
// are checked as listings of the texts printed on each page.
class BuildTest : public ::testing::Test {
public:
    BuildTest() {
        table.addFieldDef(QStringLiteral("Sub"), TFieldType::String, 30);
        table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 30);
        table.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        table.open();
        frDS.setDataSet(&source);
        registry.addDataset(&frDS);
        registry.addTable(&source);
        report.setDataRegistry(&registry);
        report.setDataset(&frDS);
        report.fileName = QStringLiteral("test.frf");
        installExpressionEvaluator(engine);
        frSetTextMeasurer(engine, measurer);
        addPage();
    }

    TfrPage& addPage() {
        TfrPage& p = *report.pages().page(report.pages().add());
        p.margins = {20, 20, 20, 20};
        return p;
    }
    TfrPage& page(int index = 0) { return *report.pages().page(index); }
    // Room for bands on a page without page footer.
    int pageRoom(int index = 0) { return page(index).printableBottom() - page(index).printableTop(); }

    void addRecord(const QString& sub, const QString& name, int qty) {
        table.append();
        table.fieldByName(QStringLiteral("Sub")).setAsString(sub);
        table.fieldByName(QStringLiteral("Name")).setAsString(name);
        table.fieldByName(QStringLiteral("Qty")).setAsInteger(qty);
        table.post();
    }

    TfrBandView& band(int type, int y, int height, const QString& name, const QString& data = QString(), int pg = 0) {
        auto* b = static_cast<TfrBandView*>(page(pg).add(engine.createObject(gtBand)));
        b->setBandType(type);
        b->setName(name);
        b->setBounds(0, y, 500, height);
        b->flags = 0;
        b->setDataSourceName(data);
        return *b;
    }

    // A memo lying on the band that starts at `y` (not stretched to the band's bottom).
    TfrMemoView& memo(int y, const QString& text, int pg = 0, int height = 16) {
        auto* m = static_cast<TfrMemoView*>(page(pg).add(engine.createObject(gtMemo)));
        m->createUniqueName(&report);
        m->setBounds(40, y, 400, height);
        m->flags = frflags::WordWrap;
        m->memo = QStringList{text};
        return *m;
    }

    // A sub-report object on page `pg` showing page `target`.
    TfrSubReportView& subReport(int x, int y, int width, int height, int target, int pg = 0) {
        auto* sub = static_cast<TfrSubReportView*>(page(pg).add(engine.createObject(gtSubReport)));
        sub->createUniqueName(&report);
        sub->setBounds(x, y, width, height);
        sub->subPage = target;
        return *sub;
    }

    TfrBuildResult build(TfrBuildOptions options = {}) {
        options.measurer = measurer.get();
        return frBuildReport(report, options);
    }

    // The texts printed on each prepared page, in print order ("a/b" for a
    // memo of two lines).
    std::vector<QStringList> listing() { return listing(report); }
    static std::vector<QStringList> listing(TfrReport& built) {
        std::vector<QStringList> out;
        TfrEMFPages& pages = frPreparedPages(built);
        for (int i = 0; i < pages.count(); ++i) {
            QStringList texts;
            for (const auto& v : pages.loadPage(i).objects())
                texts << textOf(*v);
            pages.releasePage(i);
            out.push_back(texts);
        }
        return out;
    }

    // The texts of all pages in print order.
    static QStringList allTexts(const std::vector<QStringList>& pages) {
        QStringList out;
        for (const QStringList& p : pages)
            out << p;
        return out;
    }

    struct Placed {
        QString text;
        int left, top, width, height;
    };
    std::vector<Placed> placed(int index) { return placed(report, index); }
    static std::vector<Placed> placed(TfrReport& built, int index) {
        std::vector<Placed> out;
        TfrEMFPages& pages = frPreparedPages(built);
        for (const auto& v : pages.loadPage(index).objects())
            out.push_back({textOf(*v), v->left, v->top, v->width, v->height});
        pages.releasePage(index);
        return out;
    }

    static QString textOf(const TfrView& v) {
        QStringList lines;
        for (const QString& line : v.memo)
            lines << frStripLineEnd(line);
        return lines.join(u'/');
    }

    std::shared_ptr<TfrFixedMeasurer> measurer = std::make_shared<TfrFixedMeasurer>(6);
    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TMemTable table{QStringLiteral("DS")};
    TfrMemTableSource source{table};
    TfrDBDataSet frDS{QStringLiteral("frDS")};
    TfrDataRegistry registry{QStringLiteral("frmMain")};
    TfrReport report{engine};
};
