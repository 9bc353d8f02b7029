#pragma once

// What the designer's report-options, page-options and dictionary dialogs do
// with the values entered, without their windows.
//
// These dialogs change the report, a page's paper or the dictionary, none of
// which the designer's undo (copies of objects by ObjectId) can hold: on OK
// they mark the report modified and record no undo entry.

#include "report/model/variables.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

class TfrDataDictionary;
class TfrDesignDocument;
class TfrPage;
class TfrReport;

// ---------------------------------------------------------------- page options

// The values of "Параметры страницы" as entered: paper, custom size, margins,
// gap and columns as texts (millimetres, column count), the rest as chosen.
struct TfrPageOptions {
    std::int32_t paperSize = 9;   // a code of the printer's paper list; 256: a size of one's own
    QString width, height;        // the custom size in millimetres
    std::int32_t orientation = 0; // 0 portrait, 1 landscape
    std::int32_t bin = 0xFFFF;    // paper source code (0xFFFF or -1: the printer's default)
    QString marginLeft, marginTop, marginRight, marginBottom; // millimetres
    QString columnGap;                                        // millimetres
    bool stretchToPrintable = false; // "&Растянуть на область печати"
    bool printToPrevPage = false;    // "Печать на предыдущем &листе"
    QString columns;
    bool unlimitedHeight = false; // "&Неограниченная высота" (a designer setting)
};

// The values the dialog opens with: the current page's paper and the
// designer's setting, lengths in millimetres (two decimals at most).
TfrPageOptions frPageOptionsOf(const TfrDesignDocument& document);

// A length in millimetres as the page-options dialog shows it, and the
// pixels an entry stands for (x 18 / 5, rounded; nothing for an entry that is
// not a number from 0 to 10000).
QString frMillimetresText(std::int32_t pixels);
std::optional<std::int32_t> frMillimetresToPixels(const QString& text);

// OK of the page options on the current page, in this order: margins and gap
// (one entry that is not a number sets all four margins and the gap to 0),
// stretch, print on previous page, the unlimited-height setting, columns,
// then the paper through the page's change paper (a custom width or height
// that is not a number selects paper 9). A column count that is not an
// integer stops there: the error goes to `error`, the paper is not applied,
// the values taken before it stay, and the result is false. The report is
// marked modified when anything changed.
bool frApplyPageOptions(TfrDesignDocument& document, const TfrPageOptions& options, QString* error = nullptr);

// ---------------------------------------------------------------- report options

// The values of "Параметры отчета".
struct TfrReportOptions {
    int printerIndex = -1;             // in the printer list; -1 keeps the printer
    bool chooseAtOpen = true;          // "&Выбирать при открытии отчета": not KeepDefaultPrinter
    bool doublePass = false;           // "Делать два &прохода"
    QString name, author, comment;
    QString versionMajor, versionMinor, versionRelease, versionBuild;
    bool protect = false;              // "Защита паролем"
    // The password confirmed when protection was switched on in the dialog.
    std::optional<QString> newPassword;
};

TfrReportOptions frReportOptionsOf(const TfrReport& report);

// Asks for a password with a prompt text; nothing when cancelled.
using TfrPasswordAsk = std::function<std::optional<QString>(const QString& caption, const QString& prompt)>;

// The password dialog's questions when protection is switched on: "Введите
// пароль для открытия отчета", then "Повторите пароль для проверки", both
// captioned "Пароль". The password when both were answered alike; nothing
// otherwise (the second is not asked when the first is cancelled).
std::optional<QString> frAskNewPassword(const TfrPasswordAsk& ask);

// OK of the report options: the printer through the report's select printer
// (a printer that cannot be set up is told through the engine's interaction
// and the previous one stays), KeepDefaultPrinter, two passes, the report
// information, and protection: a `newPassword` protects the report with it;
// switched on without one for a report that was not protected, `ask` (the
// engine's interaction when empty) is asked for the password twice;
// only a confirmed password protects the report, and whenever protection ends
// up off the password is cleared. The report is marked modified when
// anything changed. Returns false when the chosen printer could not be set.
bool frApplyReportOptions(TfrDesignDocument& document, const TfrReportOptions& options, const TfrPasswordAsk& ask = {});

// ---------------------------------------------------------------- dictionary

// The dictionary editor's working copies of the variables, aliases and band
// sources: nothing reaches the dictionary before apply().
//
// Both alias lists offer only the tables (report datasets) they name once
// they hold any entry. The editor keeps every table offered that was offered
// before: the first entry it adds brings an entry with an empty alias (shown
// by its own name) for every other table of the application, and lists left
// with nothing but such entries for all tables are emptied again.
class TfrDictionaryEditor {
public:
    explicit TfrDictionaryEditor(TfrReport& report);

    TfrVariables variables, aliases, bandSources;
    // The application's tables and report datasets, by name.
    QStringList tables, datasets;

    // The most new categories and variables numbered: Category1 ... Category1000.
    static constexpr int maxNumber = 1000;
    // The most entries a list takes.
    static constexpr int maxEntries = 100000;

    // "Новая категория": " Category" + the first free n, appended; returns its
    // index, -1 when no number is free.
    int addCategory();
    // "Новая переменная": "Variable" + the first free n with an empty value at
    // the end of the category the entry `selected` belongs to (before the
    // next category), or at the end of the list when nothing is selected;
    // returns its index, -1 when no number is free.
    int addVariable(int selected = -1);
    // Where a new variable goes for a selected entry.
    int endOfCategory(int selected) const;

    // Renames an entry; a category keeps its leading space. False when the
    // name is empty or taken by another entry.
    bool renameEntry(int index, const QString& name);
    // Removes a variable, or a category with its variables.
    void removeEntry(int index);
    static bool isCategory(const QString& name) { return name.startsWith(u' '); }

    // "Данные из БД": the alias of a table (`field` empty) or of a field of it
    // (an empty text removes it); excluding a field stores an empty alias,
    // including it again removes the entry.
    void setAlias(const QString& table, const QString& field, const QString& alias);
    QString alias(const QString& table, const QString& field = QString()) const;
    void setExcluded(const QString& table, const QString& field, bool excluded);
    bool isExcluded(const QString& table, const QString& field) const;

    // "Источники данных для бэндов": the alias of a report dataset (an empty
    // text: shown by its name), and whether it is offered at all (the last
    // one offered cannot be excluded: false).
    void setBandSourceAlias(const QString& dataset, const QString& alias);
    QString bandSourceAlias(const QString& dataset) const;
    bool setBandSourceExcluded(const QString& dataset, bool excluded);
    bool isBandSourceExcluded(const QString& dataset) const;

    // An item as the lists show it: the name, and the alias in braces when
    // there is one.
    static QString itemText(const QString& name, const QString& alias);

    // OK: the copies replace the dictionary's lists (its field cache is
    // emptied) and the report is marked modified when they differ.
    void apply(TfrDesignDocument& document) const;

private:
    int freeNumber(const QString& prefix) const;
    // Before a list gets its first entry: every known name gets an entry with
    // an empty alias (keys without a period only for the alias table).
    static void offerAll(TfrVariables& list, const QStringList& names);
    // A list of nothing but empty aliases of all known names is emptied.
    static void dropIfAllOffered(TfrVariables& list, const QStringList& names);
};

// Whether two name/value lists hold the same entries in the same order
// (names compared exactly, values as text).
bool frSameVariables(const TfrVariables& a, const TfrVariables& b);
