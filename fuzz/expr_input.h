#pragma once

// One input of the expression fuzzer, also replayed by the expression tests
// for every input the fuzzer found harmful (tests/report/expr/data/fuzz).
//
// The input is code page 1251 text; NUL bytes separate the main text from up
// to four dictionary variables V1..V4, so that variables using each other are
// explored too. The text goes through conversion to postfix, evaluation (as
// infix and as a postfix string), memo expansion, highlight conditions, the
// aggregate splitter with registration, accumulation and reset, the inline
// formats and the number, date-time and mask formatting. Every failure must be
// an Exception.

#include "common/cp1251.h"
#include "common/interaction.h"
#include "report/expr/aggregates.h"
#include "report/expr/context.h"
#include "report/expr/formats.h"
#include "report/expr/memotext.h"
#include "report/expr/parser.h"
#include "report/memdata/mainreport.h"
#include "report/model/dataset.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/report.h"
#include "table/memtable.h"

#include <QByteArrayView>

namespace frfuzz {

template <class F>
inline void guarded(F&& f) {
    try {
        f();
    } catch (const Exception&) {
    }
}

struct World {
    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TMemTable table{QStringLiteral("DS")}, table2{QStringLiteral("DS2")};
    TfrMainReport main{engine, table, table2};
    TfrReport& report = main.report();
    TfrMemoView memo;

    World() {
        table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 30);
        table.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        table.open();
        table.append();
        table.fieldByName(QStringLiteral("Name")).setAsString(QStringLiteral("Насос"));
        table.fieldByName(QStringLiteral("Qty")).setAsInteger(3);
        table.post();
        table.first();
        memo.setName(QStringLiteral("Memo1"));
        installExpressionEvaluator(engine);
    }
};

inline void runExpressionInput(World& world, QByteArrayView input) {
    const QStringList parts = cp1251::decode(input).split(QChar(0));
    const QString& text = parts[0];
    TfrVariables& vars = world.report.dictionary().variables;
    vars.clear();
    world.report.dictionary().clearCache();
    for (int i = 1; i < parts.size() && i <= 4; ++i)
        vars.set(QStringLiteral("V%1").arg(i), TVariant(parts[i]));
    world.engine.globalVariables().clear();
    world.ui.inputs.clear();
    world.ui.messages.clear();
    world.ui.prompts.clear();

    TfrExprState state;
    TfrExprBand dataBand, footer;
    dataBand.type = btMasterData;
    dataBand.name = QStringLiteral("MasterData1");
    footer.type = btMasterFooter;
    footer.name = QStringLiteral("Footer1");
    state.currentBand = &footer;
    TfrExprContext ctx(world.report, &state);
    ctx.setCurrentObject(&world.memo);

    guarded([&] { TfrParser::convertToPostfix(text); });
    guarded([&] { ctx.evaluate(text); });
    guarded([&] { ctx.evaluatePostfix(text); });
    guarded([&] { frmemo::expandText(ctx, text, &world.memo); });
    guarded([&] { frmemo::highlightApplies(ctx, text); });
    guarded([&] {
        const QStringList calls = fraggregates::callsInLines({text}, &vars);
        fraggregates::registerCalls(ctx, footer, dataBand, calls);
        state.currentBand = &dataBand;
        fraggregates::accumulate(ctx, dataBand);
        state.currentBand = &footer;
        frmemo::expandText(ctx, text, &world.memo);
        fraggregates::reset(footer);
    });
    guarded([&] {
        std::uint32_t code = 0;
        QString formatText;
        if (frmemo::readInlineFormat(text, code, formatText))
            frformats::formatValue(TVariant(1234.5), code, formatText);
    });
    guarded([&] { frformats::formatNumber(text, -1234.5678); });
    guarded([&] { frformats::formatNumber(text, 1e300); });
    guarded([&] { frformats::formatDateTime(text, 36104.75); });
    guarded([&] { frformats::formatMaskText(text, QStringLiteral("12345")); });
}

} // namespace frfuzz
