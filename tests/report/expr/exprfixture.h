#pragma once

#include "common/interaction.h"
#include "report/expr/context.h"
#include "report/memdata/mainreport.h"
#include "report/model/dataset.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "table/memtable.h"

#include <gtest/gtest.h>

// An engine, a report over a small table "DS" (Name, Qty, Price) behind the
// report dataset frDS, recorded user interaction and an expression context.
class ExprTest : public ::testing::Test {
public:
    ExprTest() {
        table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 30);
        table.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        table.addFieldDef(QStringLiteral("Price"), TFieldType::Float);
        table.open();
        addRecord(QStringLiteral("Насос"), 3, 1234.5);
        addRecord(QStringLiteral("Клапан"), 5, 0.25);
        table.first();
        installExpressionEvaluator(engine);
    }

    void addRecord(const QString& name, int qty, double price) {
        table.append();
        table.fieldByName(QStringLiteral("Name")).setAsString(name);
        table.fieldByName(QStringLiteral("Qty")).setAsInteger(qty);
        table.fieldByName(QStringLiteral("Price")).setAsFloat(price);
        table.post();
    }

    TVariant eval(const QString& text) { return ctx.evaluate(text); }
    QString text(const QString& expression) { return ctx.evaluate(expression).toString(); }
    // The message of the error an evaluation raises, or "no error".
    QString error(const QString& expression) {
        try {
            ctx.evaluate(expression);
        } catch (const Exception& e) {
            return e.message();
        }
        return QStringLiteral("no error");
    }

    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TMemTable table{QStringLiteral("DS")}, table2{QStringLiteral("DS2")};
    TfrMainReport main{engine, table, table2};
    TfrReport& report = main.report();
    TfrExprState build; // tests that need one hand it to the context
    TfrExprContext ctx{report};
};
