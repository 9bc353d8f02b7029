#include "selection/configaccess/localconfig.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/textfile.h"
#include "selection/configaccess/configtree.h"
#include "selection/configaccess/halvex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#ifndef OSTRAND_DEFAULT_CONFIG_ROOT
#define OSTRAND_DEFAULT_CONFIG_ROOT "config"
#endif

namespace configaccess {
namespace {

// Messages of a failed open, as the user sees them.
namespace msg {
const char16_t* const BadNtServer = u"Недопустимое имя NT-сервера «%1»";
const char16_t* const BadPath =
    u"Недопустимый путь к файлу конфигурации «%1»: ожидается TM_SERVER\\<ТМ-сервер>\\<файл>";
const char16_t* const NoRoot = u"Папка конфигураций не найдена: %1";
const char16_t* const UnknownNt = u"NT-сервер «%1» не найден";
const char16_t* const NotLoggedOn = u"Доступ к NT-серверу «%1» запрещён: вход не выполнен";
const char16_t* const BadLogOn = u"Доступ к NT-серверу «%1» запрещён: неверное имя пользователя или пароль";
const char16_t* const NoUserList = u"Доступ к NT-серверу «%1» запрещён: не удалось прочитать список пользователей";
const char16_t* const UnknownTm = u"ТМ-сервер «%1» не найден на NT-сервере «%2»";
const char16_t* const NoFile = u"Файл конфигурации «%1» не найден на ТМ-сервере «%2»";
const char16_t* const Unreadable = u"Не удалось прочитать файл конфигурации «%1»";
const char16_t* const TooLarge = u"Файл конфигурации «%1» слишком велик";
const char16_t* const Syntax = u"Ошибка в файле конфигурации «%1», строка %2, столбец %3: %4";
const char16_t* const OutOfMemory = u"Недостаточно памяти для чтения файла конфигурации «%1»";
const char16_t* const OutsideRoot = u"Файл конфигурации «%1» лежит вне папки конфигураций и не будет прочитан";
const char16_t* const Internal = u"Внутренняя ошибка библиотеки доступа к конфигурации";
} // namespace msg

QString text(const char16_t* s) { return QString::fromUtf16(s); }

// A name as it appears in a message: control characters shown as "?", long
// names shortened.
QString shown(const QString& name) {
    constexpr qsizetype kMax = 40;
    QString out = name.left(kMax);
    for (QChar& c : out)
        if (c.category() == QChar::Other_Control)
            c = u'?';
    if (name.size() > kMax)
        out += u'…';
    return out;
}

// Whether a server name or path part may become a folder or file name under
// the root: nothing that could climb out of it or name another place.
bool isSafeName(const QString& name) {
    if (name.isEmpty() || name == u"." || name.contains(u".."))
        return false;
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

// The entry of a folder with the given name: the exact name, else the first
// entry whose name differs from it in letter case only. Empty when none.
QString findEntry(const QString& folder, const QString& name, bool wantFolder) {
    const QString exact = folder + u'/' + name;
    const QFileInfo info(exact);
    if (info.exists() && info.isDir() == wantFolder)
        return exact;
    const QDir dir(folder);
    const QStringList entries =
        dir.entryList((wantFolder ? QDir::Dirs : QDir::Files) | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return folder + u'/' + e;
    return {};
}

// Any entry of a folder under the name (letter case ignored as in findEntry),
// whatever it is: a file, a folder, a device, a FIFO, a dangling link.
QString findAnyEntry(const QString& folder, const QString& name) {
    const QString exact = folder + u'/' + name;
    const QFileInfo info(exact);
    if (info.exists() || info.isSymLink())
        return exact;
    const QDir dir(folder);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return folder + u'/' + e;
    return {};
}

// Whether a file, its links resolved, lies inside the root folder (its links
// resolved too): nothing outside the root is ever read.
bool liesUnder(const QString& file, const QString& root) {
    const QString realRoot = QFileInfo(root).canonicalFilePath();
    const QString realFile = QFileInfo(file).canonicalFilePath();
    if (realRoot.isEmpty() || realFile.isEmpty())
        return false;
    const QString prefix = realRoot.endsWith(u'/') ? realRoot : realRoot + u'/';
    return realFile.startsWith(prefix);
}

std::filesystem::path fsPath(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

struct TFileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;   // the file system's own units
    std::uint64_t fileTime = 0; // UTC, 100-ns units since 1601-01-01
};

bool stampOf(const QString& path, TFileStamp& stamp) {
    std::error_code ec;
    const std::filesystem::path p = fsPath(path);
    const auto size = std::filesystem::file_size(p, ec);
    if (ec)
        return false;
    const auto modified = std::filesystem::last_write_time(p, ec);
    if (ec)
        return false;
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
    constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000LL;
    const auto sinceUnixEpoch = std::chrono::floor<Ticks>(std::chrono::file_clock::to_sys(modified)).time_since_epoch();
    stamp.size = size;
    stamp.modified = static_cast<std::int64_t>(modified.time_since_epoch().count());
    stamp.fileTime = static_cast<std::uint64_t>(sinceUnixEpoch.count() + kUnixEpochAsFileTime);
    return true;
}

// Writes a code page 1251 text into a caller's buffer, cut to the buffer's
// size less the terminating zero.
void copyOut(const char* src, std::size_t length, char* buffer, std::int32_t bufferSize) {
    if (buffer == nullptr || bufferSize <= 0)
        return;
    const std::size_t n = std::min(length, static_cast<std::size_t>(bufferSize - 1));
    std::memcpy(buffer, src, n);
    buffer[n] = '\0';
}

void copyOut(const char* src, char* buffer, std::int32_t bufferSize) {
    if (buffer == nullptr || bufferSize <= 0)
        return;
    copyOut(src, ::strnlen(src, static_cast<std::size_t>(bufferSize - 1)), buffer, bufferSize);
}

void copyOut(const QString& text, char* buffer, std::int32_t bufferSize) {
    const QByteArray bytes = cp1251::encode(text);
    copyOut(bytes.constData(), static_cast<std::size_t>(bytes.size()), buffer, bufferSize);
}

QString fromCp1251(const char* s) { return s ? cp1251::decode(QByteArrayView(s, qstrlen(s))) : QString(); }

// The open failed; the text says why.
struct TOpenError {
    QString message;
};

// A parsed tree and the handle numbering of its nodes: the low 25 bits of a
// handle hold the node number plus one, the 6 bits above them a tag (1 to 63)
// that changes with every parse, so that handles of the last 62 trees parsed
// before are refused rather than taken for nodes of this one.
struct TTree {
    static constexpr int IndexBits = 25;
    static constexpr std::uint32_t TagCount = 63;

    QString path;
    TFileStamp stamp;
    std::unique_ptr<const TConfigTree> tree;
    std::uint32_t tag = 1;

    std::int32_t handle(std::uint32_t node) const {
        return static_cast<std::int32_t>((tag << IndexBits) | (node + 1));
    }
    // The node of a handle, or TConfigTree::None.
    std::uint32_t node(std::int32_t handle) const {
        if (handle <= 0)
            return TConfigTree::None;
        const auto h = static_cast<std::uint32_t>(handle);
        const std::uint32_t number = h & ((1u << IndexBits) - 1);
        if ((h >> IndexBits) != tag || number == 0 || number > tree->nodeCount())
            return TConfigTree::None;
        return number - 1;
    }
};
static_assert(TConfigTree::MaxNodes < (1u << TTree::IndexBits));
static_assert(TTree::TagCount < (1u << (31 - TTree::IndexBits)));

class TLocalLibrary {
public:
    void setUser(QString user, QString password) {
        std::lock_guard lock(m_mutex);
        m_user = std::move(user);
        m_password = std::move(password);
    }

    std::int32_t open(const QString& ntServer, const QString& path, std::uint64_t* fileTime) {
        std::lock_guard lock(m_mutex);
        m_keys.clear();
        if (!isSafeName(ntServer))
            throw TOpenError{text(msg::BadNtServer).arg(shown(ntServer))};
        const QStringList parts = path.split(u'\\');
        if (parts.size() != 3 || parts[0].compare(u"TM_SERVER", Qt::CaseInsensitive) != 0 || !isSafeName(parts[1]) ||
            !isSafeName(parts[2]))
            throw TOpenError{text(msg::BadPath).arg(shown(path))};
        const QString& tmServer = parts[1];
        const QString& fileName = parts[2];

        const QString root = configRoot();
        if (!QFileInfo(root).isDir())
            throw TOpenError{text(msg::NoRoot).arg(QDir::toNativeSeparators(root))};
        const QString ntFolder = findEntry(root, ntServer, true);
        if (ntFolder.isEmpty())
            throw TOpenError{text(msg::UnknownNt).arg(shown(ntServer))};
        checkLogOn(root, ntFolder, ntServer);
        const QString tmRoot = findEntry(ntFolder, QStringLiteral("TM_SERVER"), true);
        const QString tmFolder = tmRoot.isEmpty() ? QString() : findEntry(tmRoot, tmServer, true);
        if (tmFolder.isEmpty())
            throw TOpenError{text(msg::UnknownTm).arg(shown(tmServer), shown(ntServer))};
        const QString file = findEntry(tmFolder, fileName + QStringLiteral(".xml"), false);
        TFileStamp stamp;
        if (file.isEmpty() || !QFileInfo(file).isFile() || !stampOf(file, stamp))
            throw TOpenError{text(msg::NoFile).arg(shown(fileName), shown(tmServer))};
        if (!liesUnder(file, root))
            throw TOpenError{text(msg::OutsideRoot).arg(shown(fileName))};

        const TTree& tree = load(file, stamp, fileName);
        if (fileTime != nullptr)
            *fileTime = tree.stamp.fileTime;
        return tree.handle(tree.tree->top());
    }

    std::int32_t child(std::int32_t handle, std::int32_t index) {
        std::lock_guard lock(m_mutex);
        const TTree* t = current();
        const std::uint32_t node = t ? t->node(handle) : TConfigTree::None;
        if (node == TConfigTree::None)
            return 0;
        const std::uint32_t c = t->tree->child(node, index);
        return c == TConfigTree::None ? 0 : t->handle(c);
    }

    bool name(std::int32_t handle, char* buffer, std::int32_t bufferSize) {
        std::lock_guard lock(m_mutex);
        const TTree* t = current();
        const std::uint32_t node = t ? t->node(handle) : TConfigTree::None;
        if (node == TConfigTree::None)
            return false;
        copyOut(t->tree->name(node), buffer, bufferSize);
        return true;
    }

    bool property(std::int32_t handle, const char* property, char* buffer, std::int32_t bufferSize) {
        if (property == nullptr)
            return false;
        std::lock_guard lock(m_mutex);
        const TTree* t = current();
        const std::uint32_t node = t ? t->node(handle) : TConfigTree::None;
        if (node == TConfigTree::None)
            return false;
        const char* value = t->tree->property(node, keyOf(*t, property));
        if (value == nullptr)
            return false;
        copyOut(value, buffer, bufferSize);
        return true;
    }

    // Every handle handed out becomes invalid.
    void releaseTrees() {
        std::lock_guard lock(m_mutex);
        m_trees.clear();
        m_keys.clear();
#if defined(__GLIBC__)
        ::malloc_trim(0);
#endif
    }

    std::size_t treeCount() {
        std::lock_guard lock(m_mutex);
        return m_trees.size();
    }

private:
    // A selection asks every node for the same few properties: their names
    // are looked up in the current tree once.
    struct TKnownProperty {
        std::string name;
        TConfigTree::TPropertyKey key;
    };
    const TConfigTree::TPropertyKey& keyOf(const TTree& t, const char* name) {
        for (const TKnownProperty& k : m_keys)
            if (k.name == name)
                return k.key;
        if (m_keys.size() >= 16)
            m_keys.erase(m_keys.begin());
        m_keys.push_back(TKnownProperty{name, t.tree->key(name)});
        return m_keys.back().key;
    }

    // The tree of the last successful open; only its handles are answered.
    const TTree* current() const { return m_trees.empty() ? nullptr : m_trees.front().get(); }

    void checkLogOn(const QString& root, const QString& ntFolder, const QString& ntServer) const {
        // A server without a user list lets everybody in. Anything else under
        // the list's name that is not a readable regular file inside the root
        // (a folder, a dangling link, a FIFO, a device, a link out of the root)
        // is an unreadable list and lets nobody in.
        const QString listFile = findAnyEntry(ntFolder, QStringLiteral("users.txt"));
        if (listFile.isEmpty())
            return;
        if (!liesUnder(listFile, root))
            throw TOpenError{text(msg::NoUserList).arg(shown(ntServer))};
        if (m_user.isEmpty())
            throw TOpenError{text(msg::NotLoggedOn).arg(shown(ntServer))};
        const std::optional<QByteArray> bytes = textfile::readBytes(listFile, textfile::MaxTextSize);
        if (!bytes)
            throw TOpenError{text(msg::NoUserList).arg(shown(ntServer))};
        QString list = QString::fromUtf8(*bytes);
        if (list.startsWith(QChar(0xFEFF)))
            list.remove(0, 1);
        // Lines "user=password"; user names are compared without regard to
        // letter case, passwords exactly. Lines starting with ";" or "#" are comments.
        for (const QString& line : textfile::splitLines(list)) {
            if (line.startsWith(u';') || line.startsWith(u'#'))
                continue;
            const qsizetype eq = line.indexOf(u'=');
            if (eq <= 0)
                continue;
            if (line.left(eq).trimmed().compare(m_user, Qt::CaseInsensitive) == 0 && line.mid(eq + 1) == m_password)
                return;
        }
        throw TOpenError{text(msg::BadLogOn).arg(shown(ntServer))};
    }

    // The tree of a file: the kept one when the file is unchanged (same path,
    // size and modification time), else the file parsed anew. It becomes the
    // current tree.
    const TTree& load(const QString& file, const TFileStamp& stamp, const QString& fileName) {
        for (std::size_t i = 0; i < m_trees.size(); ++i) {
            TTree& t = *m_trees[i];
            if (t.path == file && t.stamp.size == stamp.size && t.stamp.modified == stamp.modified) {
                std::unique_ptr<TTree> kept = std::move(m_trees[i]);
                m_trees.erase(m_trees.begin() + static_cast<std::ptrdiff_t>(i));
                kept->stamp.fileTime = stamp.fileTime;
                m_trees.insert(m_trees.begin(), std::move(kept));
                return *m_trees.front();
            }
        }
        // Keep at most the current tree while parsing, so a large file does not
        // meet two old trees in memory; an older copy of this file goes too.
        std::erase_if(m_trees, [&](const std::unique_ptr<TTree>& t) { return t->path == file; });
        if (m_trees.size() > 1)
            m_trees.resize(1);

        if (stamp.size >= UINT32_MAX / 2)
            throw TOpenError{text(msg::TooLarge).arg(shown(fileName))};
        std::unique_ptr<TTree> entry(new TTree);
        try {
            QFile f;
            try {
                textfile::openRegular(f, file, std::numeric_limits<qint64>::max());
            } catch (const Exception&) {
                throw TOpenError{text(msg::Unreadable).arg(shown(fileName))};
            }
            // Read in pieces: the tree is built while reading, the file is
            // never held whole.
            entry->tree = TConfigTree::read(f);
        } catch (const TConfigSyntaxError& e) {
            throw TOpenError{text(msg::Syntax).arg(shown(fileName), QString::number(e.position.line),
                                                         QString::number(e.position.column), e.reason)};
        } catch (const TConfigReadError&) {
            throw TOpenError{text(msg::Unreadable).arg(shown(fileName))};
        } catch (const std::bad_alloc&) {
            throw TOpenError{text(msg::OutOfMemory).arg(shown(fileName))};
        }
        entry->path = file;
        entry->stamp = stamp;
        entry->tag = static_cast<std::uint32_t>(m_parseCount++ % TTree::TagCount) + 1;
        m_trees.insert(m_trees.begin(), std::move(entry));
        if (m_trees.size() > 2)
            m_trees.resize(2);
#if defined(__GLIBC__)
        // Reading a large file leaves freed working stacks and the previous
        // tree's blocks with the allocator; give that memory back.
        if (stamp.size > (std::uint64_t(1) << 20))
            ::malloc_trim(0);
#endif
        return *m_trees.front();
    }

    std::mutex m_mutex;
    QString m_user;
    QString m_password;
    std::vector<std::unique_ptr<TTree>> m_trees; // the current tree first
    std::uint64_t m_parseCount = 0;
    std::vector<TKnownProperty> m_keys; // of the current tree; emptied by every open
};

TLocalLibrary& library() {
    static TLocalLibrary lib;
    return lib;
}

} // namespace

QString configRoot() {
    const QString root = qEnvironmentVariable("OSTRAND_CONFIG_ROOT");
    if (!root.isEmpty())
        return root;
    // An installed program serves the demo configuration installed beside it.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const QString installed = QDir::cleanPath(QString::fromStdString(program.parent_path().string()) +
                                                  QStringLiteral("/../share/ostrand/examples/config"));
        if (QFileInfo(installed).isDir())
            return installed;
    }
    return QString::fromUtf8(OSTRAND_DEFAULT_CONFIG_ROOT);
}

std::size_t heldTreeCount() { return library().treeCount(); }

void releaseTrees() { library().releaseTrees(); }

} // namespace configaccess

using configaccess::library;

// The C functions never let an exception out: a failure gives 0 (and for the
// open a message).

extern "C" std::int32_t HALVEX_API hvsSetUser(const char* user, const char* password) {
    try {
        library().setUser(configaccess::fromCp1251(user), configaccess::fromCp1251(password));
        return 1;
    } catch (...) {
        return 0;
    }
}

extern "C" std::int32_t HALVEX_API hvsConfFileOpen(const char* ntServer, const char* path, std::uint32_t /*flags*/,
                                                   std::uint64_t* fileTime, std::int32_t* /*reserved*/,
                                                   char* errorBuffer, std::int32_t errorBufferSize) {
    try {
        const std::int32_t top =
            library().open(configaccess::fromCp1251(ntServer), configaccess::fromCp1251(path), fileTime);
        configaccess::copyOut("", errorBuffer, errorBufferSize);
        return top;
    } catch (const configaccess::TOpenError& e) {
        configaccess::copyOut(e.message, errorBuffer, errorBufferSize);
    } catch (...) {
        configaccess::copyOut(configaccess::text(configaccess::msg::Internal), errorBuffer, errorBufferSize);
    }
    return 0;
}

extern "C" std::int32_t HALVEX_API hvtNodeEnum(std::int32_t node, std::int32_t index) {
    try {
        return library().child(node, index);
    } catch (...) {
        return 0;
    }
}

extern "C" std::int32_t HALVEX_API hvtNodeGetName(std::int32_t node, char* buffer, std::int32_t bufferSize) {
    try {
        return library().name(node, buffer, bufferSize) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

extern "C" std::int32_t HALVEX_API hvtNPropGetText(std::int32_t node, const char* property, char* buffer,
                                                   std::int32_t bufferSize) {
    try {
        return library().property(node, property, buffer, bufferSize) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
