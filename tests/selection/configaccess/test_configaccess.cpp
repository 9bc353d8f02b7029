#include "common/cp1251.h"
#include "common/exception.h"
#include "selection/configaccess/configapi.h"
#include "selection/configaccess/halvex.h"
#include "selection/configaccess/localconfig.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

QByteArray cp(const QString& s) { return cp1251::encode(s); }

// Texts the library writes: code page 1251 bytes, shown here as text.
QString fromBuffer(const char* buffer) { return cp1251::decode(QByteArrayView(buffer, qstrlen(buffer))); }

QString nameOf(std::int32_t node) {
    char buffer[HALVEX_BUFFER_SIZE] = "\x01untouched";
    hvtNodeGetName(node, buffer, HALVEX_BUFFER_SIZE);
    return fromBuffer(buffer);
}

// The property's text, or "<missing>" when the buffer was left as it was.
QString propOf(std::int32_t node, const QString& property) {
    char buffer[HALVEX_BUFFER_SIZE] = "<missing>";
    hvtNPropGetText(node, cp(property).constData(), buffer, HALVEX_BUFFER_SIZE);
    return fromBuffer(buffer);
}

std::vector<std::int32_t> childrenOf(std::int32_t node) {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 0;; ++i) {
        const std::int32_t c = hvtNodeEnum(node, i);
        if (c == 0)
            break;
        out.push_back(c);
    }
    return out;
}

QStringList childNames(std::int32_t node) {
    QStringList out;
    for (std::int32_t c : childrenOf(node))
        out << nameOf(c);
    return out;
}

struct TOpened {
    std::int32_t top = 0;
    QString error;
    std::uint64_t fileTime = 0;
};

TOpened openRaw(const QByteArray& nt, const QByteArray& path) {
    TOpened r;
    char error[HALVEX_BUFFER_SIZE] = "";
    std::int32_t reserved = 0;
    r.top = hvsConfFileOpen(nt.constData(), path.constData(), HALVEX_OPEN_FLAGS, &r.fileTime, &reserved, error,
                            HALVEX_BUFFER_SIZE);
    r.error = fromBuffer(error);
    return r;
}

TOpened open(const QString& nt, const QString& path) { return openRaw(cp(nt), cp(path)); }

void setUser(const QString& user, const QString& password) { hvsSetUser(cp(user).constData(), cp(password).constData()); }

// A configuration root in a temporary folder, served through OSTRAND_CONFIG_ROOT.
class ConfigAccess : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_root = m_dir.filePath("root");
        QDir().mkpath(m_root);
        qputenv("OSTRAND_CONFIG_ROOT", QFile::encodeName(m_root));
        setUser("", "");
    }
    void TearDown() override { qunsetenv("OSTRAND_CONFIG_ROOT"); }

    // Writes a file below the temporary folder (not only below the root).
    QString write(const QString& relative, const QByteArray& content) {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        return path;
    }
    QString config(const QString& file, const QByteArray& xml, const QString& nt = "NT", const QString& tm = "TM1") {
        return write("root/" + nt + "/TM_SERVER/" + tm + "/" + file + ".xml", xml);
    }
    // Opens TM_SERVER\TM1\<file> of NT and expects success.
    std::int32_t openOk(const QString& file, const QString& nt = "NT") {
        const TOpened r = open(nt, "TM_SERVER\\TM1\\" + file);
        EXPECT_NE(r.top, 0) << r.error.toStdString();
        return r.top;
    }

    QTemporaryDir m_dir;
    QString m_root;
};

const QByteArray kSmall = R"(<?xml version="1.0" encoding="UTF-8"?>
<config>
  <node name="Подстанция" Номер="1" Название="ПС 110 кВ Северная">
    <prop name="Год ввода" value="1978"/>
    <node name="Канал" Номер="1"/>
    <node name="Канал" Номер="2">
      <node name="Точка" Номер="10" Тип="ТИ"/>
      <node name="Точка" Номер="11" Тип="ТС"/>
    </node>
    <node name="Канал" Номер="3"/>
  </node>
  <node name="Подстанция" Номер="2"/>
</config>
)";

// ---------------------------------------------------------------------------
// Failures

TEST_F(ConfigAccess, UnknownServersAndMissingFileAreReported) {
    config("CONF", kSmall);
    TOpened r = open("NOPE", "TM_SERVER\\TM1\\CONF");
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.error, u"NT-сервер «NOPE» не найден"_qs);

    r = open("NT", "TM_SERVER\\TM9\\CONF");
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.error, u"ТМ-сервер «TM9» не найден на NT-сервере «NT»"_qs);

    r = open("NT", "TM_SERVER\\TM1\\OTHER");
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.error, u"Файл конфигурации «OTHER» не найден на ТМ-сервере «TM1»"_qs);

    // A folder named like the file is no file.
    QDir().mkpath(m_root + "/NT/TM_SERVER/TM1/DIR.xml");
    EXPECT_EQ(open("NT", "TM_SERVER\\TM1\\DIR").top, 0);

    qputenv("OSTRAND_CONFIG_ROOT", QFile::encodeName(m_dir.filePath("absent")));
    r = open("NT", "TM_SERVER\\TM1\\CONF");
    EXPECT_EQ(r.top, 0);
    EXPECT_TRUE(r.error.startsWith(u"Папка конфигураций не найдена: "_qs)) << r.error.toStdString();
}

TEST_F(ConfigAccess, NamesDifferingInLetterCaseAreFound) {
    config("CONF", kSmall);
    EXPECT_NE(open("nt", "tm_server\\tm1\\conf").top, 0);
}

TEST_F(ConfigAccess, MalformedXmlNamesLineAndColumn) {
    // An unquoted attribute value on line 3; the column counts characters,
    // so the Cyrillic text before it must not count twice.
    config("BAD", "<config>\n  <node name=\"Точка\">\n    <node name=\"Ёж\" Тип=1/>\n  </node>\n</config>\n");
    TOpened r = open("NT", "TM_SERVER\\TM1\\BAD");
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.error, u"Ошибка в файле конфигурации «BAD», строка 3, столбец 25: ошибка в атрибуте"_qs);

    // A wrong end tag after CR LF line ends.
    config("BAD", "<config>\r\n<node name=\"a\">\r\n</nod>\r\n</config>\r\n");
    r = open("NT", "TM_SERVER\\TM1\\BAD");
    EXPECT_EQ(r.top, 0);
    EXPECT_TRUE(r.error.startsWith(u"Ошибка в файле конфигурации «BAD», строка 3, столбец "_qs)) << r.error.toStdString();

    // Markers in a file name are not taken for the message's own.
    config("F%2%3", "<config>");
    r = open("NT", "TM_SERVER\\TM1\\F%2%3");
    EXPECT_EQ(r.top, 0);
    EXPECT_TRUE(r.error.startsWith(u"Ошибка в файле конфигурации «F%2%3», строка 1, столбец "_qs)) << r.error.toStdString();

    config("EMPTY", "");
    r = open("NT", "TM_SERVER\\TM1\\EMPTY");
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.error, u"Ошибка в файле конфигурации «EMPTY», строка 1, столбец 1: нет корневого элемента"_qs);
}

TEST_F(ConfigAccess, FilesNotInTheTreeFormatAreRefusedWithThePlace) {
    const struct {
        QByteArray xml;
        QString error;
    } cases[] = {
        {"<tree/>", u"строка 1, столбец 2: корневой элемент должен называться config"_qs},
        {"<config>\n <node name=\"a\">\n  <item/>\n </node>\n</config>", u"строка 3, столбец 4: неизвестный элемент <item>"_qs},
        {"<config>\n <node name=\"a\">\n  <prop value=\"1\"/>\n </node>\n</config>",
         u"строка 3, столбец 4: у элемента <prop> нет атрибута name"_qs},
        {"<config>\n <node name=\"a\" Тип=\"1\">\n  <prop name=\"Тип\" value=\"2\"/>\n </node>\n</config>",
         u"строка 3, столбец 4: свойство «Тип» задано дважды"_qs},
        {"<config/>\n<config/>", u"строка 2, столбец 2: после корневого элемента есть ещё элементы"_qs},
        {"\xFF\xFE<\0c\0", u"строка 1, столбец 1: файл записан не в кодировке UTF-8"_qs},
    };
    for (const auto& c : cases) {
        config("BAD", c.xml);
        const TOpened r = open("NT", "TM_SERVER\\TM1\\BAD");
        EXPECT_EQ(r.top, 0);
        EXPECT_EQ(r.error, u"Ошибка в файле конфигурации «BAD», "_qs + c.error) << c.xml.toStdString();
    }
}

// Every cut of a valid file either is a valid file itself or is refused with
// a syntax message; none is taken half.
TEST_F(ConfigAccess, TruncatedFilesAreRefusedOrComplete) {
    const QByteArray whole = kSmall;
    int accepted = 0;
    for (qsizetype n = 0; n < whole.size(); ++n) {
        // A file of another size each time, so the kept tree is never reused.
        config("CUT", whole.left(n));
        const TOpened r = open("NT", "TM_SERVER\\TM1\\CUT");
        if (r.top == 0) {
            EXPECT_TRUE(r.error.startsWith(u"Ошибка в файле конфигурации «CUT», строка "_qs)) << n << r.error.toStdString();
        } else {
            ++accepted;
            EXPECT_EQ(childNames(r.top), QStringList({u"Подстанция"_qs, u"Подстанция"_qs})) << n;
        }
    }
    EXPECT_LE(accepted, 2); // only the cuts after </config>
}

TEST_F(ConfigAccess, FailedOpenKeepsThePreviousTree) {
    config("CONF", kSmall);
    const std::int32_t top = openOk("CONF");
    EXPECT_EQ(open("NT", "TM_SERVER\\TM1\\MISSING").top, 0);
    EXPECT_EQ(childNames(top), QStringList({u"Подстанция"_qs, u"Подстанция"_qs}));
}

// ---------------------------------------------------------------------------
// Log-on

TEST_F(ConfigAccess, UserListGuardsTheServer) {
    config("CONF", kSmall);
    write("root/NT/users.txt", "\xEF\xBB\xBF; operators\nengineer=demo\n\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD=\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C\r\nguest=\n");

    TOpened r = open("NT", "TM_SERVER\\TM1\\CONF");
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.error, u"Доступ к NT-серверу «NT» запрещён: вход не выполнен"_qs);
    // The log-on is checked before the TM server is looked for.
    EXPECT_EQ(open("NT", "TM_SERVER\\TM9\\CONF").error, r.error);

    const QString denied = u"Доступ к NT-серверу «NT» запрещён: неверное имя пользователя или пароль"_qs;
    setUser("engineer", "wrong");
    r = open("NT", "TM_SERVER\\TM1\\CONF");
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.error, denied);
    setUser("engineer", "DEMO"); // passwords count letter case
    EXPECT_EQ(open("NT", "TM_SERVER\\TM1\\CONF").error, denied);
    setUser("nobody", "demo");
    EXPECT_EQ(open("NT", "TM_SERVER\\TM1\\CONF").error, denied);
    setUser("operators", ""); // comment lines list nobody
    EXPECT_EQ(open("NT", "TM_SERVER\\TM1\\CONF").error, denied);

    setUser("engineer", "demo");
    EXPECT_NE(open("NT", "TM_SERVER\\TM1\\CONF").top, 0);
    setUser("ENGINEER", "demo"); // user names do not
    EXPECT_NE(open("NT", "TM_SERVER\\TM1\\CONF").top, 0);
    setUser(u"Иван"_qs, u"пароль"_qs); // UTF-8 list, code page 1251 log-on
    EXPECT_NE(open("NT", "TM_SERVER\\TM1\\CONF").top, 0);
    setUser("guest", "");
    EXPECT_NE(open("NT", "TM_SERVER\\TM1\\CONF").top, 0);

    // Logging off with an empty user closes the server again.
    setUser("", "");
    EXPECT_EQ(open("NT", "TM_SERVER\\TM1\\CONF").error, u"Доступ к NT-серверу «NT» запрещён: вход не выполнен"_qs);

    // A server without a list lets everybody in.
    config("CONF", kSmall, "OPEN");
    EXPECT_NE(open("OPEN", "TM_SERVER\\TM1\\CONF").top, 0);

    // A list that cannot be read keeps everybody out.
    config("CONF", kSmall, "ODD");
    QDir().mkpath(m_root + "/ODD/users.txt");
    setUser("engineer", "demo");
    EXPECT_EQ(open("ODD", "TM_SERVER\\TM1\\CONF").error,
              u"Доступ к NT-серверу «ODD» запрещён: не удалось прочитать список пользователей"_qs);
}

#ifndef Q_OS_WIN
TEST_F(ConfigAccess, UserListThatIsNoRegularFileKeepsEverybodyOut) {
    // Whatever stands under the list's name and is not a readable regular file
    // inside the root denies access; none of them may block or be read whole.
    write("outside/users.txt", "engineer=demo\n");
    const struct {
        const char* what;
        std::function<bool(const QString& list)> make;
    } cases[] = {
        {"folder", [](const QString& l) { return QDir().mkpath(l); }},
        {"dangling link", [](const QString& l) { return QFile::link(l + ".gone", l); }},
        {"FIFO", [](const QString& l) { return ::mkfifo(QFile::encodeName(l).constData(), 0600) == 0; }},
        {"link to /dev/zero", [](const QString& l) { return QFile::link("/dev/zero", l); }},
        {"link out of the root", [this](const QString& l) { return QFile::link(m_dir.filePath("outside/users.txt"), l); }},
        {"link in other letter case", [](const QString& l) { return QFile::link(l + ".gone", l.chopped(9) + "USERS.TXT"); }},
    };
    setUser("engineer", "demo");
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString nt = QStringLiteral("S%1").arg(++n);
        config("CONF", kSmall, nt);
        ASSERT_TRUE(c.make(m_root + "/" + nt + "/users.txt"));
        const TOpened r = open(nt, "TM_SERVER\\TM1\\CONF");
        EXPECT_EQ(r.top, 0);
        EXPECT_EQ(r.error, u"Доступ к NT-серверу «"_qs + nt + u"» запрещён: не удалось прочитать список пользователей"_qs);
    }
    // A list larger than a log-on list can be is not read either.
    config("CONF", kSmall, "BIG");
    write("root/BIG/users.txt", "engineer=demo\n" + QByteArray(5 << 20, ';'));
    EXPECT_EQ(open("BIG", "TM_SERVER\\TM1\\CONF").top, 0);
    // A link to a regular list inside the root is a list.
    config("CONF", kSmall, "LINKED");
    write("root/lists/users.txt", "engineer=demo\n");
    ASSERT_TRUE(QFile::link(m_root + "/lists/users.txt", m_root + "/LINKED/users.txt"));
    EXPECT_NE(open("LINKED", "TM_SERVER\\TM1\\CONF").top, 0);
}

TEST_F(ConfigAccess, FilesOutsideTheRootOrNotRegularAreNotRead) {
    write("secret/CONF.xml", kSmall);
    config("CONF", kSmall);
    const QString tm = m_root + "/NT/TM_SERVER/TM1/";
    // A configuration file linked from outside the root, and one inside a
    // linked folder that lies outside.
    ASSERT_TRUE(QFile::link(m_dir.filePath("secret/CONF.xml"), tm + "OUT.xml"));
    ASSERT_TRUE(QFile::link(m_dir.filePath("secret"), m_root + "/NT/TM_SERVER/TM2"));
    TOpened r = open("NT", "TM_SERVER\\TM1\\OUT");
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.error, u"Файл конфигурации «OUT» лежит вне папки конфигураций и не будет прочитан"_qs);
    r = open("NT", "TM_SERVER\\TM2\\CONF");
    EXPECT_EQ(r.top, 0);
    EXPECT_TRUE(r.error.contains(u"вне папки конфигураций"_qs)) << r.error.toStdString();
    // A link inside the root is followed.
    ASSERT_TRUE(QFile::link(tm + "CONF.xml", tm + "ALIAS.xml"));
    EXPECT_NE(open("NT", "TM_SERVER\\TM1\\ALIAS").top, 0);
    // The root itself may be a link.
    ASSERT_TRUE(QFile::link(m_root, m_dir.filePath("rootlink")));
    qputenv("OSTRAND_CONFIG_ROOT", QFile::encodeName(m_dir.filePath("rootlink")));
    EXPECT_NE(open("NT", "TM_SERVER\\TM1\\CONF").top, 0);
    // A FIFO or a device under a configuration file's name is no file.
    ASSERT_EQ(::mkfifo(QFile::encodeName(tm + "FIFO.xml").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", tm + "ZERO.xml"));
    for (const char* name : {"FIFO", "ZERO"}) {
        r = open("NT", "TM_SERVER\\TM1\\" + QString::fromLatin1(name));
        EXPECT_EQ(r.top, 0) << name;
        EXPECT_TRUE(r.error.contains(u"не найден"_qs)) << r.error.toStdString();
    }
}
#endif

// ---------------------------------------------------------------------------
// Names that could leave the root

TEST_F(ConfigAccess, NamesLeavingTheRootAreRefused) {
    // Files a climbing name would reach if it were followed.
    write("secret/TM_SERVER/TM1/CONF.xml", kSmall);
    write("root/NT/TM_SERVER/TM1/sub/CONF.xml", kSmall);
    write("root/NT/CONF.xml", kSmall);
    config("CONF", kSmall);

    const QString badNt = u"Недопустимое имя NT-сервера"_qs;
    const QString badPath = u"Недопустимый путь к файлу конфигурации"_qs;
    const struct {
        QByteArray nt, path;
        QString error;
    } cases[] = {
        {"..", "TM_SERVER\\TM1\\CONF", badNt},
        {"../secret", "TM_SERVER\\TM1\\CONF", badNt},
        {"..\\secret", "TM_SERVER\\TM1\\CONF", badNt},
        {".", "TM_SERVER\\TM1\\CONF", badNt},
        {"", "TM_SERVER\\TM1\\CONF", badNt},
        {"/etc", "TM_SERVER\\TM1\\CONF", badNt},
        {"C:", "TM_SERVER\\TM1\\CONF", badNt},
        {"N\tT", "TM_SERVER\\TM1\\CONF", badNt},
        {"NT\x98", "TM_SERVER\\TM1\\CONF", badNt}, // a C1 control character in code page 1251
        {"NT", "TM_SERVER\\..\\CONF", badPath},
        {"NT", "TM_SERVER\\TM1\\..", badPath},
        {"NT", "TM_SERVER\\TM1\\..\\..\\..\\secret\\TM_SERVER\\TM1\\CONF", badPath},
        {"NT", "TM_SERVER\\TM1\\sub\\CONF", badPath},
        {"NT", "TM_SERVER\\TM1\\sub/CONF", badPath},
        {"NT", "TM_SERVER\\\\CONF", badPath},
        {"NT", "TM_SERVER\\TM1\\", badPath},
        {"NT", "TM_SERVER\\TM1", badPath},
        {"NT", "\\TM_SERVER\\TM1\\CONF", badPath},
        {"NT", "TM_SERVER/TM1/CONF", badPath},
        {"NT", "/etc/passwd", badPath},
        {"NT", "C:\\TM1\\CONF", badPath},
        {"NT", "OTHER\\TM1\\CONF", badPath},
        {"NT", "TM_SERVER\\TM1\\CONF\n", badPath},
        {"NT", "TM_SERVER\\T\x01M1\\CONF", badPath},
    };
    for (const auto& c : cases) {
        const TOpened r = openRaw(c.nt, c.path);
        EXPECT_EQ(r.top, 0) << c.nt.toStdString() << " " << c.path.toStdString();
        EXPECT_TRUE(r.error.startsWith(c.error)) << r.error.toStdString();
        // Control characters are not echoed.
        for (const QChar ch : r.error)
            EXPECT_NE(ch.category(), QChar::Other_Control) << r.error.toStdString();
    }
    // Null pointers are refused too.
    char error[HALVEX_BUFFER_SIZE] = "";
    EXPECT_EQ(hvsConfFileOpen(nullptr, nullptr, HALVEX_OPEN_FLAGS, nullptr, nullptr, error, HALVEX_BUFFER_SIZE), 0);
    EXPECT_TRUE(fromBuffer(error).startsWith(badNt));
}

// ---------------------------------------------------------------------------
// The tree

TEST_F(ConfigAccess, ChildrenComeInDocumentOrder) {
    config("CONF", kSmall);
    const std::int32_t top = openOk("CONF");
    const auto stations = childrenOf(top);
    ASSERT_EQ(stations.size(), 2u);
    EXPECT_EQ(propOf(stations[0], u"Номер"_qs), "1");
    EXPECT_EQ(propOf(stations[1], u"Номер"_qs), "2");
    const auto channels = childrenOf(stations[0]);
    ASSERT_EQ(channels.size(), 3u); // the <prop> element is no child
    QStringList numbers;
    for (std::int32_t c : channels)
        numbers << nameOf(c) + propOf(c, u"Номер"_qs);
    EXPECT_EQ(numbers, QStringList({u"Канал1"_qs, u"Канал2"_qs, u"Канал3"_qs}));
    const auto points = childrenOf(channels[1]);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(propOf(points[0], u"Номер"_qs), "10");
    EXPECT_EQ(propOf(points[1], u"Тип"_qs), u"ТС"_qs);
    EXPECT_TRUE(childrenOf(points[0]).empty());
    EXPECT_TRUE(childrenOf(stations[1]).empty());
    EXPECT_TRUE(childrenOf(channels[2]).empty());
    // Indexes outside the children.
    EXPECT_EQ(hvtNodeEnum(top, 2), 0);
    EXPECT_EQ(hvtNodeEnum(top, -1), 0);
    EXPECT_EQ(hvtNodeEnum(top, INT32_MAX), 0);
    EXPECT_EQ(hvtNodeEnum(top, INT32_MIN), 0);
}

TEST_F(ConfigAccess, NamesAndProperties) {
    config("CONF", R"(<config Версия="7">
  <node name="Точка" Тип="ТИ" Коэффициент="0,5" тип="нижний" Пустое="">
    <prop name="Верхний предел" value="1,5"/>
    <prop name="name" value="свойство с именем name"/>
    <prop name="Без значения"/>
    текст внутри узла не мешает
  </node>
  <node/>
  <node name="">
    <!-- комментарий -->
    <![CDATA[ <node name="не узел"/> ]]>
  </node>
</config>)");
    const std::int32_t top = openOk("CONF");
    EXPECT_EQ(nameOf(top), "");
    EXPECT_EQ(propOf(top, u"Версия"_qs), "7");
    const auto nodes = childrenOf(top);
    ASSERT_EQ(nodes.size(), 3u);
    const std::int32_t p = nodes[0];
    EXPECT_EQ(nameOf(p), u"Точка"_qs);
    EXPECT_EQ(propOf(p, u"Тип"_qs), u"ТИ"_qs);
    EXPECT_EQ(propOf(p, u"тип"_qs), u"нижний"_qs); // the exact spelling wins
    EXPECT_EQ(propOf(p, u"Коэффициент"_qs), "0,5");
    EXPECT_EQ(propOf(p, u"КОЭФФИЦИЕНТ"_qs), "0,5"); // else letter case is ignored
    EXPECT_EQ(propOf(p, u"Верхний предел"_qs), "1,5");
    EXPECT_EQ(propOf(p, u"name"_qs), u"свойство с именем name"_qs);
    EXPECT_EQ(propOf(p, u"Без значения"_qs), "");
    EXPECT_EQ(propOf(p, u"Пустое"_qs), "");
    EXPECT_EQ(propOf(p, u"Нет такого"_qs), "<missing>");
    EXPECT_EQ(propOf(p, u"Версия"_qs), "<missing>"); // properties are not inherited
    EXPECT_EQ(propOf(nodes[1], u"Тип"_qs), "<missing>");
    EXPECT_EQ(nameOf(nodes[1]), "");
    EXPECT_TRUE(childrenOf(nodes[2]).empty());
    // A null property name is answered safely.
    char buffer[HALVEX_BUFFER_SIZE] = "x";
    hvtNPropGetText(p, nullptr, buffer, HALVEX_BUFFER_SIZE);
    EXPECT_STREQ(buffer, "x");
}

TEST_F(ConfigAccess, TextsAreHandedOutInCodePage1251) {
    // Entities, a character outside the code page, one beyond the basic plane,
    // a malformed UTF-8 byte and a line break inside a value.
    config("CONF", "<config><node name=\"\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0 \xE2\x84\x96" "5\""
                   " A=\"&lt;&amp;&gt;&quot;&#1025;&#x451;\""
                   " B=\"\xE6\x97\xA5-\xF0\x9F\x98\x80-\xFF\""
                   " C=\"1\n2\"/></config>");
    const std::int32_t node = childrenOf(openOk("CONF"))[0];
    char buffer[HALVEX_BUFFER_SIZE];
    hvtNodeGetName(node, buffer, HALVEX_BUFFER_SIZE);
    EXPECT_STREQ(buffer, "\xA8\xEB\xEA\xE0 \xB9" "5"); // Ёлка №5
    hvtNPropGetText(node, "A", buffer, HALVEX_BUFFER_SIZE);
    EXPECT_STREQ(buffer, "<&>\"\xA8\xB8");
    hvtNPropGetText(node, "B", buffer, HALVEX_BUFFER_SIZE);
    EXPECT_STREQ(buffer, "?-?\?-?");
    hvtNPropGetText(node, "C", buffer, HALVEX_BUFFER_SIZE);
    EXPECT_STREQ(buffer, "1 2");
}

TEST_F(ConfigAccess, TextsAreCutToTheBuffer) {
    const QString longText = QString(u"Ж"_qs).repeated(100) + QString("x").repeated(100);
    config("CONF", "<config><node name=\"" + longText.toUtf8() + "\" V=\"" + longText.toUtf8() + "\"/></config>");
    const std::int32_t node = childrenOf(openOk("CONF"))[0];

    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    hvtNodeGetName(node, buffer, HALVEX_BUFFER_SIZE);
    EXPECT_EQ(std::strlen(buffer), 128u);
    EXPECT_EQ(fromBuffer(buffer), longText.left(128));
    EXPECT_EQ(buffer[129], '#');

    std::memset(buffer, '#', sizeof buffer);
    hvtNPropGetText(node, "V", buffer, HALVEX_BUFFER_SIZE);
    EXPECT_EQ(fromBuffer(buffer), longText.left(128));
    EXPECT_EQ(buffer[129], '#');

    // Small buffers: never more than their size, the zero included.
    for (std::int32_t size : {5, 1, 0, -3}) {
        std::memset(buffer, '#', sizeof buffer);
        hvtNPropGetText(node, "V", buffer, size);
        hvtNodeGetName(node, buffer, size);
        for (std::int32_t i = std::max(size, 0); i < 10; ++i)
            EXPECT_EQ(buffer[i], '#') << "size " << size << " byte " << i;
        if (size > 0) {
            EXPECT_EQ(fromBuffer(buffer), longText.left(size - 1));
        }
    }
    hvtNodeGetName(node, nullptr, HALVEX_BUFFER_SIZE);
    hvtNPropGetText(node, "V", nullptr, HALVEX_BUFFER_SIZE);

    // The error buffer too.
    char error[16];
    std::memset(error, '#', sizeof error);
    std::uint64_t fileTime = 0;
    EXPECT_EQ(hvsConfFileOpen("NOPE", "TM_SERVER\\TM1\\CONF", HALVEX_OPEN_FLAGS, &fileTime, nullptr, error, 10), 0);
    EXPECT_EQ(fromBuffer(error), u"NT-сервер"_qs);
    EXPECT_EQ(error[10], '#');
    EXPECT_EQ(hvsConfFileOpen("NOPE", "TM_SERVER\\TM1\\CONF", HALVEX_OPEN_FLAGS, nullptr, nullptr, nullptr, 0), 0);
}

TEST_F(ConfigAccess, FileTimeIsTheModificationTime) {
    const QString path = config("CONF", kSmall);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7, 890), QTimeZone::utc()),
                              QFileDevice::FileModificationTime));
    f.close();
    const TOpened r = open("NT", "TM_SERVER\\TM1\\CONF");
    ASSERT_NE(r.top, 0);
    EXPECT_EQ(r.fileTime, 132593079678900000ULL); // 2021-03-04 05:06:07.890 UTC
    EXPECT_EQ(r.error, "");
}

TEST_F(ConfigAccess, UnchangedFileIsNotParsedAgain) {
    const QString path = config("CONF", kSmall);
    const QDateTime stamp(QDate(2022, 1, 1), QTime(12, 0), QTimeZone::utc());
    auto touch = [&](const QDateTime& t) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(t, QFileDevice::FileModificationTime));
    };
    touch(stamp);
    const std::int32_t top = openOk("CONF");
    const std::int32_t station = childrenOf(top)[0];

    // Reopened unchanged: the same tree, so the earlier handles still work.
    EXPECT_EQ(openOk("CONF"), top);
    EXPECT_EQ(nameOf(station), u"Подстанция"_qs);

    // Changed (another size and time): read again, the earlier handles are void.
    config("CONF", "<config><node name=\"Новый\"/></config>");
    touch(stamp.addSecs(60));
    const std::int32_t newTop = openOk("CONF");
    EXPECT_EQ(childNames(newTop), QStringList({u"Новый"_qs}));
    EXPECT_EQ(nameOf(station), "\x01untouched");
    EXPECT_EQ(hvtNodeEnum(station, 0), 0);
}

TEST_F(ConfigAccess, InvalidHandlesAreAnsweredSafely) {
    config("ONE", kSmall);
    config("TWO", "<config><node name=\"A\"/><node name=\"B\"/><node name=\"C\"/></config>");
    const std::int32_t top = openOk("ONE");
    const std::vector<std::int32_t> stations = childrenOf(top);
    const std::int32_t point = childrenOf(childrenOf(stations[0])[1])[0];

    for (std::int32_t h : {0, -1, INT32_MIN, INT32_MAX, top + 100000, top ^ (1 << 30)}) {
        EXPECT_EQ(hvtNodeEnum(h, 0), 0) << h;
        EXPECT_EQ(nameOf(h), "\x01untouched") << h;
        EXPECT_EQ(propOf(h, u"Номер"_qs), "<missing>") << h;
    }

    // Handles of a previous open of another file are void after the next open.
    const std::int32_t other = openOk("TWO");
    EXPECT_EQ(childNames(other), QStringList({"A", "B", "C"}));
    for (std::int32_t h : {stations[0], stations[1], point}) {
        EXPECT_EQ(hvtNodeEnum(h, 0), 0);
        EXPECT_EQ(nameOf(h), "\x01untouched");
        EXPECT_EQ(propOf(h, u"Номер"_qs), "<missing>");
    }
}

// Property names looked up once per open must not carry over to another tree,
// where the same names have other places.
TEST_F(ConfigAccess, PropertiesAreLookedUpInTheTreeOpenedLast) {
    config("ONE", "<config><node name=\"n\" A=\"a1\" B=\"b1\" c=\"c1\"/></config>");
    config("TWO", "<config><node name=\"n\" B=\"b2\" C=\"c2\" A=\"a2\"/></config>");
    for (int round = 0; round < 2; ++round) { // the second round reuses the kept trees
        std::int32_t node = childrenOf(openOk("ONE"))[0];
        EXPECT_EQ(propOf(node, "A"), "a1");
        EXPECT_EQ(propOf(node, "B"), "b1");
        EXPECT_EQ(propOf(node, "C"), "c1");
        EXPECT_EQ(propOf(node, "D"), "<missing>");
        node = childrenOf(openOk("TWO"))[0];
        EXPECT_EQ(propOf(node, "A"), "a2");
        EXPECT_EQ(propOf(node, "B"), "b2");
        EXPECT_EQ(propOf(node, "C"), "c2");
        EXPECT_EQ(propOf(node, "c"), "c2");
        EXPECT_EQ(propOf(node, "D"), "<missing>");
    }
}

TEST_F(ConfigAccess, OldTreesAreLetGo) {
    for (int i = 0; i < 5; ++i) {
        config(QString("F%1").arg(i), kSmall);
        openOk(QString("F%1").arg(i));
    }
    EXPECT_LE(configaccess::heldTreeCount(), 2u);
}

// A tree wide and deep enough that handles need many bits.
TEST_F(ConfigAccess, LargeTreeIsWalkedCompletely) {
    QByteArray xml = "<config>\n";
    for (int a = 0; a < 40; ++a) {
        xml += "<node name=\"L1\" N=\"" + QByteArray::number(a) + "\">";
        for (int b = 0; b < 50; ++b) {
            xml += "<node name=\"L2\">";
            for (int c = 0; c < 20; ++c)
                xml += "<node name=\"Leaf\" K=\"" + QByteArray::number(a * 1000 + b * 20 + c) + "\"/>";
            xml += "</node>";
        }
        xml += "</node>\n";
    }
    xml += "</config>\n";
    config("BIG", xml);
    const std::int32_t top = openOk("BIG");
    int leaves = 0;
    bool inOrder = true;
    std::function<void(std::int32_t)> walk = [&](std::int32_t n) {
        for (std::int32_t c : childrenOf(n)) {
            if (nameOf(c) == "Leaf") {
                const int a = leaves / 1000, b = leaves / 20 % 50, k = leaves % 20;
                inOrder = inOrder && propOf(c, "K").toInt() == a * 1000 + b * 20 + k;
                ++leaves;
            }
            walk(c);
        }
    };
    walk(top);
    EXPECT_EQ(leaves, 40000);
    EXPECT_TRUE(inOrder);
}

// ---------------------------------------------------------------------------
// The bundled demo configuration

TEST(DemoConfiguration, OpensWithTheDemoLogOn) {
    qunsetenv("OSTRAND_CONFIG_ROOT");
    EXPECT_EQ(QDir(configaccess::configRoot()).canonicalPath(), QDir(OSTRAND_EXAMPLES_DIR "/config").canonicalPath());
    setUser("", "");
    EXPECT_EQ(open("DEMO-NT", "TM_SERVER\\TM1\\TMCONF").top, 0);
    setUser("engineer", "demo");
    const TOpened r = open("DEMO-NT", "TM_SERVER\\TM1\\TMCONF");
    ASSERT_NE(r.top, 0) << r.error.toStdString();
    int nodes = 0;
    int points = 0;
    std::function<void(std::int32_t)> walk = [&](std::int32_t n) {
        for (std::int32_t c : childrenOf(n)) {
            ++nodes;
            if (nameOf(c) == u"Точка"_qs && !propOf(c, u"Тип"_qs).isEmpty())
                ++points;
            walk(c);
        }
    };
    walk(r.top);
    EXPECT_GE(nodes, 2000);
    EXPECT_LE(nodes, 10000);
    EXPECT_GE(points, 1500);
    const std::int32_t station = hvtNodeEnum(r.top, 0);
    EXPECT_EQ(nameOf(station), u"Подстанция"_qs);
    EXPECT_FALSE(propOf(station, u"Название"_qs).isEmpty());

    const TOpened owners = open("DEMO-NT", "TM_SERVER\\TM1\\OWNERS");
    ASSERT_NE(owners.top, 0) << owners.error.toStdString();
    const std::int32_t owner = hvtNodeEnum(owners.top, 0);
    EXPECT_EQ(nameOf(owner), u"Объект"_qs);
    EXPECT_FALSE(propOf(owner, u"Владелец"_qs).isEmpty());
    setUser("", "");
}

// ---------------------------------------------------------------------------
// Choosing the library

TEST(HalvexApi, LocalIsTheOwnImplementation) {
    const THalvexApi& api = THalvexApi::local();
    EXPECT_EQ(api.setUser, &hvsSetUser);
    EXPECT_EQ(api.confFileOpen, &hvsConfFileOpen);
    EXPECT_EQ(api.nodeEnum, &hvtNodeEnum);
    EXPECT_EQ(api.nodeGetName, &hvtNodeGetName);
    EXPECT_EQ(api.propGetText, &hvtNPropGetText);
}

// The library in use is chosen once; a failed load is tried again by the next call.
TEST(HalvexApi, ExternalLibraryIsLoadedOrRefusedWithAMessage) {
    qputenv("OSTRAND_CONFIG_LIBRARY", "/nonexistent/libhalvex.so");
    try {
        THalvexApi::instance();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().startsWith(
            u"Не удалось загрузить библиотеку доступа к конфигурации «/nonexistent/libhalvex.so»: "_qs))
            << e.message().toStdString();
    }

    qputenv("OSTRAND_CONFIG_LIBRARY", HALVEX_STUB_INCOMPLETE);
    try {
        THalvexApi::instance();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().startsWith(u"В библиотеке доступа к конфигурации «"_qs)) << e.message().toStdString();
        EXPECT_TRUE(e.message().endsWith(u"» нет функции hvtNPropGetText"_qs)) << e.message().toStdString();
    }

    qputenv("OSTRAND_CONFIG_LIBRARY", HALVEX_STUB);
    const THalvexApi& api = THalvexApi::instance();
    EXPECT_NE(api.nodeEnum, &hvtNodeEnum);
    EXPECT_EQ(api.nodeEnum(7, 2), 9); // the stub's own answer
    char buffer[HALVEX_BUFFER_SIZE] = "";
    api.propGetText(1, "P", buffer, HALVEX_BUFFER_SIZE);
    EXPECT_STREQ(buffer, "stub:P");
    qunsetenv("OSTRAND_CONFIG_LIBRARY");
    EXPECT_EQ(&THalvexApi::instance(), &api); // chosen once
}

} // namespace
