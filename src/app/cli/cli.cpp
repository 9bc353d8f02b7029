#include "app/cli/cli.h"

#include "app/cli/clisupport.h"
#include "app/cli/editcli.h"
#include "app/cli/exportcli.h"
#include "app/cli/exprcli.h"
#include "app/cli/reportcli.h"
#include "app/cli/scriptcli.h"

#include "app/cli/frpinfo.h"
#include "app/cli/templateinfo.h"
#include "app/version.h"
#include "common/cp1251.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "grid/gridexport.h"
#include "grid/gridrows.h"
#include "report/addins/programaddins.h"
#include "report/design/designcommands.h"
#include "report/model/engine.h"
#include "selection/configaccess/configapi.h"
#include "selection/configaccess/localconfig.h"
#include "selection/selectionengine.h"

#include <QFileInfo>
#include <QTextStream>
#include <map>

namespace {

enum class OutputType { Text, Spreadsheet, Html, Workbook };

struct Options {
    QString server, tm, user, password, settings, save, type;
    bool haveUser = false, havePassword = false;
    QStringList masks;  // "Label=mask"
    QString sort;       // COLUMN[:desc]
    QStringList groups; // COLUMN
};

class BadArguments : public Exception {
public:
    using Exception::Exception;
};

QString takeValue(const QStringList& args, int& i) {
    if (i + 1 >= args.size())
        throw BadArguments(QStringLiteral("%1: не указано значение").arg(args[i]));
    return args[++i];
}

Options parse(const QStringList& args) {
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--server")
            o.server = takeValue(args, i);
        else if (a == u"--tm")
            o.tm = takeValue(args, i);
        else if (a == u"--user") {
            o.user = takeValue(args, i);
            o.haveUser = true;
        } else if (a == u"--password") {
            o.password = takeValue(args, i);
            o.havePassword = true;
        } else if (a == u"--settings")
            o.settings = takeValue(args, i);
        else if (a == u"--mask") {
            const QString spec = takeValue(args, i);
            if (!spec.contains(u'='))
                throw BadArguments(QStringLiteral("--mask: ожидается «Колонка=маска», получено «%1»").arg(spec));
            o.masks << spec;
        } else if (a == u"--sort")
            o.sort = takeValue(args, i);
        else if (a == u"--group")
            o.groups << takeValue(args, i);
        else if (a == u"--save")
            o.save = takeValue(args, i);
        else if (a == u"--type")
            o.type = takeValue(args, i).toLower();
        else
            throw BadArguments(QStringLiteral("Неизвестный параметр «%1» (см. --help)").arg(a));
    }
    if (o.server.isEmpty())
        throw BadArguments(QStringLiteral("Не указан NT-сервер (--server)"));
    if (o.tm.isEmpty())
        throw BadArguments(QStringLiteral("Не указан ТМ-сервер (--tm)"));
    if (o.settings.isEmpty())
        throw BadArguments(QStringLiteral("Не указан файл настроек (--settings)"));
    if (o.save.isEmpty())
        throw BadArguments(QStringLiteral("Не указан файл для записи (--save)"));
    if (o.havePassword && !o.haveUser)
        throw BadArguments(QStringLiteral("--password без --user"));
    // The library takes code page 1251: a character outside it would reach it
    // as "?" and match another password.
    for (const auto& [value, option] : {std::pair{&o.user, "--user"}, std::pair{&o.password, "--password"}})
        if (!cp1251::isRepresentable(*value))
            throw BadArguments(QStringLiteral("%1: символы вне кодовой страницы 1251 недопустимы")
                                   .arg(QLatin1String(option)));
    return o;
}

OutputType outputType(const Options& o) {
    QString type = o.type;
    if (type.isEmpty())
        type = QFileInfo(o.save).suffix().toLower();
    if (type == u"tab" || type == u"txt")
        return OutputType::Text;
    if (type == u"xls")
        return OutputType::Spreadsheet;
    if (type == u"htm" || type == u"html")
        return OutputType::Html;
    if (type == u"xlsx")
        return OutputType::Workbook;
    throw BadArguments(o.type.isEmpty()
                           ? QStringLiteral("Тип файла «%1» не определён по расширению; укажите --type tab|xls|xlsx|htm").arg(o.save)
                           : QStringLiteral("Неизвестный тип файла «%1»; допустимы tab, xls, xlsx, htm").arg(o.type));
}

// A grid column named by its field name or its caption (letter case ignored).
QString columnField(const TGridRows& rows, const QString& name, const QString& option) {
    for (int i = 0; i < rows.columnCount(); ++i)
        if (i != rows.keyColumn() && rows.column(i).fieldName.compare(name, Qt::CaseInsensitive) == 0)
            return rows.column(i).fieldName;
    for (int i = 0; i < rows.columnCount(); ++i)
        if (i != rows.keyColumn() && rows.column(i).caption.compare(name, Qt::CaseInsensitive) == 0)
            return rows.column(i).fieldName;
    throw BadArguments(QStringLiteral("%1: в выборке нет колонки «%2»").arg(option, name));
}

} // namespace

QString cliUsage() {
    return QStringLiteral(
        "Использование:\n"
        "  ostrand-cli --server NT --tm TM [--user U --password P] --settings FILE.cfg\n"
        "              [--mask \"Колонка=маска\" ...] [--sort КОЛОНКА[:desc]] [--group КОЛОНКА ...]\n"
        "              --save OUT [--type tab|xls|xlsx|htm]\n"
        "\n"
        "Делает выборку из конфигурации ТМ-сервера по файлу настроек и записывает её в файл,\n"
        "как команда «Сохранить выборку как...» программы ostrand.\n"
        "\n"
        "  --server NT        NT-сервер\n"
        "  --tm TM            ТМ-сервер\n"
        "  --user U           пользователь (вход в библиотеку доступа к конфигурации)\n"
        "  --password P       пароль пользователя\n"
        "  --settings FILE    файл настроек выборки (*.cfg)\n"
        "  --mask К=М         маска колонки с заголовком К (как в фильтре выборки:\n"
        "                     * любые символы, ? один символ, регистр не важен); можно повторять\n"
        "  --sort К[:desc]    сортировка по колонке (имя поля или заголовок), :desc - по убыванию\n"
        "  --group К          группировка по колонке; можно повторять (уровни по порядку)\n"
        "  --save OUT         файл для записи\n"
        "  --type T           tab - текст с разделителями-табуляциями, xls - таблица Excel (BIFF4),\n"
        "                     xlsx - книга Excel, htm - HTML; по умолчанию по расширению файла OUT\n"
        "  --help             эта справка\n"
        "  --version          версия программы\n"
        "\n"
        "Проверка шаблонов отчётов:\n"
        "  ostrand-cli --template-info FILE.frf\n"
        "      выводит, что содержит шаблон: версию формата, страницы с размером бумаги, объекты\n"
        "      (вид, имя, положение, размер), переменные словаря и сообщения загрузки;\n"
        "      код 1, если шаблон не загрузился\n"
        "  ostrand-cli --template-resave IN.frf OUT.frf\n"
        "      загружает шаблон и записывает его заново (в текущей версии формата); при ошибке\n"
        "      файл OUT не изменяется, код 1\n"
        "  ostrand-cli --frp-info FILE.frp\n"
        "      выводит страницы подготовленного отчёта (бумага, поля) и все объекты страниц\n"
        "      (вид, имя, положение, размер, строки текста); код 1, если файл не загрузился\n"
        "  ostrand-cli --frp-render FILE.frp --page N --png OUT.png [--dpi D]\n"
        "      рисует страницу N подготовленного отчёта в файл PNG (D точек на дюйм, по умолчанию 96)\n"
        "  ostrand-cli --frp FILE.frp --export txt|rtf|csv|htm|pdf OUT [--pages СПИСОК]\n"
        "      записывает подготовленный отчёт в файл выбранного типа; СПИСОК - номера и/или\n"
        "      диапазоны страниц через запятую, как в окне печати (например, 1,3,5-12 или 5-)\n"
        "\n"
        "Отчёты без окон:\n"
        "  ostrand-cli --report FILE.frf [--report FILE2.frf ...] [--prepared OUT.frp] [--pdf OUT.pdf]\n"
        "             [--max-pages N] [--set-control ИМЯ.СВОЙСТВО=ЗНАЧЕНИЕ ...]\n"
        "             [--export txt|rtf|csv|htm|pdf OUT [--pages СПИСОК]]\n"
        "             [--server NT --tm TM --user U --password P --settings FILE.cfg --mask К=М ...]\n"
        "      строит отчёт по шаблону над выборкой (без параметров выборки frDS пуст; с ней заданы\n"
        "      переменные Машина, Сервер и Файл_изменён) и записывает подготовленный отчёт, PDF\n"
        "      и (или) экспорт; несколько шаблонов строятся друг за другом в один отчёт (шаблон,\n"
        "      первая страница которого печатается на предыдущей, продолжает её страницу);\n"
        "      построение останавливается с ошибкой после N страниц\n"
        "      (по умолчанию 10000); код 1 при ошибке. Диалоговые формы не показываются и\n"
        "      окна не ждут: выполняется скрипт формы, элементы управления сохраняют значения\n"
        "      из шаблона, --set-control (можно повторять) задаёт значение свойства элемента,\n"
        "      как если бы его ввёл пользователь, например --set-control Edit1.Text=Тула;\n"
        "      форма, скрипт которой не задал ModalResult, считается закрытой по OK\n"
        "\n"
        "Изменение шаблонов без окон:\n"
        "  ostrand-cli --edit IN.frf [--do \"КОМАНДА АРГУМЕНТЫ\"]... [--save OUT.frf|OUT.frt|OUT.frd]\n"
        "             [--server NT --tm TM --user U --password P --settings FILE.cfg --mask К=М ...]\n"
        "      открывает шаблон, как дизайнер отчётов, выполняет команды дизайнера по порядку на\n"
        "      текущей странице (координаты в точках отчёта, 18 точек = 5 мм) и записывает результат;\n"
        "      команда, которую нельзя выполнить, ничего не меняет и сообщает причину, остальные\n"
        "      выполняются; неверно записанная команда - код 2, ничего не записывается; с параметрами\n"
        "      выборки команды видят её таблицы и поля (frDS над DS), как дизайнер главного окна.\n"
        "      Команды:\n"
        "%1"
        "\n"
        "Проверка выражений отчётов (результат в UTF-8 в стандартный вывод, ошибка - код 1):\n"
        "  ostrand-cli --eval ВЫРАЖЕНИЕ [--template FILE.frf] [--server NT --tm TM ... --settings FILE.cfg]\n"
        "      значение выражения, например --eval \"FORMATFLOAT('#,##0.00', 1234.5)\"\n"
        "  ostrand-cli --expand ТЕКСТ [--template FILE.frf] [--server NT --tm TM ... --settings FILE.cfg]\n"
        "      строка мемо с подставленными значениями [выражений], например --expand \"[PointName]: [HiLimit #N8.2]\";\n"
        "      с шаблоном доступны переменные его словаря, с выборкой - поля первой записи (frDS, DS)\n"
        "  ostrand-cli --run-script ТЕКСТ|@ФАЙЛ [--template FILE.frf] [--max-steps N]\n"
        "      выполняет сценарий отчёта (из текста или файла в кодировке 1251) и выводит глобальные\n"
        "      переменные, которые он оставил (имя=значение); сценарий останавливается после N\n"
        "      выполненных строк кода (по умолчанию 10000000)\n"
        "\n"
        "Сообщения выводятся в стандартный поток ошибок. Код завершения: 0 - выборка записана,\n"
        "1 - ошибка файла настроек, конфигурации или записи, 2 - неверные параметры.\n"
        "Корневая папка конфигураций: переменная OSTRAND_CONFIG_ROOT.\n")
        .arg(frDesignCommandHelp());
}

int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << cliUsage();
        return 0;
    }
    if (arguments == QStringList{QStringLiteral("--version")}) {
        out << QStringLiteral("ostrand-cli " OSTRAND_VERSION) << Qt::endl;
        return 0;
    }
    if (isExpressionCommand(arguments))
        return runExpressionCli(arguments, out, err);
    if (isScriptCommand(arguments))
        return runScriptCli(arguments, out, err);
    if (isReportCommand(arguments))
        return runReportCli(arguments, out, err);
    if (isEditCommand(arguments))
        return runEditCli(arguments, out, err);
    TStreamInteraction interaction(err);
    TScopedInteraction installed(interaction);
    TfrEngine reportEngine(&interaction);
    frRegisterProgramAddIns(reportEngine);
    const TfrPasswordPrompt password = frPasswordDialog(interaction);
    if (!arguments.isEmpty() && arguments[0] == u"--template-info") {
        if (arguments.size() != 2) {
            err << QStringLiteral("Ожидается: --template-info FILE") << Qt::endl;
            return 2;
        }
        bool ok = false;
        out << frTemplateInfo(reportEngine, arguments[1], password, &ok);
        return ok ? 0 : 1;
    }
    if (!arguments.isEmpty() && arguments[0] == u"--template-resave") {
        if (arguments.size() != 3) {
            err << QStringLiteral("Ожидается: --template-resave IN OUT") << Qt::endl;
            return 2;
        }
        const QString problems = frResaveTemplate(reportEngine, arguments[1], arguments[2], password);
        if (problems.isEmpty())
            return 0;
        err << problems << Qt::endl;
        return 1;
    }
    if (const int status = runPreparedReportTool(reportEngine, arguments, out, err); status >= 0)
        return status;
    if (const int status = runExportCli(reportEngine, arguments, out, err); status >= 0)
        return status;
    try {
        const Options options = parse(arguments);
        const OutputType type = outputType(options);
        if (!QFileInfo(options.settings).isFile())
            throw Exception(QStringLiteral("Cannot open file %1").arg(options.settings));

        if (options.haveUser)
            setCliUser(options.user, options.password);

        TGridRows rows;
        TCliSelectionHost host(options.server, options.tm, options.masks);
        TSelectionEngine engine(host);
        engine.setConversionMessages(TSelectionEngine::ConversionMessages::All);
        const int messagesBefore = interaction.count;
        // A user-started load with a given path: no open dialog, the masks go in
        // where the filter dialog would be shown, and one walk makes the selection.
        if (!engine.LoadSettingsFile(options.settings, true))
            return 1;
        if (!host.badMask.isEmpty())
            throw BadArguments(host.badMask);
        if (!host.attached) {
            if (interaction.count == messagesBefore)
                err << QStringLiteral("Выборка не сделана") << Qt::endl;
            return 1;
        }
        // One selection per run: the parsed configuration is not needed any
        // more, and its memory serves the grid.
        configaccess::releaseTrees();
        rows.rebuildColumns(*host.attached);

        std::vector<TGroupColumn> grouping;
        for (const QString& g : options.groups)
            grouping.push_back({columnField(rows, g, QStringLiteral("--group")), false});
        rows.setGrouping(std::move(grouping));
        if (!options.sort.isEmpty()) {
            QString column = options.sort;
            bool descending = false;
            if (column.endsWith(QStringLiteral(":desc"), Qt::CaseInsensitive)) {
                column.chop(5);
                descending = true;
            } else if (column.endsWith(QStringLiteral(":asc"), Qt::CaseInsensitive)) {
                column.chop(4);
            }
            rows.sortBy(columnField(rows, column, QStringLiteral("--sort")), descending);
        }

        switch (type) {
        case OutputType::Text: ExportGridToText(rows, options.save, true, QStringLiteral("\t"), QString(), QString()); break;
        case OutputType::Spreadsheet: ExportGridToExcel(rows, options.save, true); break;
        case OutputType::Html: ExportGridToHTML(rows, options.save, true); break;
        case OutputType::Workbook: ExportGridToXlsx(rows, options.save, true); break;
        }
        err << host.status << Qt::endl;
        return 0;
    } catch (const BadArguments& e) {
        err << e.message() << Qt::endl << QStringLiteral("Справка: ostrand-cli --help") << Qt::endl;
        return 2;
    } catch (const Exception& e) {
        err << e.message() << Qt::endl;
        return 1;
    }
}
