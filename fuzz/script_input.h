#pragma once

// One input of the script fuzzer, also replayed by the expression tests for
// every input the fuzzer found harmful (tests/report/expr/data/fuzz-script).
//
// The input is code page 1251 script text. It is compiled; compiled code is
// split for aggregate calls and run twice with a small step budget: once as
// the script of object Memo1 inside a build (so bare property names, CURY,
// NEWPAGE and the like reach something), once outside a build. Every failure
// must be an Exception.

#include "expr_input.h"
#include "report/expr/interpreter.h"
#include "report/model/page.h"

namespace frfuzz {

// Code lines one run may execute.
constexpr std::int64_t scriptStepBudget = 20000;

inline void runScriptInput(World& world, QByteArrayView input) {
    const QStringList source = cp1251::decode(input).split(QChar(u'\n'));
    world.engine.globalVariables().clear();
    world.report.dictionary().variables.clear();
    world.report.dictionary().clearCache();
    world.report.dictionary().variables.set(QStringLiteral("V1"), TVariant(QStringLiteral("[Qty] * 2")));
    world.ui.inputs.clear();
    world.ui.messages.clear();
    world.ui.prompts.clear();

    // A fresh report page per input, so nothing an earlier script did to the
    // objects accumulates.
    world.report.pages().clear();
    TfrPage& page = *world.report.pages()[world.report.pages().add()];
    auto memo = std::make_unique<TfrMemoView>();
    TfrMemoView* m = memo.get();
    m->setName(QStringLiteral("Memo1"));
    m->memo = QStringList{QStringLiteral("[Name]")};
    page.add(std::move(memo));

    TfrExprState state;
    TfrExprBand band;
    band.type = btMasterData;
    band.name = QStringLiteral("MasterData1");
    state.currentBand = &band;
    state.currentObject = m;
    state.showProgress = [](const QString&) {};
    state.setModalResult = [](std::int32_t) {};
    TfrExprContext ctx(world.report, &state);
    TInterpretator interpreter(ctx);
    interpreter.stepBudget = scriptStepBudget;
    int asked = 0;
    interpreter.cancelRequested = [&] { return ++asked > 4; };

    QStringList code, errors;
    if (!interpreter.prepareCode(source, code, errors))
        return;
    guarded([&] {
        QStringList found;
        TfrInterpretator::splitCode(code, {QStringLiteral("SUM"), QStringLiteral("COUNT")},
                                    &world.report.dictionary().variables, found);
    });
    guarded([&] { interpreter.runCode(code); });
    ctx.setBuild(nullptr);
    guarded([&] { interpreter.runCode(code); });
}

} // namespace frfuzz
