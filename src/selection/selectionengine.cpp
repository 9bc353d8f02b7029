#include "selection/selectionengine.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "common/textfile.h"
#include "selection/configaccess/configapi.h"
#include "selection/mask.h"
#include "selection/settingsfile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Texts the user sees.
namespace msg {
const char16_t* const Title = u"Экспорт конфигурации ОИК";
const char16_t* const RecordCount = u"Всего записей: ";
const char16_t* const Suppressed = u" (не показано сообщений об ошибках преобразования: %1)";
const char16_t* const AskGoOn = u"\n\nПоказывать следующие сообщения об ошибках преобразования значений?";
const char16_t* const TooManyColumns =
    u"Файл настроек %1 описывает %2 колонок, а допускается не более %3 (вместе с колонками из таблицы подстановки).";
const char16_t* const LookupBeforeColumns =
    u"В файле настроек %1 строка LookupFields стоит перед строкой описания колонок (%2). "
    u"Строки LookupFields должны следовать после всех строк описания колонок.";
const char16_t* const LookupCycle =
    u"Файл подстановки %1 ссылается сам на себя (цепочка файлов: %2). Файл настроек не загружен.";
const char16_t* const LookupTooDeep =
    u"Слишком глубокая вложенность файлов подстановки (более %1) при загрузке файла %2.";
const char16_t* const NtTooLong = u"Имя NT-сервера длиннее %1 символов: «%2». Выборка не выполнена.";
const char16_t* const PathTooLong =
    u"Путь к файлу конфигурации длиннее %1 символов: «%2». Выборка не выполнена.";
} // namespace msg

QString text(const char16_t* s) { return QString::fromUtf16(s); }

constexpr int kMaxLookupDepth = 16;

// A failure that every nested load passes on to the outermost one: a lookup
// file that leads back to a file already being loaded.
class ELookupChain : public Exception {
public:
    using Exception::Exception;
};

QString identityOf(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QString lookupPath(const QString& settingsFile, QString name) {
#ifndef Q_OS_WIN
    name.replace(u'\\', u'/');
#endif
    return QDir(QFileInfo(settingsFile).path()).filePath(name);
}

} // namespace

// Per-selection data of the walk, prepared once before it starts.
struct TSelectionEngine::Walk {
    const THalvexApi* api = nullptr;
    // Column lines by upper-cased node name (the first line wins): the
    // property names to read, code page 1251.
    QHash<QString, int> nodes;
    std::vector<std::vector<QByteArray>> properties;
    // Mask of table column j (index j; 0 unused).
    std::vector<TCompiledMask> masks;
    std::vector<bool> isFloat;
    // Lookup columns of DS (from configured count + 1) and their source in DS2.
    std::vector<TField*> lookupSource;
    std::vector<QStringView> fields; // fields of the gathered text
    QString upperName;
    QString value;
    // The last node name read and its column line (-1: none), since siblings
    // mostly share their kind.
    std::string lastName;
    int lastEntry = -1;
    bool hasLastName = false;
    // The join: key columns in DS and DS2, the key values of the pending record.
    bool joinReady = false;
    std::vector<int> keyColumns;
    std::vector<int> lookupKeyColumns;
    std::vector<bool> keyIsString;
    std::vector<TVariant> keyValues;
    std::int64_t nodesVisited = 0;
};

// Keeps the list of settings files being loaded, for the cycle check.
struct TSelectionEngine::LoadGuard {
    QStringList& list;
    LoadGuard(QStringList& l, const QString& id) : list(l) { list << id; }
    ~LoadGuard() { list.removeLast(); }
};

namespace {
// Begins and ends the host's busy state around a selection.
struct BusyGuard {
    TSelectionHost& host;
    explicit BusyGuard(TSelectionHost& h) : host(h) { host.beginBusy(); }
    ~BusyGuard() { host.endBusy(); }
};
} // namespace

TSelectionEngine::TSelectionEngine(TSelectionHost& host)
    : m_host(host), m_ds(QStringLiteral("DS")), m_ds2(QStringLiteral("DS2")) {}

TSelectionEngine::~TSelectionEngine() = default;

QString TSelectionEngine::baseTitle() { return text(msg::Title); }

QString TSelectionEngine::columnLabel(int index) const {
    return index >= 0 && index < static_cast<int>(m_labels.size()) ? m_labels[static_cast<std::size_t>(index)]
                                                                    : QString();
}

int TSelectionEngine::columnWidth(int index) const {
    return index >= 0 && index < static_cast<int>(m_widths.size()) ? m_widths[static_cast<std::size_t>(index)] : 0;
}

// ---------------------------------------------------------------------------
// Settings file

bool TSelectionEngine::LoadSettingsFile(const QString& path, bool fromUser) {
    QString file = path;
    if (file.isEmpty() && fromUser) {
        const std::optional<QString> chosen = m_host.chooseSettingsFile();
        if (!chosen || chosen->isEmpty())
            return false;
        file = *chosen;
    }
    try {
        loadFile(file, fromUser, 0);
        return true;
    } catch (const Exception& e) {
        if (m_ds.state() == TMemTable::State::Append)
            m_ds.cancel();
        failLoad(e.message());
        return false;
    }
}

void TSelectionEngine::failLoad(const QString& message) {
    TUserInteraction::current().showError(message);
    m_fileName.clear();
    m_host.setWindowTitle(baseTitle());
    // The grid shows no rows of a file that is no longer loaded.
    m_host.detachGrid();
}

void TSelectionEngine::loadFile(const QString& path, bool fromUser, int depth) {
    m_lines.clear();
    m_fileName = path;
    m_lines = textfile::readLines(path);
    LoadGuard guard(m_loading, identityOf(path));

    // First pass: the first lookup-file line loads the lookup file and turns its
    // selection into DS2.
    for (const QString& line : std::as_const(m_lines)) {
        if (settings::classify(line) != settings::LineKind::LookupFile)
            continue;
        const QString savedName = m_fileName;
        const QStringList savedLines = m_lines;
        m_ds2.close();
        const QString inner = lookupPath(path, settings::lookupFile(line));
        const QString innerId = identityOf(inner);
        if (m_loading.contains(innerId)) {
            QStringList chain;
            for (const QString& f : std::as_const(m_loading))
                chain << QFileInfo(f).fileName();
            chain << QFileInfo(innerId).fileName();
            throw ELookupChain(text(msg::LookupCycle).arg(QDir::toNativeSeparators(inner), chain.join(u" -> ")));
        }
        if (depth + 1 > kMaxLookupDepth)
            throw ELookupChain(text(msg::LookupTooDeep).arg(kMaxLookupDepth).arg(QDir::toNativeSeparators(inner)));
        bool loaded = false;
        try {
            loadFile(inner, false, depth + 1);
            loaded = true;
        } catch (const ELookupChain&) {
            throw;
        } catch (const Exception& e) {
            // The lookup file's own failure: reported like any load, then this
            // load goes on without a lookup table.
            if (m_ds.state() == TMemTable::State::Append)
                m_ds.cancel();
            failLoad(e.message());
        }
        if (loaded)
            MoveSelectionToLookup();
        m_fileName = savedName;
        m_lines = savedLines;
        break;
    }

    m_host.setWindowTitle(baseTitle() + QStringLiteral(" - ") + QFileInfo(path).fileName());
    if (fromUser)
        m_host.addRecentFile(path);
    buildStructure();
    performSelectionImpl(fromUser);
}

void TSelectionEngine::buildStructure() {
    m_configuredCount = 0;
    // DS is rebuilt for the new file: the grid lets go of the old rows, so a
    // cancelled selection leaves it empty rather than showing the previous file.
    m_host.detachGrid();
    m_ds.close();
    m_ds.clearFieldDefs();
    m_ds.addFieldDef(QStringLiteral("RecNo"), TFieldType::Integer);
    m_labels.assign(1, QString());
    m_widths.assign(1, 0);

    // Second pass: column lines, then lookup-fields lines.
    int lookupColumns = 0;
    bool lookupSeen = false;
    for (const QString& line : std::as_const(m_lines)) {
        switch (settings::classify(line)) {
        case settings::LineKind::Column: {
            const std::vector<settings::ColumnSpec> specs = settings::columns(line);
            if (specs.empty())
                break;
            if (lookupSeen)
                throw Exception(text(msg::LookupBeforeColumns).arg(QFileInfo(m_fileName).fileName(), line));
            for (const settings::ColumnSpec& c : specs) {
                m_ds.addFieldDef(c.fieldName, c.type, c.type == TFieldType::String ? c.size : 0);
                m_labels.push_back(c.label);
                m_widths.push_back(c.size);
                ++m_configuredCount;
            }
            break;
        }
        case settings::LineKind::LookupFields:
            lookupSeen = true;
            for (const QString& name : settings::lookupFields(line)) {
                const TField* source = nullptr;
                try {
                    source = &m_ds2.fieldByName(name);
                } catch (const Exception& e) {
                    TUserInteraction::current().showError(e.message());
                    continue;
                }
                m_ds.addFieldDef(source->fieldName(), source->dataType(), source->size());
                m_labels.push_back(source->displayLabel());
                m_widths.push_back(source->displayWidth());
                ++lookupColumns;
            }
            break;
        default: break;
        }
    }
    if (m_configuredCount + lookupColumns > MaxColumns)
        throw Exception(text(msg::TooManyColumns)
                            .arg(QFileInfo(m_fileName).fileName())
                            .arg(m_configuredCount + lookupColumns)
                            .arg(MaxColumns));

    // Key columns: configured columns that DS2 has under the very same name.
    QStringList keys;
    const auto& defs = m_ds.fieldDefs();
    for (int i = 1; i <= m_configuredCount; ++i) {
        const QString& name = defs[static_cast<std::size_t>(i)].name;
        for (int k = 1; k < m_ds2.fieldCount(); ++k)
            if (m_ds2.field(k).fieldName() == name) {
                keys << name;
                break;
            }
    }
    m_lookupKeys = keys.join(u';');

    m_filter.clear();
    for (std::size_t i = 1; i < defs.size(); ++i)
        m_filter.add(m_labels[i] + u'=');
}

void TSelectionEngine::MoveSelectionToLookup() {
    m_ds2.copyFrom(m_ds);
    const int n = std::min(m_ds.fieldCount(), m_ds2.fieldCount());
    for (int i = 0; i < n; ++i) {
        m_ds2.field(i).setDisplayWidth(m_ds.field(i).displayWidth());
        m_ds2.field(i).setDisplayLabel(m_ds.field(i).displayLabel());
    }
}

// ---------------------------------------------------------------------------
// Selection

bool TSelectionEngine::PerformSelection(bool fromUser) {
    if (!hasSettingsFile()) {
        if (!fromUser)
            return false;
        return LoadSettingsFile(QString(), true);
    }
    try {
        return performSelectionImpl(fromUser);
    } catch (const Exception& e) {
        if (m_ds.state() == TMemTable::State::Append)
            m_ds.cancel();
        TUserInteraction::current().messageBox(e.message(), QString(), TUserInteraction::ErrorIcon,
                                               TUserInteraction::Ok);
        return false;
    }
}

bool TSelectionEngine::performSelectionImpl(bool fromUser) {
    if (fromUser && !m_host.showFilterDialog(m_filter))
        return false;

    const int columnCount = static_cast<int>(m_ds.fieldDefs().size());
    m_maskText.clear();
    for (int i = 1; i < columnCount; ++i) {
        m_maskText += QChar(cp1251::Bullet);
        m_maskText += m_filter.mask(i - 1);
    }

    BusyGuard busy(m_host);
    m_host.detachGrid();
    m_ds.close();
    m_ds.open();
    m_ds.field(0).setVisible(false);
    for (int i = 1; i < m_ds.fieldCount(); ++i) {
        if (columnWidth(i) != 0)
            m_ds.field(i).setDisplayWidth(columnWidth(i));
        if (!columnLabel(i).isEmpty())
            m_ds.field(i).setDisplayLabel(columnLabel(i));
    }

    m_gathered.clear();
    m_gatheredCount = 0;
    m_previous.clear();
    m_shownMessages = 0;
    m_suppressed = 0;
    m_showMessages = true;

    Walk walk;
    walk.api = &THalvexApi::instance();
    prepareWalk(walk);

    std::int32_t top = 0;
    if (!openConfiguration(walk, top))
        return false;

    m_walk = &walk;
    struct Reset {
        Walk*& w;
        ~Reset() { w = nullptr; }
    } reset{m_walk};
    WalkNode(top);

    m_ds.first();
    m_host.attachGrid(m_ds);
    QString status = text(msg::RecordCount) + QString::number(m_ds.recordCount());
    if (m_suppressed > 0)
        status += text(msg::Suppressed).arg(m_suppressed);
    m_host.setStatusText(status);
    return true;
}

void TSelectionEngine::prepareWalk(Walk& walk) {
    for (const QString& line : std::as_const(m_lines)) {
        if (settings::classify(line) != settings::LineKind::Column)
            continue;
        const QString name = cp1251::toUpper(settings::nodeName(line));
        if (walk.nodes.contains(name))
            continue;
        std::vector<QByteArray> props;
        for (const QString& p : settings::propertyNames(line))
            props.push_back(cp1251::encode(p));
        walk.nodes.insert(name, static_cast<int>(walk.properties.size()));
        walk.properties.push_back(std::move(props));
    }

    const int n = m_ds.fieldCount();
    walk.masks.resize(static_cast<std::size_t>(n));
    walk.isFloat.resize(static_cast<std::size_t>(n));
    for (int j = 1; j < n; ++j) {
        walk.masks[static_cast<std::size_t>(j)] =
            TCompiledMask(delimitedField(m_maskText, QChar(cp1251::Bullet), j + 1).toString());
        walk.isFloat[static_cast<std::size_t>(j)] = m_ds.field(j).dataType() == TFieldType::Float;
    }
    for (int j = m_configuredCount + 1; j < n; ++j)
        walk.lookupSource.push_back(&m_ds2.fieldByName(m_ds.field(j).fieldName()));
}

bool TSelectionEngine::openConfiguration(Walk& walk, std::int32_t& top) {
    const QString nt = m_host.ntServerName();
    const QString path = QStringLiteral("TM_SERVER\\") + m_host.tmServerName() + u'\\' +
                         (m_lines.isEmpty() ? QString() : m_lines.first());
    const QByteArray ntBytes = cp1251::encode(nt);
    const QByteArray pathBytes = cp1251::encode(path);
    if (ntBytes.size() > MaxServerText) {
        TUserInteraction::current().showError(text(msg::NtTooLong).arg(MaxServerText).arg(nt));
        return false;
    }
    if (pathBytes.size() > MaxServerText) {
        TUserInteraction::current().showError(text(msg::PathTooLong).arg(MaxServerText).arg(path));
        return false;
    }
    std::uint64_t fileTime = 0;
    std::int32_t reserved = 0;
    char error[HALVEX_BUFFER_SIZE] = {};
    top = walk.api->confFileOpen(ntBytes.constData(), pathBytes.constData(), HALVEX_OPEN_FLAGS, &fileTime,
                                 &reserved, error, HALVEX_BUFFER_SIZE);
    if (top == 0) {
        error[HALVEX_BUFFER_SIZE - 1] = 0;
        TUserInteraction::current().messageBox(cp1251::decode(QByteArrayView(error, qsizetype(std::strlen(error)))),
                                               QString(), TUserInteraction::ErrorIcon, TUserInteraction::Ok);
        return false;
    }
    m_fileTime = fileTime;
    return true;
}

namespace {

// Appends the text of a library buffer (at most 128 bytes, zero-terminated).
// Trailing blanks and control characters are dropped when trimRight is set.
void appendBuffer(QString& out, char* buffer, bool trimRight) {
    buffer[HALVEX_BUFFER_SIZE - 1] = 0;
    std::size_t n = std::strlen(buffer);
    if (trimRight)
        while (n > 0 && static_cast<unsigned char>(buffer[n - 1]) <= 32)
            --n;
    const qsizetype old = out.size();
    out.resize(old + static_cast<qsizetype>(n));
    QChar* dst = out.data() + old;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char b = static_cast<unsigned char>(buffer[i]);
        dst[i] = b < 0x80 ? QChar(b) : cp1251::toChar(b);
    }
}

} // namespace

bool TSelectionEngine::WalkNode(std::int32_t node) {
    Walk& w = *m_walk;
    const THalvexApi& api = *w.api;

    // Depth first with an explicit stack, so deep trees cannot exhaust the
    // call stack. A frame remembers the gathered text's length and count from
    // before its node's own values were appended.
    struct Frame {
        std::int32_t node;
        std::int32_t next;
        qsizetype savedLength;
        int savedCount;
    };
    std::vector<Frame> stack;
    stack.push_back({node, 0, m_gathered.size(), m_gatheredCount});
    char buffer[HALVEX_BUFFER_SIZE];

    while (!stack.empty()) {
        Frame& f = stack.back();
        const std::int32_t child = api.nodeEnum(f.node, f.next);
        if (child == 0) {
            const bool leaf = f.next == 0;
            const Frame done = f;
            stack.pop_back();
            if (stack.empty())
                return leaf;
            if (leaf && m_gatheredCount == m_configuredCount && m_gathered != m_previous) {
                // A copy of the characters, not a shared buffer: the gathered
                // text changes right after and would have to detach.
                m_previous.resize(m_gathered.size());
                std::copy(m_gathered.cbegin(), m_gathered.cend(), m_previous.begin());
                buildRecord();
            }
            m_gathered.truncate(done.savedLength);
            m_gatheredCount = done.savedCount;
            continue;
        }
        ++f.next;
        const Frame entered{child, 0, m_gathered.size(), m_gatheredCount};

        if (++w.nodesVisited % ProgressInterval == 0)
            m_host.progress(w.nodesVisited, m_ds.recordCount());

        std::memset(buffer, 0, sizeof buffer);
        api.nodeGetName(child, buffer, HALVEX_BUFFER_SIZE);
        buffer[HALVEX_BUFFER_SIZE - 1] = 0;
        if (!w.hasLastName || w.lastName != buffer) {
            w.lastName = buffer;
            w.hasLastName = true;
            w.upperName.clear();
            appendBuffer(w.upperName, buffer, false);
            for (QChar& c : w.upperName)
                c = cp1251::toUpper(c);
            const auto it = w.nodes.constFind(w.upperName);
            w.lastEntry = it == w.nodes.cend() ? -1 : *it;
        }
        if (w.lastEntry >= 0) {
            for (const QByteArray& prop : w.properties[static_cast<std::size_t>(w.lastEntry)]) {
                std::memset(buffer, 0, sizeof buffer);
                api.propGetText(child, prop.constData(), buffer, HALVEX_BUFFER_SIZE);
                m_gathered += QChar(cp1251::Bullet);
                appendBuffer(m_gathered, buffer, true);
                ++m_gatheredCount;
            }
        }
        stack.push_back(entered);
    }
    return false;
}

void TSelectionEngine::buildRecord() {
    Walk& w = *m_walk;
    // Fields of the gathered text: field 1 is the text before the first bullet.
    w.fields.clear();
    const QStringView gathered(m_gathered);
    qsizetype start = 0;
    for (;;) {
        const qsizetype at = gathered.indexOf(QChar(cp1251::Bullet), start);
        if (at < 0) {
            w.fields.push_back(gathered.mid(start));
            break;
        }
        w.fields.push_back(gathered.mid(start, at - start));
        start = at + 1;
    }
    auto field = [&](int k) { // field k, from 1
        return k - 1 < static_cast<int>(w.fields.size()) ? w.fields[static_cast<std::size_t>(k - 1)] : QStringView();
    };

    m_ds.append();
    m_ds.field(0).setAsInteger(m_ds.recordCount() + 1);
    for (int j = 1; j <= m_gatheredCount; ++j)
        if (!setColumn(j, field(j + 1)))
            return;

    const int n = m_ds.fieldCount();
    if (n > m_configuredCount + 1 && locateForWalk()) {
        for (int j = m_configuredCount + 1; j < n; ++j) {
            const TField& source = *w.lookupSource[static_cast<std::size_t>(j - m_configuredCount - 1)];
            TField& target = m_ds.field(j);
            // Without a mask to test, integers and strings are taken over as
            // they are, which is what the text would give; floats keep the
            // round trip through their text.
            if (w.masks[static_cast<std::size_t>(j)].matchesEverything() && source.dataType() == target.dataType() &&
                target.dataType() != TFieldType::Float) {
                target.setFromField(source);
                continue;
            }
            if (!setColumn(j, source.asString()))
                return;
        }
    }
    m_ds.post();
}

bool TSelectionEngine::locateForWalk() {
    Walk& w = *m_walk;
    if (!w.joinReady) {
        // The key columns as LocateLookupRecord takes them from the list.
        w.joinReady = true;
        const QStringList keys = m_lookupKeys.split(u';');
        for (int i = 0; i < keys.size() && i < settings::MaxItems && !keys[i].isEmpty(); ++i) {
            const TField& f = m_ds.fieldByName(keys[i]);
            w.keyColumns.push_back(f.index());
            w.lookupKeyColumns.push_back(m_ds2.fieldByName(keys[i]).index());
            w.keyIsString.push_back(f.dataType() == TFieldType::String);
        }
        w.keyValues.resize(w.keyColumns.size());
    }
    if (w.keyColumns.empty())
        return false;
    for (std::size_t k = 0; k < w.keyColumns.size(); ++k) {
        const TField& f = m_ds.field(w.keyColumns[k]);
        if (w.keyIsString[k] && f.isNull())
            return false;
        w.keyValues[k] = f.value();
    }
    return m_ds2.locate(w.lookupKeyColumns, w.keyValues);
}

bool TSelectionEngine::setColumn(int j, QStringView value) {
    Walk& w = *m_walk;
    if (!w.masks[static_cast<std::size_t>(j)].matches(value)) {
        m_ds.cancel();
        return false;
    }
    TField& f = m_ds.field(j);
    try {
        if (w.isFloat[static_cast<std::size_t>(j)] && value.contains(u',')) {
            w.value = value.toString();
            w.value.replace(u',', u'.');
            f.setAsStringView(w.value);
        } else {
            f.setAsStringView(value);
        }
    } catch (const Exception& e) {
        reportConversionError(e.message());
    }
    return true;
}

void TSelectionEngine::reportConversionError(const QString& message) {
    TUserInteraction& ui = TUserInteraction::current();
    if (m_policy == ConversionMessages::All) {
        ui.messageBox(message, QString(), TUserInteraction::ErrorIcon, TUserInteraction::Ok);
        return;
    }
    if (!m_showMessages) {
        ++m_suppressed;
        return;
    }
    if (m_shownMessages < 3) {
        ++m_shownMessages;
        ui.messageBox(message, QString(), TUserInteraction::ErrorIcon, TUserInteraction::Ok);
        return;
    }
    ++m_shownMessages;
    const auto answer = ui.messageBox(message + text(msg::AskGoOn), QString(), TUserInteraction::WarningIcon,
                                      TUserInteraction::Yes | TUserInteraction::No);
    if (answer != TUserInteraction::Yes)
        m_showMessages = false;
}

bool TSelectionEngine::LocateLookupRecord() {
    if (m_lookupKeys.isEmpty())
        return false;
    QStringList names;
    std::vector<TVariant> values;
    const QStringList keys = m_lookupKeys.split(u';');
    for (int i = 0; i < keys.size() && i < settings::MaxItems; ++i) {
        if (keys[i].isEmpty())
            break;
        const TField& f = m_ds.fieldByName(keys[i]);
        // A string key without value cannot be compared with anything: no match.
        if (f.dataType() == TFieldType::String && f.isNull())
            return false;
        names << keys[i];
        values.push_back(f.value());
    }
    if (names.isEmpty())
        return false;
    return m_ds2.locate(names.join(u';'), values);
}
