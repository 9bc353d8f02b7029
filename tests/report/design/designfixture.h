#pragma once

// A report with one page on the virtual printer and a design document over
// it, with helpers that place objects as a template would hold them.

#include "common/interaction.h"
#include "report/design/designdoc.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/render/textmeasure.h"

#include <gtest/gtest.h>
#include <memory>

// An add-in the designer puts once on a page.
class TfrOnceView : public TfrView {
public:
    TfrOnceView() { objectType = gtAddIn; }
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo() {
        static const TfrObjectClass c = [] {
            TfrObjectClass c = frAddInClass<TfrOnceView>(QStringLiteral("TfrOnceView"), QStringLiteral("Once"),
                                                         TfrView::classInfo());
            c.flags = TfrObjectClass::OnePerPage;
            return c;
        }();
        return c;
    }
};

class DesignTest : public ::testing::Test {
protected:
    DesignTest() {
        frSetTextMeasurer(engine, std::make_shared<TfrFixedMeasurer>());
        engine.registerClass(TfrOnceView::classInfo());
        report.pages().page(report.pages().add())->name = QStringLiteral("Page1");
        doc = std::make_unique<TfrDesignDocument>(report, true);
    }

    TfrPage& page(int i = 0) { return *report.pages().page(i); }

    TfrMemoView& memo(const QString& name, int l, int t, int w, int h, int pageIndex = 0) {
        auto v = engine.createObject(gtMemo);
        v->setName(name);
        v->setBounds(l, t, w, h);
        v->memo = QStringList{name};
        return static_cast<TfrMemoView&>(*page(pageIndex).add(std::move(v)));
    }
    TfrBandView& band(const QString& name, int type, int top, int height, int pageIndex = 0) {
        auto v = engine.createObject(gtBand);
        v->setName(name);
        auto& b = static_cast<TfrBandView&>(*v);
        b.setBandType(type);
        b.setBounds(0, top, 760, height);
        return static_cast<TfrBandView&>(*page(pageIndex).add(std::move(v)));
    }
    TfrSubReportView& subReport(const QString& name, int subPage, int pageIndex = 0) {
        auto v = engine.createObject(gtSubReport);
        v->setName(name);
        v->setBounds(10, 10, 100, 40);
        auto& s = static_cast<TfrSubReportView&>(*page(pageIndex).add(std::move(v)));
        s.subPage = subPage;
        return s;
    }
    TfrView* find(const QString& name) { return report.findObject(name); }
    static TfrBox box(const TfrView* v) { return TfrBox{v->left, v->top, v->width, v->height}; }

    void select(std::initializer_list<const char*> names) {
        QStringList list;
        for (const char* n : names)
            list << QString::fromLatin1(n);
        ASSERT_TRUE(doc->selectNames(list)) << doc->refusal().toStdString();
    }

    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TfrReport report{engine};
    std::unique_ptr<TfrDesignDocument> doc;
};

inline std::ostream& operator<<(std::ostream& os, const TfrBox& b) {
    return os << "(" << b.left << ", " << b.top << ", " << b.width << ", " << b.height << ")";
}
