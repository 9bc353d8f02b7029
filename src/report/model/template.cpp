// Report template streams: report files (*.frf), template files (*.frt), the
// embedded template property and the dictionary block with its files (*.frd).

#include "common/binio.h"
#include "common/cp1251.h"
#include "common/datetime.h"
#include "common/interaction.h"
#include "common/textfile.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "report/model/streamio.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QImage>

using namespace frstream;

namespace {

constexpr std::uint8_t kVersion = TfrEngine::currentStreamVersion;
constexpr std::uint8_t kOldestVersion = 21;
constexpr std::uint8_t recPage = 255, recDictionary = 254, recExtension = 253, recEnd = 252;
constexpr int kMaxPages = 256; // the page index of an object record is one byte
constexpr std::int16_t kDictMarker = -2, kDictMarkerCleanUp = -1;
// Streams address their contents with 32-bit offsets.
constexpr qint64 kMaxStreamSize = 0xFFFFFFFFll;

QString badFormatText() { return QStringLiteral("Неверный FRF формат"); }

QString missingClassText(const QString& names) {
    return QStringLiteral("Report contains the following non-plugged components:\r") + names +
           QStringLiteral("You must include these components into your project.");
}

// Sets the version every reader uses while a stream is read and puts the
// previous one back afterwards, however the read ends.
class TVersionScope {
public:
    explicit TVersionScope(int version) : m_engine(TfrEngine::current()), m_previous(m_engine.streamVersion) {
        m_engine.streamVersion = version;
    }
    ~TVersionScope() { m_engine.streamVersion = m_previous; }
    TVersionScope(const TVersionScope&) = delete;
    TVersionScope& operator=(const TVersionScope&) = delete;

private:
    TfrEngine& m_engine;
    int m_previous;
};

void patchOffset(TBinaryWriter& out, qsizetype at) {
    if (out.pos() > kMaxStreamSize)
        throw Exception(QStringLiteral("Шаблон больше 4 ГБ не может быть сохранён"));
    out.patchU32(at, static_cast<std::uint32_t>(out.pos()));
}

// An end offset of an object record: it must lie inside the stream and past
// what has been read, so that reading never goes back and never loops.
qsizetype readEndOffset(TBinaryReader& in) {
    const std::uint32_t end = in.readU32();
    if (end < static_cast<std::uint64_t>(in.pos()) || end > static_cast<std::uint64_t>(in.size()))
        throw EFormatError(QStringLiteral("Object record end offset %1 outside the record").arg(end));
    return static_cast<qsizetype>(end);
}

void checkNotBehind(TBinaryReader& in, qsizetype end) {
    if (end < in.pos())
        throw EFormatError(QStringLiteral("Object record read past its end offset %1").arg(end));
}

// Info block strings: u16 length and bytes, no terminator.
QString readInfoString(TBinaryReader& in) {
    const std::uint16_t n = in.readU16();
    return text(in.readBytes(n));
}

void writeInfoString(TBinaryWriter& out, const QString& s) {
    const QByteArray b = bytes(s);
    out.writeU16(static_cast<std::uint16_t>(b.size()));
    out.writeBytes(b);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray bmpBytes(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP"))
        throw Exception(QStringLiteral("Не удалось записать картинку шаблона"));
    return out;
}

} // namespace

// Names generated while reading files that store none (pages before version
// 24, objects before version 23). Every page and object of such a file gets a
// generated name, so the names taken are exactly those handed out here and the
// first free number of a base name only grows: each name costs constant time
// instead of a scan of everything loaded so far (which made large old files
// quadratic to read).
struct TfrLoadNames {
    QSet<QString> taken;           // upper case
    QHash<QString, int> nextFree;  // base name -> first number not yet tried

    QString next(const QString& base) {
        int& n = nextFree[base.toUpper()];
        if (n == 0)
            n = 1;
        for (; n <= 10000; ++n) {
            const QString candidate = base + QString::number(n);
            if (!taken.contains(candidate.toUpper())) {
                taken.insert(candidate.toUpper());
                return candidate;
            }
        }
        return QString(); // all taken: the name stays empty
    }
};

// ---------------------------------------------------------------- dictionary block

namespace {

void readVariableList(TBinaryReader& in, TfrVariables& list) {
    // Entries are taken as stored, a name listed twice included (look-ups find
    // the first), so that a list reads back exactly as it was written. The
    // count is not trusted: every pair takes bytes, so a count larger than the
    // stream ends in a format error.
    const std::uint32_t count = in.readU32();
    for (std::uint32_t i = 0; i < count; ++i) {
        QString name = readString(in);
        QString value = readString(in);
        list.append(name, TVariant(value));
    }
}

void writeVariableList(TBinaryWriter& out, const TfrVariables& list) {
    out.writeU32(static_cast<std::uint32_t>(list.count()));
    for (const TfrVariables::Entry& e : list.entries()) {
        writeString(out, e.name);
        writeString(out, e.value.toString());
    }
}

} // namespace

void TfrDataDictionary::loadFromStream(TBinaryReader& in) {
    clear();
    const qsizetype start = in.pos();
    const std::int16_t marker = in.readI16();
    if (marker == kDictMarker || marker == kDictMarkerCleanUp) {
        readVariableList(in, variables);
        readVariableList(in, aliases);
        readVariableList(in, bandSources);
    } else {
        in.seek(start);
        const std::uint32_t count = in.readU32();
        std::vector<TfrOldDictEntry> entries;
        for (std::uint32_t i = 0; i < count; ++i) {
            TfrOldDictEntry e;
            e.kind = in.readU8();
            e.index = in.readI32();
            e.dataset = readShortString(in);
            e.text = readShortString(in);
            e.variable = readShortString(in);
            entries.push_back(std::move(e));
        }
        const QStringList names = readStrings(in);
        loadOldLayout(entries, names);
    }
    convertOldConvention();
    if (marker == kDictMarkerCleanUp)
        removeStaleAliases();
}

void TfrDataDictionary::saveToStream(TBinaryWriter& out) const {
    out.writeI16(kDictMarker);
    writeVariableList(out, variables);
    writeVariableList(out, aliases);
    writeVariableList(out, bandSources);
}

void TfrDataDictionary::loadFromFile(const QString& fileName) {
    clear();
    const std::optional<QByteArray> data = textfile::readBytes(fileName);
    if (!data)
        throw Exception(QStringLiteral("Cannot open file %1").arg(fileName));
    // The version byte is not looked at: the block is read in the current form.
    TVersionScope version(kVersion);
    try {
        TBinaryReader in(*data);
        in.readU8();
        loadFromStream(in);
    } catch (...) {
        clear();
        throw;
    }
}

void TfrDataDictionary::saveToFile(const QString& fileName) const {
    TVersionScope version(kVersion);
    QByteArray bytes;
    TBinaryWriter out(bytes);
    out.writeU8(kVersion);
    saveToStream(out);
    textfile::writeAtomically(fileName, bytes);
}

// ---------------------------------------------------------------- pages

void TfrReport::writePageRecord(TBinaryWriter& out, const TfrPage& p) {
    out.writeI32(-1);
    out.writeI32(p.pSize);
    out.writeI32(p.pWidth);
    out.writeI32(p.pHeight);
    out.writeI32(p.margins.left);
    out.writeI32(p.margins.top);
    out.writeI32(p.margins.right);
    out.writeI32(p.margins.bottom);
    out.writeU8(p.orientation);
    out.writeI32(p.bin);
    writeBool16(out, p.printToPrevPage);
    writeBool16(out, p.useMargins);
    out.writeI32(p.columns);
    out.writeI32(p.columnGap);
    out.writeU8(p.pageType);
    writeString(out, p.name);
    out.writeU8(p.borderStyle);
    writeString(out, p.caption);
    out.writeU32(p.color);
    out.writeI32(p.formLeft);
    out.writeI32(p.formTop);
    out.writeI32(p.formWidth);
    out.writeI32(p.formHeight);
    out.writeU8(p.position);
    writeStrings(out, p.script);
}

void TfrReport::readPageRecord(TBinaryReader& in, TfrPage& p, TfrLoadNames& names) {
    const int ver = version();
    const std::int32_t marker = in.readI32();
    const bool hasScript = marker == -1;
    const std::int32_t size = hasScript ? in.readI32() : marker;
    const std::int32_t w = in.readI32();
    const std::int32_t h = in.readI32();
    p.margins.left = in.readI32();
    p.margins.top = in.readI32();
    p.margins.right = in.readI32();
    p.margins.bottom = in.readI32();
    const std::uint8_t orientation = in.readU8();
    if (ver < 23)
        in.skip(6);
    const std::int32_t bin = ver >= 24 ? in.readI32() : -1;
    p.printToPrevPage = readBool16(in);
    p.useMargins = readBool16(in);
    p.columns = in.readI32();
    p.columnGap = in.readI32();
    if (ver >= 24) {
        p.pageType = in.readU8();
        p.name = readString(in);
        const std::uint8_t bs = in.readU8();
        p.borderStyle = bs == 0 ? std::uint8_t(bsDialog) : (bs == 1 ? std::uint8_t(bsSizeable) : bs);
        p.caption = readString(in);
        p.color = in.readU32();
        p.formLeft = in.readI32();
        p.formTop = in.readI32();
        p.formWidth = in.readI32();
        p.formHeight = in.readI32();
        p.position = in.readU8() != 0 ? poScreenCenter : poDesigned;
    } else {
        p.name = names.next(QStringLiteral("Page"));
    }
    if (hasScript)
        p.script = readStrings(in);
    p.changePaper(size, w, h, bin, orientation);
}

// ---------------------------------------------------------------- objects

bool TfrReport::readObjectRecord(TBinaryReader& in, std::uint8_t code, TfrLoadNames& names) {
    TfrEngine& engine = TfrEngine::current();
    const int ver = version();
    qsizetype end = -1;
    bool endFailed = false; // the end offset itself is damaged: nothing to skip to
    auto readEnd = [&] {
        try {
            end = readEndOffset(in);
        } catch (...) {
            endFailed = true;
            throw;
        }
    };
    try {
        QString className;
        bool framedMemo = false;
        if (code == gtAddIn) {
            className = readString(in);
            const QString upper = className.toUpper();
            if (upper == u"TFRBDELOOKUPCONTROL" || upper == u"TFRIBXLOOKUPCONTROL")
                className = QStringLiteral("TfrDBLookupControl");
            framedMemo = upper == u"TFRFRAMEDMEMOVIEW";
        }
        const std::uint8_t pageIndex = in.readU8();
        std::unique_ptr<TfrView> created =
            framedMemo ? engine.createObject(gtMemo) : engine.createObject(code, className);
        if (!created)
            throw EFormatError(QStringLiteral("Object kind %1 cannot be created").arg(code));
        if (pageIndex >= m_pages.count())
            throw EFormatError(QStringLiteral("Object placed on page %1 that does not exist").arg(pageIndex + 1));
        TfrView* view = m_pages.page(pageIndex)->add(std::move(created));
        if (ver >= 24)
            readEnd();
        view->saveMode = TfrSaveMode::Design;
        const bool nameStored = ver >= 24 || ver == 23;
        try {
            view->loadFromStream(in);
        } catch (...) {
            view->setName(view->name());
            throw;
        }
        if (!nameStored)
            view->setName(names.next(view->baseName));
        view->setName(view->name());
        if (framedMemo)
            in.skip(8);
        if (end >= 0) {
            checkNotBehind(in, end);
            in.seek(end);
        }
        return true;
    } catch (const std::exception&) {
        // Before version 24 nothing says where the record ends: a class that is
        // not registered stops the reading of objects, anything else is a
        // damaged file.
        if (ver < 24) {
            if (engine.missingClass)
                return false;
            throw;
        }
        if (endFailed)
            throw;
        if (end < 0)
            end = readEndOffset(in);
        checkNotBehind(in, end);
        in.seek(end);
        return true;
    }
}

// ---------------------------------------------------------------- page section

void TfrReport::writePageSection(TBinaryWriter& out) {
    TfrEngine& engine = TfrEngine::current();
    writeBool16(out, keepDefaultPrinter);
    writeBool16(out, doublePassReport);
    QString printer = engine.printer().printerName();
    if (printer == TfrPrinter::virtualPrinterName())
        printer = QString(QChar(1));
    writeString(out, printer);
    for (int i = 0; i < m_pages.count(); ++i) {
        out.writeU8(recPage);
        try {
            writePageRecord(out, *m_pages.page(i));
        } catch (const Exception& e) {
            throw Exception(QStringLiteral("Страница %1: %2").arg(m_pages.page(i)->name, e.message()));
        }
    }
    for (int i = 0; i < m_pages.count(); ++i) {
        for (const auto& view : m_pages.page(i)->objects()) {
            const std::uint8_t code = view->objectType;
            if (code > gtLine && code != gtAddIn)
                throw Exception(QStringLiteral("Объект %1 неизвестного вида %2 не может быть сохранён")
                                    .arg(view->name())
                                    .arg(code));
            out.writeU8(code);
            if (code == gtAddIn)
                writeString(out, view->className());
            out.writeU8(static_cast<std::uint8_t>(i));
            const qsizetype at = out.pos();
            out.writeU32(0);
            view->saveMode = TfrSaveMode::Design;
            try {
                view->saveToStream(out);
            } catch (const Exception& e) {
                throw Exception(QStringLiteral("Объект %1: %2").arg(view->name(), e.message()));
            }
            patchOffset(out, at);
        }
    }
    out.writeU8(recDictionary);
    try {
        m_dictionary.saveToStream(out);
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("Словарь: %1").arg(e.message()));
    }
}

void TfrReport::readPageSection(TBinaryReader& in) {
    TfrEngine& engine = TfrEngine::current();
    clear();
    keepDefaultPrinter = readBool16(in);
    doublePassReport = readBool16(in);
    QString printer = readString(in);
    if (printer == QString(QChar(1)))
        printer = TfrPrinter::virtualPrinterName();
    changePrinter(printer);
    TfrLoadNames pageNames, objectNames;
    while (!in.atEnd()) {
        const qsizetype recordStart = in.pos();
        const std::uint8_t code = in.readU8();
        if (code == recPage) {
            const int index = m_pages.add();
            readPageRecord(in, *m_pages.page(index), pageNames);
        } else if (code == recDictionary) {
            m_dictionary.loadFromStream(in);
        } else if (code == recExtension) {
            // No extension component is installed: its block is empty here.
            in.readU8();
            break;
        } else if (code == recEnd) {
            break;
        } else if (code > gtAddIn || (code > gtLine && code < gtAddIn)) {
            throw EFormatError(QStringLiteral("Unknown record code %1 at offset %2").arg(code).arg(recordStart));
        } else if (!readObjectRecord(in, code, objectNames)) {
            break;
        }
    }
    if (engine.missingClass)
        throw EClassNotFound(engine.missingClassMessage);
    for (int i = 0; i < m_pages.count(); ++i)
        for (const auto& view : m_pages.page(i)->objects())
            view->afterLoad();
}

// ---------------------------------------------------------------- information block

void TfrReport::writeInfo(TBinaryWriter& out) {
    writeInfoString(out, info.comment);
    writeInfoString(out, info.name);
    writeInfoString(out, info.author);
    writeInfoString(out, info.versionMajor);
    writeInfoString(out, info.versionMinor);
    writeInfoString(out, info.versionRelease);
    writeInfoString(out, info.versionBuild);
    const QByteArray pw = bytes(info.password, maxLength / 2);
    out.writeU16(static_cast<std::uint16_t>(pw.size() * 2));
    out.writeBytes(pw.toHex().toUpper());
    out.writeU8(info.generatorByte);
    out.writeU8(info.passwordProtected ? 1 : 0);
    out.writeF64(info.createDate);
    out.writeF64(info.lastChangeDate);
}

void TfrReport::readInfo(TBinaryReader& in) {
    info.comment = readInfoString(in);
    info.name = readInfoString(in);
    info.author = readInfoString(in);
    info.versionMajor = readInfoString(in);
    info.versionMinor = readInfoString(in);
    info.versionRelease = readInfoString(in);
    info.versionBuild = readInfoString(in);
    const std::uint16_t n = in.readU16();
    const QByteArray hex = in.readBytes(n);
    if (hex.size() % 2 != 0)
        throw EFormatError(QStringLiteral("Password of odd length"));
    QByteArray pw;
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            throw EFormatError(QStringLiteral("Password is not hexadecimal"));
        pw.append(static_cast<char>(hi * 16 + lo));
    }
    info.password = text(pw);
    info.generatorByte = in.readU8();
    info.passwordProtected = in.readU8() != 0;
    info.createDate = in.readF64();
    info.lastChangeDate = in.readF64();
}

// ---------------------------------------------------------------- report files

QByteArray TfrReport::saveToStream() {
    if (m_pages.count() > kMaxPages)
        throw Exception(QStringLiteral("Отчёт из %1 страниц не может быть сохранён: шаблон вмещает не более %2 страниц")
                            .arg(m_pages.count())
                            .arg(kMaxPages));
    TVersionScope version(kVersion);
    TfrEngine::current().streamVersion = kVersion; // writers leave the version at 25
    info.generatorByte = 88;
    info.lastChangeDate = datetime::now();
    QByteArray data;
    TBinaryWriter out(data);
    out.writeU8(kVersion);
    writePageSection(out);
    out.writeU8(recEnd);
    writeInfo(out);
    if (data.size() > kMaxStreamSize)
        throw Exception(QStringLiteral("Шаблон больше 4 ГБ не может быть сохранён"));
    return data;
}

void TfrReport::loadFromStream(QByteArrayView data, bool fromFile) {
    TfrEngine& engine = TfrEngine::current();
    TUserInteraction& ui = TUserInteraction::current();
    m_dictionary.clear();
    if (data.isEmpty())
        return;
    if (data.size() > kMaxStreamSize) {
        ui.showError(badFormatText());
        m_pages.clear();
        m_pages.add();
        return;
    }
    TBinaryReader in(data);
    int ver = in.readU8();
    if (ver < kOldestVersion) {
        ver = kOldestVersion; // no version byte
        in.seek(0);
    }
    engine.resetMissingClass();
    if (ver > kVersion) {
        ui.showError(badFormatText());
        return;
    }
    TVersionScope version(ver);
    try {
        readPageSection(in);
        if (!in.atEnd())
            readInfo(in);
        else
            info.reset();
    } catch (const EClassNotFound& e) {
        ui.showError(missingClassText(e.message()));
        return;
    } catch (...) {
        ui.showError(badFormatText());
        m_pages.clear();
        m_pages.add();
        return;
    }
    if (info.passwordProtected && fromFile) {
        const std::optional<QString> answer =
            ui.inputBox(QStringLiteral("Пароль"), QStringLiteral("Введите пароль для открытия отчета"), QString());
        if (answer && *answer == info.password)
            return;
        // The template stays closed: nothing of it is kept, its dictionary
        // included.
        info.reset();
        fileName = TfrEngine::current().untitledName();
        m_dictionary.clear();
        m_pages.clear();
        m_pages.add();
    }
}

bool TfrReport::loadFromFile(const QString& name) {
    const QFileInfo fi(name);
    if (!fi.exists() || !fi.isFile())
        return false;
    if (fi.size() > kMaxStreamSize) {
        TUserInteraction::current().showError(badFormatText());
        return false;
    }
    const std::optional<QByteArray> data = textfile::readBytes(name);
    if (!data)
        return false;
    loadFromStream(*data, true);
    fileName = name;
    return true;
}

void TfrReport::saveToFile(const QString& name) { textfile::writeAtomically(name, saveToStream()); }

// ---------------------------------------------------------------- template files

void TfrReport::saveTemplate(const QString& name, const QStringList& description, const QImage& picture) {
    if (m_pages.count() > kMaxPages)
        throw Exception(QStringLiteral("Отчёт из %1 страниц не может быть сохранён: шаблон вмещает не более %2 страниц")
                            .arg(m_pages.count())
                            .arg(kMaxPages));
    TVersionScope version(kVersion);
    QByteArray data;
    TBinaryWriter out(data);
    writeStrings(out, description);
    const qsizetype at = out.pos();
    out.writeU32(0);
    out.writeU8(picture.isNull() ? 0 : 1);
    if (!picture.isNull())
        out.writeBytes(bmpBytes(picture));
    patchOffset(out, at);
    writePageSection(out);
    if (data.size() > kMaxStreamSize)
        throw Exception(QStringLiteral("Шаблон больше 4 ГБ не может быть сохранён"));
    textfile::writeAtomically(name, data);
}

bool TfrReport::loadTemplate(const QString& name, QStringList& description, QImage& picture, bool loadPages) {
    const QFileInfo fi(name);
    if (!fi.isFile() || fi.size() > kMaxStreamSize)
        return false;
    const std::optional<QByteArray> data = textfile::readBytes(name);
    if (!data)
        return false;
    TfrEngine& engine = TfrEngine::current();
    TVersionScope version(kVersion);
    TBinaryReader in(*data);
    QStringList desc;
    QImage pic;
    try {
        desc = readStrings(in);
        const std::uint32_t offset = in.readU32();
        const std::uint8_t hasPicture = in.readU8();
        if (offset < in.pos() || offset > static_cast<std::uint64_t>(in.size()))
            throw EFormatError(QStringLiteral("Page section offset %1 outside the file").arg(offset));
        if (hasPicture == 1)
            pic.loadFromData(in.readBytes(static_cast<qsizetype>(offset) - in.pos()), "BMP");
        description = desc;
        picture = pic;
        if (!loadPages)
            return true;
        in.seek(offset);
        engine.resetMissingClass();
        readPageSection(in);
    } catch (const EClassNotFound&) {
        throw;
    } catch (const std::exception&) {
        throw EFormatError(badFormatText());
    }
    return true;
}

// ---------------------------------------------------------------- embedded template

QByteArray TfrReport::reportForm() {
    QByteArray data;
    TBinaryWriter out(data);
    out.writeU32(kVersion);
    if (storeInDFM) {
        const QByteArray stream = saveToStream();
        out.writeU32(static_cast<std::uint32_t>(stream.size()));
        out.writeBytes(stream);
    }
    return data;
}

void TfrReport::setReportForm(QByteArrayView data) {
    QByteArray stream;
    try {
        TBinaryReader in(data);
        in.readU32();
        if (in.atEnd())
            return;
        const std::uint32_t size = in.readU32();
        stream = in.readBytes(in.need(size));
    } catch (const Exception&) {
        TUserInteraction::current().showError(badFormatText());
        return;
    }
    loadFromStream(stream, false);
}
