#include "report/design/designcommands.h"

#include "report/design/designdoc.h"
#include "report/design/designeditors.h"
#include "report/design/designfields.h"
#include "report/design/designinspector.h"
#include "report/design/designoptions.h"
#include "report/model/dataset.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/printer.h"

#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <vector>

using frdesign::TfrAlign;
using frdesign::TfrDirection;

namespace {

// Coordinates and distances the commands take.
constexpr int kMaxCoordinate = 1000000;

[[noreturn]] void bad(const QString& text) { throw EDesignCommandSyntax(text); }

int toInt(const QString& word, const QString& command) {
    bool ok = false;
    const int v = word.toInt(&ok);
    if (!ok || v < -kMaxCoordinate || v > kMaxCoordinate)
        bad(QStringLiteral("%1: «%2» - не число от %3 до %4").arg(command, word).arg(-kMaxCoordinate).arg(kMaxCoordinate));
    return v;
}

int keywordIndex(const QString& word, const QStringList& words) {
    for (int i = 0; i < words.size(); ++i)
        if (word.compare(words[i], Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// A band type by number (0-21) or by name ("MasterData", "Master data").
int bandTypeOf(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (ok)
        return n >= btReportTitle && n <= btChild ? n : -1;
    for (int type = btReportTitle; type <= btChild; ++type)
        if (text.compare(frBandName(type), Qt::CaseInsensitive) == 0 ||
            text.compare(frBandBaseName(type), Qt::CaseInsensitive) == 0)
            return type;
    return -1;
}

const QStringList kAlignNames = {QStringLiteral("left"),           QStringLiteral("right"),
                                 QStringLiteral("top"),            QStringLiteral("bottom"),
                                 QStringLiteral("hcenter"),        QStringLiteral("vcenter"),
                                 QStringLiteral("hcenter-window"), QStringLiteral("vcenter-window"),
                                 QStringLiteral("hspread"),        QStringLiteral("vspread")};
const QStringList kHandleNames = {QStringLiteral("tl"), QStringLiteral("t"),  QStringLiteral("tr"),
                                  QStringLiteral("r"),  QStringLiteral("br"), QStringLiteral("b"),
                                  QStringLiteral("bl"), QStringLiteral("l"),  QStringLiteral("group")};
const QStringList kSideNames = {QStringLiteral("right"), QStringLiteral("bottom"), QStringLiteral("left"),
                                QStringLiteral("top"), QStringLiteral("all"), QStringLiteral("none")};
const QStringList kStyleNames = {QStringLiteral("solid"),   QStringLiteral("dash"),       QStringLiteral("dot"),
                                 QStringLiteral("dashdot"), QStringLiteral("dashdotdot"), QStringLiteral("double")};
const QStringList kTextAlignNames = {QStringLiteral("left"), QStringLiteral("right"), QStringLiteral("center"),
                                     QStringLiteral("justify")};
const QStringList kLayoutNames = {QStringLiteral("top"), QStringLiteral("middle"), QStringLiteral("bottom")};
const QStringList kOnOff = {QStringLiteral("off"), QStringLiteral("on")};
const QStringList kArrowNames = {QStringLiteral("left"), QStringLiteral("right"), QStringLiteral("up"),
                                 QStringLiteral("down")};

// A key as "ctrl+left": the modifiers and the key.
struct KeyName {
    Qt::KeyboardModifiers modifiers;
    QString key;
};

KeyName keyOf(const QString& text) {
    KeyName k;
    QStringList parts = text.toLower().split(u'+');
    k.key = parts.takeLast();
    for (const QString& m : parts) {
        if (m == u"ctrl")
            k.modifiers |= Qt::ControlModifier;
        else if (m == u"shift")
            k.modifiers |= Qt::ShiftModifier;
        else if (m == u"alt")
            k.modifiers |= Qt::AltModifier;
        else
            bad(QStringLiteral("key: неизвестная клавиша-модификатор «%1»").arg(m));
    }
    if (keywordIndex(k.key, kArrowNames) < 0 && k.key != u"delete" && k.key != u"enter" && k.key != u"escape")
        bad(QStringLiteral("key: неизвестная клавиша «%1»").arg(k.key));
    return k;
}

// The arguments a command takes: how many, which are numbers, which words.
struct Syntax {
    int minArgs = 0;
    int maxArgs = 0;
    QString usage;
    // Checks the arguments beyond their count (throws EDesignCommandSyntax).
    std::function<void(const QString& name, const QStringList& args)> check;
};

// Numbers at the given argument positions (those present).
std::function<void(const QString&, const QStringList&)> numbers(std::initializer_list<int> positions) {
    std::vector<int> at(positions);
    return [at](const QString& name, const QStringList& args) {
        for (int i : at)
            if (i < args.size())
                toInt(args[i], name);
    };
}

std::function<void(const QString&, const QStringList&)> keyword(int position, const QStringList& words) {
    return [position, words](const QString& name, const QStringList& args) {
        if (position < args.size() && keywordIndex(args[position], words) < 0)
            bad(QStringLiteral("%1: «%2» - ожидается одно из: %3").arg(name, args[position], words.join(u'|')));
    };
}

std::function<void(const QString&, const QStringList&)> all(
    std::initializer_list<std::function<void(const QString&, const QStringList&)>> checks) {
    std::vector<std::function<void(const QString&, const QStringList&)>> list(checks);
    return [list](const QString& name, const QStringList& args) {
        for (const auto& c : list)
            c(name, args);
    };
}

struct NamedSyntax {
    QString name;
    Syntax syntax;
};

// ---- the commands of the dialogs: inserting database fields, page and
// report options, the dictionary.

const QStringList kPlacementWords = {QStringLiteral("horizontal"), QStringLiteral("vertical"),
                                     QStringLiteral("headers"),    QStringLiteral("no-headers"),
                                     QStringLiteral("bands"),      QStringLiteral("no-bands"),
                                     QStringLiteral("no")};
const QStringList kPageKeys = {QStringLiteral("paper"),   QStringLiteral("width"),       QStringLiteral("height"),
                               QStringLiteral("orientation"), QStringLiteral("bin"),     QStringLiteral("margins"),
                               QStringLiteral("gap"),     QStringLiteral("columns"),     QStringLiteral("stretch"),
                               QStringLiteral("prev-page"), QStringLiteral("unlimited-height")};
const QStringList kReportKeys = {QStringLiteral("printer"),  QStringLiteral("choose-printer"), QStringLiteral("two-passes"),
                                 QStringLiteral("name"),     QStringLiteral("author"),         QStringLiteral("comment"),
                                 QStringLiteral("version"),  QStringLiteral("password"),       QStringLiteral("protect")};
const QStringList kDictionaryWords = {QStringLiteral("add-variable"), QStringLiteral("add-category"),
                                      QStringLiteral("alias"), QStringLiteral("exclude"), QStringLiteral("include"),
                                      QStringLiteral("band-source")};

// KEY=VALUE words, each key one of `keys`; throws EDesignCommandSyntax.
std::vector<std::pair<QString, QString>> keyValues(const QString& command, const QStringList& args, const QStringList& keys) {
    std::vector<std::pair<QString, QString>> out;
    for (const QString& a : args) {
        const qsizetype eq = a.indexOf(u'=');
        const QString key = eq < 0 ? a.toLower() : a.left(eq).toLower();
        if (eq <= 0 || keywordIndex(key, keys) < 0)
            bad(QStringLiteral("%1: «%2» - ожидается КЛЮЧ=ЗНАЧЕНИЕ, ключи: %3").arg(command, a, keys.join(u'|')));
        out.emplace_back(key, a.mid(eq + 1));
    }
    return out;
}

bool onOffValue(const QString& command, const QString& key, const QString& value) {
    const int i = keywordIndex(value, kOnOff);
    if (i < 0)
        bad(QStringLiteral("%1: %2=%3 - ожидается on или off").arg(command, key, value));
    return i == 1;
}

void checkOptionWords(const QString& name, const QStringList& args) {
    if (name == u"insert-fields") {
        for (qsizetype i = 2; i < args.size(); ++i) {
            const int w = keywordIndex(args[i], kPlacementWords);
            if (w < 0)
                bad(QStringLiteral("insert-fields: «%1» - ожидается одно из: %2").arg(args[i], kPlacementWords.join(u'|')));
            if (w == 6 && (i + 1 >= args.size() || keywordIndex(args[i + 1], {QStringLiteral("headers"), QStringLiteral("bands")}) < 0))
                bad(QStringLiteral("insert-fields: после no ожидается headers или bands"));
        }
        return;
    }
    if (name == u"page-options") {
        for (const auto& [key, value] : keyValues(name, args, kPageKeys)) {
            if (key == u"orientation" && keywordIndex(value, {QStringLiteral("portrait"), QStringLiteral("landscape")}) < 0)
                bad(QStringLiteral("page-options: orientation=portrait|landscape"));
            if (key == u"margins" && value.split(u',').size() != 4)
                bad(QStringLiteral("page-options: margins=ЛЕВОЕ,ВЕРХНЕЕ,ПРАВОЕ,НИЖНЕЕ"));
            if (key == u"paper" || key == u"bin")
                toInt(value, name);
            if (key == u"stretch" || key == u"prev-page" || key == u"unlimited-height")
                onOffValue(name, key, value);
        }
        return;
    }
    if (name == u"report-options") {
        for (const auto& [key, value] : keyValues(name, args, kReportKeys)) {
            if (key == u"choose-printer" || key == u"two-passes" || key == u"protect")
                onOffValue(name, key, value);
            if (key == u"version" && value.split(u'.').size() > 4)
                bad(QStringLiteral("report-options: version=MAJOR.MINOR.RELEASE.BUILD"));
        }
        return;
    }
    // dictionary
    const int w = keywordIndex(args[0], kDictionaryWords);
    const int counts[] = {4, 2, 3, 2, 2, 3};
    if (w < 0 || args.size() != counts[w])
        bad(QStringLiteral("Ожидается: dictionary add-variable КАТЕГОРИЯ ИМЯ ВЫРАЖЕНИЕ | add-category ИМЯ | "
                           "alias ТАБЛИЦА[.ПОЛЕ] ПСЕВДОНИМ | exclude|include ТАБЛИЦА.ПОЛЕ | band-source НАБОР ПСЕВДОНИМ"));
}

template <class Add> void addOptionCommands(Add& add) {
    add("insert-fields", 2, 6,
        "insert-fields ТАБЛИЦА ПОЛЕ[,ПОЛЕ...] [horizontal|vertical] [headers|no-headers] [bands|no-bands]   "
        "(\"Вставка полей БД\"; по умолчанию horizontal headers bands)",
        checkOptionWords);
    add("page-options", 1, 16,
        "page-options [paper=КОД] [width=ММ height=ММ] [orientation=portrait|landscape] [bin=КОД] "
        "[margins=Л,В,П,Н] [gap=ММ] [columns=N] [stretch=on|off] [prev-page=on|off] [unlimited-height=on|off]   "
        "(\"Параметры страницы\"; размеры в миллиметрах, paper=256 - свой размер)",
        checkOptionWords);
    add("report-options", 1, 16,
        "report-options [printer=НОМЕР|ИМЯ] [choose-printer=on|off] [two-passes=on|off] [name=ТЕКСТ] [author=ТЕКСТ] "
        "[comment=ТЕКСТ] [version=A.B.C.D] [password=ПАРОЛЬ] [protect=off]   (\"Параметры отчета\")",
        checkOptionWords);
    add("dictionary", 2, 4,
        "dictionary add-variable КАТЕГОРИЯ ИМЯ ВЫРАЖЕНИЕ | add-category ИМЯ | alias ТАБЛИЦА[.ПОЛЕ] ПСЕВДОНИМ | "
        "exclude|include ТАБЛИЦА.ПОЛЕ | band-source НАБОР ПСЕВДОНИМ   (\"Словарь данных\"; пустой псевдоним \"\" удаляет)",
        checkOptionWords);
}

bool runInsertFields(TfrDesignDocument& doc, const QStringList& a) {
    TfrFieldPlacement placement;
    for (qsizetype i = 2; i < a.size(); ++i) {
        const QString w = a[i].toLower();
        if (w == u"no") {
            const QString next = a[++i].toLower();
            (next == u"headers" ? placement.headers : placement.bands) = false;
        } else if (w == u"horizontal" || w == u"vertical") {
            placement.horizontal = w == u"horizontal";
        } else if (w == u"headers" || w == u"no-headers") {
            placement.headers = w == u"headers";
        } else {
            placement.bands = w == u"bands";
        }
    }
    return !frInsertFields(doc, a[0], a[1].split(u',', Qt::SkipEmptyParts), placement).empty();
}

bool runPageOptions(TfrDesignDocument& doc, const QStringList& a) {
    TfrPageOptions o = frPageOptionsOf(doc);
    if (doc.page().pageType == ptDialog)
        throw Exception(QStringLiteral("У формы диалога нет параметров страницы"));
    for (const auto& [key, value] : keyValues(QStringLiteral("page-options"), a, kPageKeys)) {
        if (key == u"paper") {
            o.paperSize = value.toInt();
        } else if (key == u"width") {
            o.width = value;
        } else if (key == u"height") {
            o.height = value;
        } else if (key == u"orientation") {
            o.orientation = value.compare(QLatin1String("landscape"), Qt::CaseInsensitive) == 0 ? 1 : 0;
        } else if (key == u"bin") {
            o.bin = value.toInt();
        } else if (key == u"margins") {
            const QStringList m = value.split(u',');
            o.marginLeft = m[0];
            o.marginTop = m[1];
            o.marginRight = m[2];
            o.marginBottom = m[3];
        } else if (key == u"gap") {
            o.columnGap = value;
        } else if (key == u"columns") {
            o.columns = value;
        } else if (key == u"stretch") {
            o.stretchToPrintable = onOffValue(QString(), key, value);
        } else if (key == u"prev-page") {
            o.printToPrevPage = onOffValue(QString(), key, value);
        } else {
            o.unlimitedHeight = onOffValue(QString(), key, value);
        }
    }
    QString error;
    if (!frApplyPageOptions(doc, o, &error))
        throw Exception(error);
    return true;
}

bool runReportOptions(TfrDesignDocument& doc, const QStringList& a) {
    TfrReportOptions o = frReportOptionsOf(doc.report());
    for (const auto& [key, value] : keyValues(QStringLiteral("report-options"), a, kReportKeys)) {
        if (key == u"printer") {
            const QStringList& printers = doc.engine().printer().printers();
            bool number = false;
            const int n = value.toInt(&number);
            o.printerIndex = number ? n - 1 : int(printers.indexOf(value));
            if (o.printerIndex < 0 || o.printerIndex >= printers.size())
                throw Exception(QStringLiteral("Нет принтера «%1»").arg(value));
        } else if (key == u"choose-printer") {
            o.chooseAtOpen = onOffValue(QString(), key, value);
        } else if (key == u"two-passes") {
            o.doublePass = onOffValue(QString(), key, value);
        } else if (key == u"name") {
            o.name = value;
        } else if (key == u"author") {
            o.author = value;
        } else if (key == u"comment") {
            o.comment = value;
        } else if (key == u"version") {
            const QStringList parts = value.split(u'.');
            QString* fields[] = {&o.versionMajor, &o.versionMinor, &o.versionRelease, &o.versionBuild};
            for (qsizetype i = 0; i < 4; ++i)
                *fields[i] = parts.value(i);
        } else if (key == u"password") {
            if (value.isEmpty())
                throw Exception(QStringLiteral("Пустой пароль"));
            o.protect = true;
            o.newPassword = value;
        } else {
            o.protect = onOffValue(QString(), key, value);
        }
    }
    // The command gives its password itself: nothing is asked.
    return frApplyReportOptions(doc, o, [](const QString&, const QString&) { return std::optional<QString>(); });
}

bool runDictionary(TfrDesignDocument& doc, const QStringList& a) {
    TfrDictionaryEditor editor(doc.report());
    const QString w = a[0].toLower();
    if (w == u"add-category") {
        const QString name = u' ' + a[1].trimmed();
        if (a[1].trimmed().isEmpty())
            throw Exception(QStringLiteral("Пустое имя категории"));
        if (editor.variables.contains(name))
            throw Exception(QStringLiteral("Категория «%1» уже есть").arg(a[1]));
        editor.variables.append(name, TVariant(QString()));
    } else if (w == u"add-variable") {
        const QString category = a[1].trimmed(), name = a[2].trimmed();
        if (name.isEmpty() || name.startsWith(u' '))
            throw Exception(QStringLiteral("Недопустимое имя переменной «%1»").arg(a[2]));
        if (const int at = editor.variables.indexOf(name); at >= 0) {
            editor.variables.setValue(at, TVariant(a[3]));
        } else {
            int cat = category.isEmpty() ? -1 : editor.variables.indexOf(u' ' + category);
            if (!category.isEmpty() && cat < 0) {
                editor.variables.append(u' ' + category, TVariant(QString()));
                cat = editor.variables.count() - 1;
            }
            const int at2 = editor.endOfCategory(cat);
            editor.variables.insert(at2, name);
            editor.variables.setValue(at2, TVariant(a[3]));
        }
    } else if (w == u"alias" || w == u"exclude" || w == u"include") {
        const TfrFieldRef ref = frSplitFieldRef(a[1]);
        const QString table = ref.hasDataset ? ref.dataset : ref.field;
        const QString field = ref.hasDataset ? ref.field : QString();
        if (w == u"alias")
            editor.setAlias(table, field, a[2]);
        else if (field.isEmpty())
            throw Exception(QStringLiteral("Исключить можно только поле: ТАБЛИЦА.ПОЛЕ"));
        else
            editor.setExcluded(table, field, w == u"exclude");
    } else {
        editor.setBandSourceAlias(a[1], a[2]);
    }
    editor.apply(doc);
    return true;
}

// The commands in the order --help lists them.
const std::vector<NamedSyntax>& syntaxTable() {
    static const std::vector<NamedSyntax> table = [] {
        std::vector<NamedSyntax> t;
        const QStringList shift = {QStringLiteral("shift")}, alt = {QStringLiteral("alt")};
        auto add = [&t](const char* name, int minArgs, int maxArgs, const char* usage,
                        std::function<void(const QString&, const QStringList&)> check = {}) {
            t.push_back({QString::fromLatin1(name), Syntax{minArgs, maxArgs, QString::fromUtf8(usage), std::move(check)}});
        };
        add("insert", 3, 5, "insert TOOL X Y [W H]   TOOL: text, band:ТИП, picture, subreport, line или класс дополнения",
            [](const QString& name, const QStringList& args) {
                if (args.size() == 4)
                    bad(QStringLiteral("insert: укажите и ширину, и высоту"));
                numbers({1, 2, 3, 4})(name, args);
                const QString tool = args[0];
                if (tool.startsWith(QStringLiteral("band:"), Qt::CaseInsensitive) && bandTypeOf(tool.mid(5)) < 0)
                    bad(QStringLiteral("insert: неизвестный тип секции «%1»").arg(tool.mid(5)));
            });
        add("select", 1, kMaxCommandArguments, "select ИМЯ [ИМЯ ...]   (имена и через запятую)");
        add("select-all", 0, 0, "select-all");
        add("deselect", 0, 0, "deselect");
        add("click", 2, 3, "click X Y [shift]", all({numbers({0, 1}), keyword(2, shift)}));
        add("rubber", 4, 5, "rubber X1 Y1 X2 Y2 [shift]", all({numbers({0, 1, 2, 3}), keyword(4, shift)}));
        add("drag", 2, 3, "drag DX DY [alt]", all({numbers({0, 1}), keyword(2, alt)}));
        add("resize", 3, 4, "resize tl|t|tr|r|br|b|bl|l|group DX DY [alt]",
            all({keyword(0, kHandleNames), numbers({1, 2}), keyword(3, alt)}));
        add("edge", 3, 4, "edge X Y DX [alt]", all({numbers({0, 1, 2}), keyword(3, alt)}));
        add("key", 1, 1, "key [ctrl+|shift+|alt+]left|right|up|down, delete, enter, escape",
            [](const QString&, const QStringList& args) { keyOf(args[0]); });
        add("align", 1, 1, "align left|right|top|bottom|hcenter|vcenter|hcenter-window|vcenter-window|hspread|vspread",
            keyword(0, kAlignNames));
        add("fit-grid", 0, 0, "fit-grid");
        add("grid", 1, 1, "grid 4|8|18", numbers({0}));
        add("grid-align", 1, 1, "grid-align on|off", keyword(0, kOnOff));
        add("delete", 0, 0, "delete");
        add("cut", 0, 0, "cut");
        add("copy", 0, 0, "copy");
        add("paste", 0, 2, "paste [X Y]", [](const QString& name, const QStringList& args) {
            if (args.size() == 1)
                bad(QStringLiteral("paste: укажите X и Y"));
            numbers({0, 1})(name, args);
        });
        add("undo", 0, 0, "undo");
        add("redo", 0, 0, "redo");
        add("front", 0, 0, "front");
        add("back", 0, 0, "back");
        add("page", 1, 1, "page N", numbers({0}));
        add("add-page", 0, 0, "add-page");
        add("add-dialog", 0, 0, "add-dialog");
        add("delete-page", 0, 1, "delete-page [N]", numbers({0}));
        add("move-page", 2, 2, "move-page FROM TO", numbers({0, 1}));
        add("frame", 1, 2, "frame top|left|bottom|right|all|none [off]",
            all({keyword(0, kSideNames), keyword(1, {QStringLiteral("off")})}));
        add("frame-width", 1, 1, "frame-width N", numbers({0}));
        add("frame-color", 1, 1, "frame-color ЦВЕТ   (clRed, #RRGGBB, число)");
        add("frame-style", 1, 1, "frame-style solid|dash|dot|dashdot|dashdotdot|double", keyword(0, kStyleNames));
        add("fill", 1, 1, "fill ЦВЕТ   (clTransparent - без заливки)");
        add("font", 1, 1, "font ИМЯ");
        add("font-size", 1, 1, "font-size N", numbers({0}));
        add("font-color", 1, 1, "font-color ЦВЕТ");
        add("bold", 0, 1, "bold [off]", keyword(0, {QStringLiteral("off")}));
        add("italic", 0, 1, "italic [off]", keyword(0, {QStringLiteral("off")}));
        add("underline", 0, 1, "underline [off]", keyword(0, {QStringLiteral("off")}));
        add("text-align", 1, 1, "text-align left|right|center|justify", keyword(0, kTextAlignNames));
        add("text-layout", 1, 1, "text-layout top|middle|bottom", keyword(0, kLayoutNames));
        add("vertical-text", 1, 1, "vertical-text on|off", keyword(0, kOnOff));
        add("set", 1, 1, "set [ОБЪЕКТ.]СВОЙСТВО=ЗНАЧЕНИЕ   (без объекта - выделенным объектам; размеры в точках или с единицами: 10mm, 0.5in, 36px)",
            [](const QString&, const QStringList& args) {
                const qsizetype eq = args[0].indexOf(u'=');
                const qsizetype dot = args[0].left(eq).indexOf(u'.');
                if (eq <= 0 || dot == 0 || dot + 1 >= eq)
                    bad(QStringLiteral("set: ожидается [ОБЪЕКТ.]СВОЙСТВО=ЗНАЧЕНИЕ"));
            });
        add("inspect", 1, 1, "inspect СВОЙСТВО=ТЕКСТ   (как в инспекторе объектов: выделенным объектам, размеры в единицах дизайнера)",
            [](const QString&, const QStringList& args) {
                if (args[0].indexOf(u'=') <= 0)
                    bad(QStringLiteral("inspect: ожидается СВОЙСТВО=ТЕКСТ"));
            });
        add("band-source", 2, 2,
            "band-source СЕКЦИЯ ИСТОЧНИК   (данные: число записей, [Нет] или источник из списка; "
            "кросс-данные: ИСТОЧНИК или СЕКЦИЯ=ИСТОЧНИК;...; группа: условие)");
        add("edit", 0, 0, "edit   (вложенный отчёт: показать его страницу)");
        add("list", 0, 0, "list   (объекты текущей страницы; * - выделенные)");
        add("new", 0, 0, "new");
        add("open", 1, 1, "open ФАЙЛ.frf|ФАЙЛ.frd");
        add("save-as", 1, 1, "save-as ФАЙЛ.frf|ФАЙЛ.frt|ФАЙЛ.frd");
        addOptionCommands(add);
        return t;
    }();
    return table;
}

QStringList splitWords(const QString& line) {
    QStringList words;
    QString word;
    bool inWord = false, quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < line.size() && line[i + 1] == u'"') {
                    word += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                word += c;
            }
        } else if (c == u'"') {
            quoted = inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
        if (words.size() > kMaxCommandArguments)
            bad(QStringLiteral("Больше %1 слов в команде").arg(kMaxCommandArguments));
    }
    if (quoted)
        bad(QStringLiteral("Незакрытая кавычка в команде"));
    if (inWord)
        words << word;
    return words;
}

TfrColor colorOf(TfrDesignDocument& doc, const QString& text) {
    if (doc.engine().constants().contains(text) && text.startsWith(QStringLiteral("cl"), Qt::CaseInsensitive))
        return frColorOf(doc.engine().constants().get(text));
    bool ok = false;
    if (text.startsWith(u'#') && text.size() == 7) {
        const std::uint32_t rgb = text.mid(1).toUInt(&ok, 16);
        if (ok)
            return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }
    const std::uint32_t n = text.startsWith(u'$') ? text.mid(1).toUInt(&ok, 16) : text.toUInt(&ok);
    if (ok)
        return n;
    throw Exception(QStringLiteral("Неизвестный цвет «%1»").arg(text));
}

const TfrObjectClass* toolOf(TfrDesignDocument& doc, const QString& name, int* bandType) {
    const QString n = name.toLower();
    if (n == u"text" || n == u"memo")
        return &TfrMemoView::classInfo();
    if (n == u"picture")
        return &TfrPictureView::classInfo();
    if (n == u"subreport")
        return &TfrSubReportView::classInfo();
    if (n == u"line")
        return &TfrLineView::classInfo();
    if (n.startsWith(u"band:")) {
        *bandType = bandTypeOf(name.mid(5));
        return &TfrBandView::classInfo();
    }
    for (const TfrObjectClass* c : doc.engine().addIns())
        if (c->className.compare(name, Qt::CaseInsensitive) == 0 || c->baseName.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

QString listPage(const TfrDesignDocument& doc) {
    QString out;
    const TfrPage& page = doc.page();
    out += QStringLiteral("Страница %1 из %2: %3\n").arg(doc.pageIndex() + 1).arg(doc.pageCount()).arg(page.name);
    for (const auto& v : page.objects()) {
        QString line = doc.isSelected(*v) ? QStringLiteral("* ") : QStringLiteral("  ");
        line += QStringLiteral("%1 %2 %3 %4 %5 %6").arg(v->name(), v->className()).arg(v->left).arg(v->top).arg(v->width).arg(v->height);
        if (const auto* band = frCast<TfrBandView>(v.get()))
            line += QStringLiteral(" [%1]").arg(frBandName(band->bandType()));
        else if (!v->memo.isEmpty())
            line += QStringLiteral(" «%1»").arg(v->memo.front());
        out += line + u'\n';
    }
    return out;
}

bool runKey(TfrDesignDocument& doc, const KeyName& key) {
    const int arrow = keywordIndex(key.key, kArrowNames);
    if (arrow >= 0) {
        const TfrDirection directions[] = {TfrDirection::Left, TfrDirection::Right, TfrDirection::Up, TfrDirection::Down};
        return doc.arrowKey(directions[arrow], key.modifiers);
    }
    if (key.key == u"delete")
        return key.modifiers & Qt::ShiftModifier ? doc.cut() : doc.deleteSelection();
    if (key.key == u"escape") {
        doc.setTool(nullptr);
        return true;
    }
    return doc.editTarget() != nullptr; // enter
}

// The data source dialogs' choice without their windows: a data band takes a
// record count or an entry of its choice list, a cross data band a text read
// as its dialog reads it, a group header its condition.
bool runBandSource(TfrDesignDocument& doc, const QString& name, const QString& text) {
    auto* band = frCast<TfrBandView>(doc.page().findObject(name));
    if (!band)
        throw Exception(QStringLiteral("На странице нет секции %1").arg(name));
    const TfrDataDictionary& dictionary = doc.report().dictionary();
    bool applied = false;
    if (frIsDataBandType(band->bandType())) {
        const TfrBandSource source = frReadBandSource(dictionary, text);
        if (source.entry == frNoSourceEntry() && text != frNoSourceEntry())
            throw Exception(QStringLiteral("Нет источника данных «%1»").arg(text));
        applied = frSetBandSource(doc, *band, source);
    } else if (band->bandType() == btCrossData) {
        const std::vector<TfrBandView*> bands = frCrossListedBands(doc.page());
        if (bands.empty())
            throw Exception(QStringLiteral("На странице нет секций для источников данных"));
        applied = frSetCrossSources(doc, *band, frReadCrossSources(dictionary, bands, text));
    } else if (band->bandType() == btGroupHeader) {
        applied = frSetGroupCondition(doc, *band, text);
    } else {
        throw Exception(QStringLiteral("Секция %1 (%2) не имеет источника данных").arg(name, frBandName(band->bandType())));
    }
    if (!applied)
        throw Exception(QStringLiteral("Ничего не изменилось"));
    return true;
}

bool run(TfrDesignDocument& doc, const TfrDesignCommand& c, QString& output) {
    const QString& n = c.name;
    const QStringList& a = c.args;
    auto num = [&](int i) { return toInt(a[i], n); };
    auto has = [&](int i, const char* word) { return i < a.size() && a[i].compare(QLatin1String(word), Qt::CaseInsensitive) == 0; };
    auto on = [&](int i) { return !has(i, "off"); };
    auto mods = [&](int i, const char* word, Qt::KeyboardModifier m) {
        return has(i, word) ? Qt::KeyboardModifiers(m) : Qt::KeyboardModifiers();
    };
    if (n == u"insert") {
        int bandType = -1;
        const TfrObjectClass* cls = toolOf(doc, a[0], &bandType);
        if (!cls) {
            doc.setTool(nullptr);
            throw Exception(QStringLiteral("Нет инструмента «%1»").arg(a[0]));
        }
        const TfrBox box{num(1), num(2), a.size() > 3 ? num(3) : 0, a.size() > 4 ? num(4) : 0};
        return doc.insertObject(*cls, box, bandType) != nullptr;
    }
    if (n == u"select") {
        QStringList names;
        for (const QString& w : a)
            names += w.split(u',', Qt::SkipEmptyParts);
        return doc.selectNames(names);
    }
    if (n == u"select-all") {
        doc.selectAll();
        return true;
    }
    if (n == u"deselect") {
        doc.clearSelection();
        return true;
    }
    if (n == u"click") {
        const QPoint p(num(0), num(1));
        doc.press(p, mods(2, "shift", Qt::ShiftModifier));
        doc.release(p, mods(2, "shift", Qt::ShiftModifier));
        return true;
    }
    if (n == u"rubber") {
        doc.beginRubber(QPoint(num(0), num(1)));
        doc.release(QPoint(num(2), num(3)), mods(4, "shift", Qt::ShiftModifier));
        if (doc.selectionCount() == 0)
            throw Exception(QStringLiteral("Прямоугольник не задел ни одного объекта"));
        return true;
    }
    if (n == u"drag" || n == u"resize" || n == u"edge") {
        QPoint from;
        int dx = 0, dy = 0;
        Qt::KeyboardModifiers m;
        if (n == u"drag") {
            const TfrView* ref = doc.referenceObject();
            if (!ref)
                throw Exception(QStringLiteral("Нет выделенных объектов"));
            from = QPoint(ref->left, ref->top);
            doc.beginMove(from);
            dx = num(0);
            dy = num(1);
            m = mods(2, "alt", Qt::AltModifier);
        } else if (n == u"resize") {
            const TfrHandle handles[] = {TfrHandle::TopLeft,    TfrHandle::Top,    TfrHandle::TopRight,
                                         TfrHandle::Right,      TfrHandle::BottomRight, TfrHandle::Bottom,
                                         TfrHandle::BottomLeft, TfrHandle::Left,   TfrHandle::Group};
            const TfrHandle h = handles[keywordIndex(a[0], kHandleNames)];
            if (!doc.beginResize(h))
                return false;
            for (const auto& [handle, at] : doc.handles())
                if (handle == h)
                    from = at;
            dx = num(1);
            dy = num(2);
            m = mods(3, "alt", Qt::AltModifier);
        } else {
            if (!doc.beginSharedEdge(QPoint(num(0), num(1))))
                return false;
            from = QPoint(num(0), num(1));
            dx = num(2);
            m = mods(3, "alt", Qt::AltModifier);
        }
        const QPoint to = from + QPoint(dx, dy);
        doc.dragTo(to, m & Qt::AltModifier);
        if (doc.release(to, m) == TfrDesignDocument::Released::Changed)
            return true;
        throw Exception(QStringLiteral("Ничего не изменилось"));
    }
    if (n == u"key")
        return runKey(doc, keyOf(a[0]));
    if (n == u"align")
        return doc.align(TfrAlign(keywordIndex(a[0], kAlignNames)));
    if (n == u"fit-grid")
        return doc.fitToGrid();
    if (n == u"grid")
        return doc.setGridSize(num(0));
    if (n == u"grid-align") {
        doc.settings().gridAlign = has(0, "on");
        return true;
    }
    if (n == u"delete")
        return doc.deleteSelection();
    if (n == u"cut")
        return doc.cut();
    if (n == u"copy")
        return doc.copy();
    if (n == u"paste")
        return doc.paste(a.size() == 2 ? QPoint(num(0), num(1)) : QPoint());
    if (n == u"undo")
        return doc.undo();
    if (n == u"redo")
        return doc.redo();
    if (n == u"front")
        return doc.bringToFront();
    if (n == u"back")
        return doc.sendToBack();
    if (n == u"page")
        return doc.setPage(num(0) - 1);
    if (n == u"add-page")
        return doc.addPage(false);
    if (n == u"add-dialog")
        return doc.addPage(true);
    if (n == u"delete-page")
        return doc.deletePage(a.isEmpty() ? doc.pageIndex() : num(0) - 1);
    if (n == u"move-page")
        return doc.movePage(num(0) - 1, num(1) - 1);
    if (n == u"frame") {
        const int side = keywordIndex(a[0], kSideNames);
        if (side == 4)
            return doc.setFrameAll(on(1));
        if (side == 5)
            return doc.setFrameAll(false);
        const std::uint16_t sides[] = {frftRight, frftBottom, frftLeft, frftTop};
        return doc.setFrameSides(sides[side], on(1));
    }
    if (n == u"frame-width")
        return doc.setFrameWidth(float(num(0)));
    if (n == u"frame-color")
        return doc.setFrameColor(colorOf(doc, a[0]));
    if (n == u"frame-style")
        return doc.setFrameStyle(std::uint16_t(keywordIndex(a[0], kStyleNames)));
    if (n == u"fill")
        return doc.setFillColor(colorOf(doc, a[0]));
    if (n == u"font")
        return doc.setFontName(a[0]);
    if (n == u"font-size")
        return doc.setFontSize(num(0));
    if (n == u"font-color")
        return doc.setFontColor(colorOf(doc, a[0]));
    if (n == u"bold")
        return doc.setFontStyle(fsBold, on(0));
    if (n == u"italic")
        return doc.setFontStyle(fsItalic, on(0));
    if (n == u"underline")
        return doc.setFontStyle(fsUnderline, on(0));
    if (n == u"text-align")
        return doc.setTextAlignment(std::uint32_t(keywordIndex(a[0], kTextAlignNames)));
    if (n == u"text-layout") {
        const std::uint32_t layouts[] = {0, frtaMiddle, frtaDown};
        return doc.setTextLayout(layouts[keywordIndex(a[0], kLayoutNames)]);
    }
    if (n == u"vertical-text")
        return doc.setVerticalText(has(0, "on"));
    if (n == u"set") {
        const qsizetype eq = a[0].indexOf(u'=');
        const QString target = a[0].left(eq);
        const qsizetype dot = target.indexOf(u'.');
        std::vector<TfrView*> views = doc.selection();
        if (dot > 0) {
            TfrView* view = doc.page().findObject(target.left(dot));
            if (!view)
                throw Exception(QStringLiteral("На странице нет объекта %1").arg(target.left(dot)));
            views = {view};
        }
        const QString property = target.mid(dot + 1);
        TVariant value(a[0].mid(eq + 1));
        // A length may name its units; a plain number stays pixels.
        if (const TfrPropRec* rec = views.empty() ? nullptr : views.front()->findProperty(property);
            rec && (rec->kind & frdtSize))
            if (const std::optional<std::int32_t> pixels = frLengthWithUnits(value.toString()))
                value = TVariant(*pixels);
        return doc.setProperty(views, property, value);
    }
    if (n == u"inspect") {
        const qsizetype eq = a[0].indexOf(u'=');
        return frInspectorApply(doc, a[0].left(eq).trimmed(), a[0].mid(eq + 1));
    }
    if (n == u"band-source")
        return runBandSource(doc, a[0], a[1]);
    if (n == u"edit") {
        const int before = doc.pageIndex();
        TfrView* target = doc.editTarget();
        if (!target && doc.pageIndex() != before)
            return true;
        if (target)
            throw Exception(QStringLiteral("Редактор объекта %1 открывается только в окне дизайнера").arg(target->name()));
        return false;
    }
    if (n == u"list") {
        output = listPage(doc);
        return true;
    }
    if (n == u"new") {
        if (doc.preparedPage())
            throw Exception(QStringLiteral("Подготовленную страницу нельзя заменить новым отчётом"));
        doc.newReport();
        return true;
    }
    if (n == u"insert-fields")
        return runInsertFields(doc, a);
    if (n == u"page-options")
        return runPageOptions(doc, a);
    if (n == u"report-options")
        return runReportOptions(doc, a);
    if (n == u"dictionary")
        return runDictionary(doc, a);
    if (n == u"open")
        return doc.open(a[0]);
    if (n == u"save-as")
        return doc.saveAs(a[0], TfrDesignDocument::kindOfFile(a[0]));
    return false;
}

} // namespace

TfrDesignCommand frParseDesignCommand(const QString& line) {
    if (line.size() > kMaxCommandLength)
        bad(QStringLiteral("Команда длиннее %1 символов").arg(kMaxCommandLength));
    const QString trimmed = line.trimmed();
    const qsizetype space = trimmed.indexOf(u' ');
    TfrDesignCommand c;
    c.name = (space < 0 ? trimmed : trimmed.left(space)).toLower();
    if (c.name.isEmpty())
        bad(QStringLiteral("Пустая команда"));
    const auto& table = syntaxTable();
    const auto it = std::find_if(table.begin(), table.end(), [&](const NamedSyntax& e) { return e.name == c.name; });
    if (it == table.end())
        bad(QStringLiteral("Неизвестная команда «%1»").arg(c.name));
    if (c.name == u"set" || c.name == u"inspect") {
        const QString rest = space < 0 ? QString() : trimmed.mid(space + 1).trimmed();
        if (!rest.isEmpty())
            c.args << rest;
    } else {
        c.args = splitWords(space < 0 ? QString() : trimmed.mid(space + 1));
    }
    const Syntax& s = it->syntax;
    if (c.args.size() < s.minArgs || c.args.size() > s.maxArgs)
        bad(QStringLiteral("Ожидается: %1").arg(s.usage));
    if (s.check)
        s.check(c.name, c.args);
    return c;
}

TfrDesignCommandResult frRunDesignCommand(TfrDesignDocument& document, const TfrDesignCommand& command) {
    TfrDesignCommandResult result;
    try {
        result.applied = run(document, command, result.output);
        if (!result.applied)
            result.message = document.refusal();
    } catch (const EDesignCommandSyntax&) {
        throw;
    } catch (const Exception& e) {
        result.applied = false;
        result.message = e.message();
    }
    return result;
}

TfrDesignCommandResult frRunDesignCommand(TfrDesignDocument& document, const QString& line) {
    return frRunDesignCommand(document, frParseDesignCommand(line));
}

QString frDesignCommandHelp() {
    QString out;
    for (const NamedSyntax& e : syntaxTable())
        out += QStringLiteral("    ") + e.syntax.usage + u'\n';
    return out;
}
