#include "report/design/designoptions.h"

#include "common/interaction.h"
#include "common/numformat.h"
#include "common/rounding.h"
#include "report/design/designdoc.h"
#include "report/model/dataset.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/printer.h"
#include "report/model/report.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// Lengths and paper sides entered, at most (millimetres).
constexpr double kMaxMillimetres = 10000.0;
// Page columns, at most.
constexpr int kMaxColumns = 1000;

std::optional<double> millimetres(const QString& text) {
    const std::optional<double> v = numfmt::parseFloat(text.trimmed());
    if (!v || !std::isfinite(*v) || *v < 0 || *v > kMaxMillimetres)
        return std::nullopt;
    return v;
}

QString twoDecimals(double value) { return numfmt::formatFloat(std::nearbyint(value * 100.0) / 100.0); }

// What the page options change of a page.
auto pageState(const TfrPage& p) {
    return std::make_tuple(p.pSize, p.pWidth, p.pHeight, p.orientation, p.bin, p.margins, p.columnGap, p.useMargins,
                           p.printToPrevPage, p.columns);
}

auto reportState(const TfrReport& r) {
    const TfrReportInfo& i = r.info;
    return std::make_tuple(r.printerName, r.keepDefaultPrinter, r.doublePassReport, i.name, i.author, i.comment,
                           i.versionMajor, i.versionMinor, i.versionRelease, i.versionBuild, i.passwordProtected,
                           i.password);
}

} // namespace

// ---------------------------------------------------------------- page options

QString frMillimetresText(std::int32_t pixels) { return twoDecimals(pixels * 5.0 / 18.0); }

std::optional<std::int32_t> frMillimetresToPixels(const QString& text) {
    const std::optional<double> mm = millimetres(text);
    if (!mm)
        return std::nullopt;
    return roundHalfEven(*mm * 18.0 / 5.0);
}

TfrPageOptions frPageOptionsOf(const TfrDesignDocument& doc) {
    const TfrPage& p = doc.page();
    TfrPageOptions o;
    o.paperSize = p.pSize;
    o.width = twoDecimals(p.pWidth / 10.0);
    o.height = twoDecimals(p.pHeight / 10.0);
    o.orientation = p.orientation;
    o.bin = p.bin;
    o.marginLeft = frMillimetresText(p.margins.left);
    o.marginTop = frMillimetresText(p.margins.top);
    o.marginRight = frMillimetresText(p.margins.right);
    o.marginBottom = frMillimetresText(p.margins.bottom);
    o.columnGap = frMillimetresText(p.columnGap);
    o.stretchToPrintable = p.stretchToPrintable();
    o.printToPrevPage = p.printToPrevPage;
    o.columns = QString::number(p.columns);
    o.unlimitedHeight = doc.settings().unlimitedHeight;
    return o;
}

bool frApplyPageOptions(TfrDesignDocument& doc, const TfrPageOptions& o, QString* error) {
    TfrPage& p = doc.page();
    const auto before = pageState(p);
    const auto finish = [&] {
        if (pageState(p) != before)
            doc.setModified(true);
    };

    // Margins and gap: one entry that is not a number clears them all.
    const std::optional<std::int32_t> values[] = {frMillimetresToPixels(o.marginLeft), frMillimetresToPixels(o.marginTop),
                                                  frMillimetresToPixels(o.marginRight),
                                                  frMillimetresToPixels(o.marginBottom), frMillimetresToPixels(o.columnGap)};
    const bool numbers = std::all_of(std::begin(values), std::end(values), [](const auto& v) { return v.has_value(); });
    p.margins = numbers ? TfrMargins{*values[0], *values[1], *values[2], *values[3]} : TfrMargins{};
    p.columnGap = numbers ? *values[4] : 0;
    p.setStretchToPrintable(o.stretchToPrintable);
    p.printToPrevPage = o.printToPrevPage;
    doc.settings().unlimitedHeight = o.unlimitedHeight;

    const QString columnsText = o.columns.trimmed();
    const std::optional<std::int32_t> columns = numfmt::parseInt(columnsText);
    if (!columns || *columns < 0 || *columns > kMaxColumns) {
        if (error)
            *error = !columns ? QStringLiteral("'%1' is not a valid integer value").arg(o.columns)
                              : QStringLiteral("Число колонок должно быть от 0 до %1").arg(kMaxColumns);
        finish();
        return false;
    }
    p.columns = *columns;

    // The paper: a size of one's own in millimetres, or a paper of the list.
    std::int32_t size = o.paperSize, width = p.pWidth, height = p.pHeight;
    if (size == frPaperCustom) {
        const std::optional<double> w = millimetres(o.width), h = millimetres(o.height);
        if (w && h && *w > 0 && *h > 0) {
            width = roundHalfEven(*w * 10.0);
            height = roundHalfEven(*h * 10.0);
        } else {
            size = frPaperA4;
        }
    }
    const std::int32_t orientation = o.orientation == poLandscape ? poLandscape : poPortrait;
    p.changePaper(size, width, height, o.bin, orientation);
    finish();
    return true;
}

// ---------------------------------------------------------------- report options

TfrReportOptions frReportOptionsOf(const TfrReport& report) {
    TfrReportOptions o;
    o.printerIndex = report.engine().printer().printerIndex();
    o.chooseAtOpen = !report.keepDefaultPrinter;
    o.doublePass = report.doublePassReport;
    const TfrReportInfo& i = report.info;
    o.name = i.name;
    o.author = i.author;
    o.comment = i.comment;
    o.versionMajor = i.versionMajor;
    o.versionMinor = i.versionMinor;
    o.versionRelease = i.versionRelease;
    o.versionBuild = i.versionBuild;
    o.protect = i.passwordProtected;
    return o;
}

std::optional<QString> frAskNewPassword(const TfrPasswordAsk& ask) {
    if (!ask)
        return std::nullopt;
    const QString caption = QStringLiteral("Пароль");
    const std::optional<QString> first = ask(caption, QStringLiteral("Введите пароль для открытия отчета"));
    if (!first)
        return std::nullopt;
    const std::optional<QString> second = ask(caption, QStringLiteral("Повторите пароль для проверки"));
    if (!second || *second != *first)
        return std::nullopt;
    return first;
}

bool frApplyReportOptions(TfrDesignDocument& doc, const TfrReportOptions& o, const TfrPasswordAsk& ask) {
    TfrReport& report = doc.report();
    const auto before = reportState(report);
    bool printerSet = true;
    TfrPrinter& printer = report.engine().printer();
    if (o.printerIndex >= 0 && o.printerIndex < printer.printers().size() && o.printerIndex != printer.printerIndex()) {
        printerSet = report.selectPrinter(o.printerIndex);
        if (!printerSet)
            report.engine().interaction().showError(frPrinterSetupFailedText());
    }
    report.keepDefaultPrinter = !o.chooseAtOpen;
    report.doublePassReport = o.doublePass;
    TfrReportInfo& i = report.info;
    i.name = o.name;
    i.author = o.author;
    i.comment = o.comment;
    i.versionMajor = o.versionMajor;
    i.versionMinor = o.versionMinor;
    i.versionRelease = o.versionRelease;
    i.versionBuild = o.versionBuild;

    if (o.protect && (o.newPassword || !i.passwordProtected)) {
        std::optional<QString> password = o.newPassword;
        if (!password) {
            const TfrPasswordAsk interactive = ask ? ask : [&report](const QString& caption, const QString& prompt) {
                return report.engine().interaction().inputBox(caption, prompt, QString());
            };
            password = frAskNewPassword(interactive);
        }
        if (password) {
            i.password = *password;
            i.passwordProtected = true;
        } else {
            i.passwordProtected = false;
        }
    } else if (!o.protect) {
        i.passwordProtected = false;
    }
    if (!i.passwordProtected)
        i.password.clear();
    if (reportState(report) != before)
        doc.setModified(true);
    return printerSet;
}

// ---------------------------------------------------------------- dictionary

bool frSameVariables(const TfrVariables& a, const TfrVariables& b) {
    if (a.count() != b.count())
        return false;
    for (int i = 0; i < a.count(); ++i)
        if (a.name(i) != b.name(i) || a.value(i).toString() != b.value(i).toString())
            return false;
    return true;
}

TfrDictionaryEditor::TfrDictionaryEditor(TfrReport& report) {
    const TfrDataDictionary& d = report.dictionary();
    variables.assign(d.variables);
    aliases.assign(d.aliases);
    bandSources.assign(d.bandSources);
    tables = report.dataRegistry().tableNames();
    datasets = report.dataRegistry().datasetNames();
}

int TfrDictionaryEditor::freeNumber(const QString& prefix) const {
    for (int n = 1; n <= maxNumber; ++n)
        if (variables.indexOf(prefix + QString::number(n)) < 0)
            return n;
    return -1;
}

int TfrDictionaryEditor::addCategory() {
    const int n = freeNumber(QStringLiteral(" Category"));
    if (n < 0 || variables.count() >= maxEntries)
        return -1;
    const int at = variables.count();
    variables.insert(at, QStringLiteral(" Category") + QString::number(n));
    variables.setValue(at, TVariant(QString()));
    return at;
}

int TfrDictionaryEditor::endOfCategory(int selected) const {
    if (selected < 0 || selected >= variables.count())
        return variables.count();
    int j = selected + 1;
    while (j < variables.count() && !isCategory(variables.name(j)) && !variables.name(j).isEmpty())
        ++j;
    return j;
}

int TfrDictionaryEditor::addVariable(int selected) {
    const int n = freeNumber(QStringLiteral("Variable"));
    if (n < 0 || variables.count() >= maxEntries)
        return -1;
    const int at = endOfCategory(selected);
    variables.insert(at, QStringLiteral("Variable") + QString::number(n));
    variables.setValue(at, TVariant(QString()));
    return at;
}

bool TfrDictionaryEditor::renameEntry(int index, const QString& name) {
    if (index < 0 || index >= variables.count())
        return false;
    const QString bare = name.trimmed();
    if (bare.isEmpty())
        return false;
    const QString stored = isCategory(variables.name(index)) ? u' ' + bare : bare;
    const int other = variables.indexOf(stored);
    if (other >= 0 && other != index)
        return false;
    variables.setName(index, stored);
    return true;
}

void TfrDictionaryEditor::removeEntry(int index) {
    if (index < 0 || index >= variables.count())
        return;
    const int end = isCategory(variables.name(index)) ? endOfCategory(index) : index + 1;
    for (int i = end - 1; i >= index; --i)
        variables.remove(i);
}

void TfrDictionaryEditor::offerAll(TfrVariables& list, const QStringList& names) {
    if (!list.isEmpty())
        return;
    for (const QString& n : names)
        list.append(n, TVariant(QString()));
}

void TfrDictionaryEditor::dropIfAllOffered(TfrVariables& list, const QStringList& names) {
    for (const TfrVariables::Entry& e : list.entries())
        if (e.name.contains(u'.') || !e.value.toString().isEmpty())
            return;
    for (const QString& n : names)
        if (!list.contains(n))
            return;
    list.clear();
}

namespace {

QString aliasKey(const QString& table, const QString& field) {
    return field.isEmpty() ? table : table + u'.' + field;
}

} // namespace

void TfrDictionaryEditor::setAlias(const QString& table, const QString& field, const QString& alias) {
    const QString key = aliasKey(table, field);
    if (alias.isEmpty()) {
        // A table keeps its entry (shown by its name) while the list holds
        // others; a field goes back to its own name.
        if (field.isEmpty() && aliases.contains(key))
            aliases.set(key, TVariant(QString()));
        else
            aliases.remove(aliases.indexOf(key));
    } else {
        if (aliases.count() >= maxEntries && !aliases.contains(key))
            return;
        offerAll(aliases, tables);
        aliases.set(key, TVariant(alias));
    }
    dropIfAllOffered(aliases, tables);
}

QString TfrDictionaryEditor::alias(const QString& table, const QString& field) const {
    return aliases.get(aliasKey(table, field)).toString();
}

void TfrDictionaryEditor::setExcluded(const QString& table, const QString& field, bool excluded) {
    if (field.isEmpty())
        return;
    const QString key = aliasKey(table, field);
    if (excluded) {
        if (aliases.count() >= maxEntries && !aliases.contains(key))
            return;
        offerAll(aliases, tables);
        aliases.set(key, TVariant(QString()));
    } else if (isExcluded(table, field)) {
        aliases.remove(aliases.indexOf(key));
    }
    dropIfAllOffered(aliases, tables);
}

bool TfrDictionaryEditor::isExcluded(const QString& table, const QString& field) const {
    const int i = aliases.indexOf(aliasKey(table, field));
    return !field.isEmpty() && i >= 0 && aliases.value(i).toString().isEmpty();
}

void TfrDictionaryEditor::setBandSourceAlias(const QString& dataset, const QString& alias) {
    if (alias.isEmpty()) {
        if (bandSources.contains(dataset))
            bandSources.set(dataset, TVariant(QString()));
    } else {
        if (bandSources.count() >= maxEntries && !bandSources.contains(dataset))
            return;
        offerAll(bandSources, datasets);
        bandSources.set(dataset, TVariant(alias));
    }
    dropIfAllOffered(bandSources, datasets);
}

QString TfrDictionaryEditor::bandSourceAlias(const QString& dataset) const {
    return bandSources.get(dataset).toString();
}

bool TfrDictionaryEditor::setBandSourceExcluded(const QString& dataset, bool excluded) {
    if (excluded == isBandSourceExcluded(dataset))
        return true;
    if (excluded) {
        offerAll(bandSources, datasets);
        if (bandSources.count() <= 1)
            return false; // an empty list would offer every dataset again
        bandSources.remove(bandSources.indexOf(dataset));
    } else {
        if (bandSources.count() >= maxEntries)
            return false;
        bandSources.set(dataset, TVariant(QString()));
    }
    dropIfAllOffered(bandSources, datasets);
    return true;
}

bool TfrDictionaryEditor::isBandSourceExcluded(const QString& dataset) const {
    return !bandSources.isEmpty() && !bandSources.contains(dataset);
}

QString TfrDictionaryEditor::itemText(const QString& name, const QString& alias) {
    return alias.isEmpty() ? name : name + QStringLiteral(" {") + alias + u'}';
}

void TfrDictionaryEditor::apply(TfrDesignDocument& doc) const {
    TfrDataDictionary& d = doc.report().dictionary();
    if (frSameVariables(d.variables, variables) && frSameVariables(d.aliases, aliases) &&
        frSameVariables(d.bandSources, bandSources))
        return;
    d.variables.assign(variables);
    d.aliases.assign(aliases);
    d.bandSources.assign(bandSources);
    d.clearCache();
    doc.setModified(true);
}
