#include "report/design/designpickers.h"

#include "report/expr/functions.h"
#include "report/model/engine.h"

#include <QRegularExpression>

QString frExpressionOperand(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Z0-9._]+$"));
    return plain.match(name.toUpper()).hasMatch() ? name : u'[' + name + u']';
}

QString frFunctionSyntax(const QString& description) { return description.section(u'/', 0, 0).trimmed(); }

QString frFunctionExplanation(const QString& description) {
    const qsizetype slash = description.indexOf(u'/');
    return slash < 0 ? QString() : description.mid(slash + 1).trimmed();
}

int frFunctionArgumentCount(const QString& syntax) {
    // An argument list follows the name: "NOT <Значение>" has none.
    static const QRegularExpression call(QStringLiteral("^\\s*[A-Za-z_][A-Za-z0-9_]*\\s*\\("));
    if (!call.match(syntax).hasMatch())
        return 0;
    return std::min<int>(3, 1 + int(syntax.count(u',')));
}

QString frFunctionCall(const QString& name, const QStringList& arguments) {
    QStringList given;
    for (const QString& a : arguments)
        if (!a.trimmed().isEmpty())
            given << a.trimmed();
    return name + u'(' + given.join(QStringLiteral(", ")) + u')';
}

const std::vector<TfrFunctionDescription>& frFunctionDescriptions(TfrEngine& engine) {
    return engine.state<TfrFunctionRegistry>().installed().entries();
}
