#include "report/design/designpickers.h"

#include "report/design/designfields.h"
#include "report/expr/functions.h"
#include "report/model/dataset.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// What the field picker remembers for the engine's run.
struct TfrPickerMemory {
    QString lastDataset;
};

// A table or field name as the dictionary lists it: its alias when the
// alias table gives a non-empty one.
QString shownName(const TfrDataDictionary& dictionary, const QString& key) {
    const QString alias = dictionary.aliases.get(key).toString();
    return alias.isEmpty() ? key : alias;
}

} // namespace

QString frExpressionOperand(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Z0-9._]+$"));
    return plain.match(name.toUpper()).hasMatch() ? name : u'[' + name + u']';
}

QString frFieldReference(TfrReport& report, const QString& dataset, const QString& field) {
    const TfrDataDictionary& dictionary = report.dictionary();
    QString realDataset = dataset;
    QString realField = field;
    TfrTableSource* table = nullptr;
    for (TfrTableSource* t : report.dataRegistry().tables())
        if (sameName(shownName(dictionary, t->name()), dataset)) {
            table = t;
            realDataset = t->name();
            break;
        }
    if (table)
        for (const QString& f : table->fieldNamesOrEmpty())
            if (sameName(shownName(dictionary, realDataset + u'.' + f), field)) {
                realField = f;
                break;
            }
    return frFieldReference(realDataset, realField);
}

QString& frLastPickedDataset(TfrEngine& engine) { return engine.state<TfrPickerMemory>().lastDataset; }

QString frSystemVariablesCategory() { return QStringLiteral("Системные переменные"); }

QStringList frSystemVariableNames() {
    QStringList names;
    for (const QString& n : TfrDataDictionary::oldBuiltInNames())
        if (!n.isEmpty())
            names << n;
    return names;
}

QStringList frVariableCategories(const TfrDataDictionary& dictionary) {
    QStringList categories = dictionary.categoryList();
    if (!categories.contains(frSystemVariablesCategory(), Qt::CaseInsensitive))
        categories << frSystemVariablesCategory();
    return categories;
}

QStringList frVariablesOf(const TfrDataDictionary& dictionary, const QString& category) {
    // A dictionary category of the same name as the built-in one comes first.
    if (dictionary.categoryList().contains(category, Qt::CaseInsensitive))
        return dictionary.variablesOf(category);
    return category == frSystemVariablesCategory() ? frSystemVariableNames() : QStringList();
}

QString frFunctionSyntax(const QString& description) { return description.section(u'/', 0, 0).trimmed(); }

QString frFunctionExplanation(const QString& description) {
    const qsizetype slash = description.indexOf(u'/');
    return slash < 0 ? QString() : description.mid(slash + 1).trimmed();
}

int frFunctionArgumentCount(const QString& syntax) {
    // An argument list follows the name: "NOT <Значение>" and
    // "<Число1> MOD <Число2>" have none.
    static const QRegularExpression call(QStringLiteral("^\\s*[A-Za-z_][A-Za-z0-9_#]*\\s*\\("));
    const QRegularExpressionMatch m = call.match(syntax);
    if (!m.hasMatch())
        return 0;
    const qsizetype open = m.capturedEnd() - 1;
    const qsizetype close = syntax.lastIndexOf(u')');
    const QStringView list = close > open ? QStringView(syntax).mid(open + 1, close - open - 1)
                                          : QStringView(syntax).mid(open + 1);
    return std::min<int>(3, 1 + int(list.count(u',')));
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

QStringList frFunctionCategories(TfrEngine& engine) { return engine.state<TfrFunctionRegistry>().installed().categories(); }

QStringList frFunctionsOf(TfrEngine& engine, const QString& category) {
    return engine.state<TfrFunctionRegistry>().installed().functions(category);
}

QString frFunctionDescription(TfrEngine& engine, const QString& name) {
    return engine.state<TfrFunctionRegistry>().installed().description(name);
}
