// Report template streams: report files (*.frf), template files (*.frt), the
// embedded template property and the dictionary block with its files (*.frd).

#include "common/binio.h"
#include "common/cp1251.h"
#include "common/datetime.h"
#include "common/textfile.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/model/streamio.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QImage>

using namespace frstream;

namespace {

constexpr std::uint8_t kVersion = frCurrentStreamVersion;
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

void readVariableList(TBinaryReader& in, int version, TfrVariables& list) {
    // Entries are taken as stored, a name listed twice included (look-ups find
    // the first), so that a list reads back exactly as it was written. The
    // count is not trusted: every pair takes bytes, so a count larger than the
    // stream ends in a format error.
    const std::uint32_t count = in.readU32();
    for (std::uint32_t i = 0; i < count; ++i) {
        QString name = readString(in, version);
        QString value = readString(in, version);
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

void TfrDataDictionary::loadFromStream(TBinaryReader& in, int version) {
    clear();
    const qsizetype start = in.pos();
    const std::int16_t marker = in.readI16();
    if (marker == kDictMarker || marker == kDictMarkerCleanUp) {
        readVariableList(in, version, variables);
        readVariableList(in, version, aliases);
        readVariableList(in, version, bandSources);
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
        const QStringList names = readStrings(in, version);
        loadOldLayout(entries, names);
    }
    // The layout this program writes keeps categories and variables as they
    // are; older ones may use the other convention.
    if (marker != kDictMarker)
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
    try {
        TBinaryReader in(*data);
        in.readU8();
        loadFromStream(in, kVersion);
    } catch (...) {
        clear();
        throw;
    }
}

void TfrDataDictionary::saveToFile(const QString& fileName) const {
    QByteArray bytes;
    TBinaryWriter out(bytes);
    out.writeU8(kVersion);
    saveToStream(out);
    textfile::writeAtomically(fileName, bytes);
}

// ---------------------------------------------------------------- writing

namespace {

void writePageRecord(TBinaryWriter& out, const TfrPage& p) {
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

void checkPageCount(const TfrPages& pages) {
    if (pages.count() > kMaxPages)
        throw Exception(QStringLiteral("Отчёт из %1 страниц не может быть сохранён: шаблон вмещает не более %2 страниц")
                            .arg(pages.count())
                            .arg(kMaxPages));
}

void checkStreamSize(const QByteArray& data) {
    if (data.size() > kMaxStreamSize)
        throw Exception(QStringLiteral("Шаблон больше 4 ГБ не может быть сохранён"));
}

} // namespace

void TfrReport::writePageSection(TBinaryWriter& out) const {
    writeBool16(out, keepDefaultPrinter);
    writeBool16(out, doublePassReport);
    QString printer = m_engine.printer().printerName();
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
    const TfrStreamContext context{kVersion, TfrSaveMode::Design};
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
            try {
                view->saveToStream(out, context);
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

void TfrReport::writeInfo(TBinaryWriter& out) const {
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
    out.writeU8(88); // generator byte
    out.writeU8(info.passwordProtected ? 1 : 0);
    out.writeF64(info.createDate);
    out.writeF64(info.lastChangeDate);
}

QByteArray TfrReport::saveToStream() const {
    checkPageCount(m_pages);
    QByteArray data;
    TBinaryWriter out(data);
    out.writeU8(kVersion);
    writePageSection(out);
    out.writeU8(recEnd);
    writeInfo(out);
    checkStreamSize(data);
    return data;
}

void TfrReport::saveToFile(const QString& name) const { textfile::writeAtomically(name, saveToStream()); }

void TfrReport::saveTemplate(const QString& name, const QStringList& description, const QImage& picture) const {
    checkPageCount(m_pages);
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
    checkStreamSize(data);
    textfile::writeAtomically(name, data);
}

QByteArray TfrReport::reportForm() const {
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

// ---------------------------------------------------------------- reading

// Reads the page section and the information block of one stream into a
// report, collecting what the load result reports.
class TfrTemplateReader {
public:
    TfrTemplateReader(TfrReport& report, TBinaryReader& in, int version, TfrLoadResult& result)
        : m_report(report), m_in(in), m_version(version), m_result(result) {}

    // Throws EClassNotFound (missing classes) or a format error.
    void readPageSection();
    void readInfo();

private:
    void readPageRecord(TfrPage& page);
    // False when no more objects can be read (a missing class in a file that
    // has no end offsets).
    bool readObjectRecord(std::uint8_t code);

    TfrReport& m_report;
    TBinaryReader& m_in;
    int m_version;
    TfrLoadResult& m_result;
    QString m_missing; // class names, each followed by a carriage return
    TfrLoadNames m_pageNames, m_objectNames;
};

void TfrTemplateReader::readPageRecord(TfrPage& p) {
    TBinaryReader& in = m_in;
    const int ver = m_version;
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
        p.name = readString(in, ver);
        const std::uint8_t bs = in.readU8();
        p.borderStyle = bs == 0 ? std::uint8_t(bsDialog) : (bs == 1 ? std::uint8_t(bsSizeable) : bs);
        p.caption = readString(in, ver);
        p.color = in.readU32();
        p.formLeft = in.readI32();
        p.formTop = in.readI32();
        p.formWidth = in.readI32();
        p.formHeight = in.readI32();
        p.position = in.readU8() != 0 ? poScreenCenter : poDesigned;
    } else {
        p.name = m_pageNames.next(QStringLiteral("Page"));
    }
    if (hasScript)
        p.script = readStrings(in, ver);
    p.changePaper(size, w, h, bin, orientation);
}

bool TfrTemplateReader::readObjectRecord(std::uint8_t code) {
    TBinaryReader& in = m_in;
    const int ver = m_version;
    QString className;
    bool framedMemo = false;
    if (code == gtAddIn) {
        className = readString(in, ver);
        const QString upper = className.toUpper();
        if (upper == u"TFRBDELOOKUPCONTROL" || upper == u"TFRIBXLOOKUPCONTROL")
            className = QStringLiteral("TfrDBLookupControl");
        framedMemo = upper == u"TFRFRAMEDMEMOVIEW";
    }
    const std::uint8_t pageIndex = in.readU8();
    // From version 24 the record says where it ends; the offset lies past
    // what has been read, so skipping to it always moves forward.
    const qsizetype end = ver >= 24 ? readEndOffset(in) : -1;
    TfrView* view = nullptr;
    try {
        if (pageIndex >= m_report.m_pages.count())
            throw EFormatError(QStringLiteral("Object placed on page %1 that does not exist").arg(pageIndex + 1));
        TfrEngine& engine = m_report.engine();
        std::unique_ptr<TfrView> created =
            framedMemo ? engine.createObject(gtMemo) : engine.createObject(code, className, &m_missing);
        if (!created)
            throw EFormatError(QStringLiteral("Object kind %1 cannot be created").arg(code));
        view = m_report.m_pages.page(pageIndex)->add(std::move(created));
        const bool nameStored = ver >= 24 || ver == 23;
        // With an end offset the payload is read from its record alone: no
        // length inside it reaches past the record. A payload shorter than
        // its record is normal (fields of other versions).
        TBinaryReader record = end >= 0 ? in.upTo(end) : in;
        try {
            view->loadFromStream(record, TfrStreamContext{ver, TfrSaveMode::Design, &m_result.messages});
        } catch (const Exception&) {
            view->setName(view->name());
            throw;
        }
        if (!nameStored)
            view->setName(m_objectNames.next(view->baseName()));
        view->setName(view->name());
        if (framedMemo)
            record.skip(8);
        in.seek(end >= 0 ? end : record.pos());
        return true;
    } catch (const EClassNotFound&) {
        // Before version 24 nothing says where the record ends: reading stops.
        if (end < 0)
            return false;
        in.seek(end);
        return true;
    } catch (const Exception& e) {
        // A damaged object record of a file with end offsets: the object is
        // dropped, named in the result with the reason, and reading goes on
        // at the next record.
        if (end < 0)
            throw;
        if (view) {
            TfrPage* page = view->parentPage();
            m_result.damagedObjects << (view->name().isEmpty() ? view->baseName() : view->name());
            page->deleteObject(page->indexOf(view));
        } else {
            m_result.damagedObjects << QStringLiteral("#%1").arg(m_result.damagedObjects.size() + 1);
        }
        m_result.damageReasons << e.message();
        in.seek(end);
        return true;
    }
}

void TfrTemplateReader::readPageSection() {
    TBinaryReader& in = m_in;
    m_report.clear();
    m_report.keepDefaultPrinter = readBool16(in);
    m_report.doublePassReport = readBool16(in);
    QString printer = readString(in, m_version);
    if (printer == QString(QChar(1)))
        printer = TfrPrinter::virtualPrinterName();
    m_report.changePrinter(printer);
    while (!in.atEnd()) {
        const qsizetype recordStart = in.pos();
        const std::uint8_t code = in.readU8();
        if (code == recPage) {
            const int index = m_report.m_pages.add();
            readPageRecord(*m_report.m_pages.page(index));
        } else if (code == recDictionary) {
            m_report.m_dictionary.loadFromStream(in, m_version);
        } else if (code == recExtension) {
            // No extension component is installed: its block is empty here.
            in.readU8();
            break;
        } else if (code == recEnd) {
            break;
        } else if (code > gtAddIn || (code > gtLine && code < gtAddIn)) {
            throw EFormatError(QStringLiteral("Unknown record code %1 at offset %2").arg(code).arg(recordStart));
        } else if (!readObjectRecord(code)) {
            break;
        }
    }
    if (!m_missing.isEmpty()) {
        m_result.missingClasses = m_missing.split(u'\r', Qt::SkipEmptyParts);
        throw EClassNotFound(m_missing);
    }
    for (int i = 0; i < m_report.m_pages.count(); ++i)
        for (const auto& view : m_report.m_pages.page(i)->objects()) {
            view->afterLoad();
            const QString warning = view->loadWarning();
            if (!warning.isEmpty())
                m_result.messages << warning;
        }
}

void TfrTemplateReader::readInfo() {
    TBinaryReader& in = m_in;
    TfrReportInfo& info = m_report.info;
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

namespace {

// Leaves a report whose template could not be read with one empty page.
void resetToBlankPage(TfrReport& report) {
    report.pages().clear();
    const int index = report.pages().add();
    report.pages().page(index)->name = report.uniquePageName();
}

TfrLoadResult failed(TfrLoadResult::Status status, const QString& message) {
    TfrLoadResult result;
    result.status = status;
    result.messages << message;
    return result;
}

// What is said of objects skipped because their records were damaged: each
// name with the reason.
QString damagedObjectsText(const QStringList& names, const QStringList& reasons) {
    QStringList items;
    for (qsizetype i = 0; i < names.size(); ++i)
        items << QStringLiteral("%1 (%2)").arg(names[i], reasons.value(i));
    return QStringLiteral("Повреждённые объекты шаблона пропущены: ") + items.join(QStringLiteral(", "));
}

} // namespace

TfrLoadResult TfrReport::loadFromStream(QByteArrayView data) { return loadStream(data, {}, false); }

TfrLoadResult TfrReport::loadStream(QByteArrayView data, const TfrPasswordPrompt& password, bool fromFile) {
    m_dictionary.clear();
    TfrLoadResult result;
    if (data.isEmpty())
        return result;
    if (data.size() > kMaxStreamSize) {
        resetToBlankPage(*this);
        return failed(TfrLoadResult::Status::Failed, badFormatText());
    }
    TBinaryReader in(data);
    int ver = in.readU8();
    // A first byte below 21 (or 0xFF, a KeepDefaultPrinter of true) begins a
    // file that has no version byte.
    if (ver < kOldestVersion || ver == 0xFF) {
        ver = kOldestVersion;
        in.seek(0);
    }
    result.version = ver;
    if (ver > kVersion)
        return failed(TfrLoadResult::Status::Failed, badFormatText());
    TfrTemplateReader reader(*this, in, ver, result);
    try {
        reader.readPageSection();
        if (!in.atEnd())
            reader.readInfo();
        else
            info.reset();
    } catch (const EClassNotFound& e) {
        result.status = TfrLoadResult::Status::ClassesMissing;
        result.messages << missingClassText(e.message());
        return result;
    } catch (const Exception&) {
        resetToBlankPage(*this);
        result.status = TfrLoadResult::Status::Failed;
        result.messages = QStringList{badFormatText()};
        result.damagedObjects.clear();
        result.damageReasons.clear();
        return result;
    }
    if (!result.damagedObjects.isEmpty())
        result.messages << damagedObjectsText(result.damagedObjects, result.damageReasons);
    if (info.passwordProtected && fromFile) {
        const std::optional<QString> answer = password ? password() : std::nullopt;
        if (answer && *answer == info.password)
            return result;
        // The template stays closed: nothing of it is kept, its dictionary
        // included, and the load fails.
        info.reset();
        fileName = m_engine.untitledName();
        m_dictionary.clear();
        resetToBlankPage(*this);
        return failed(TfrLoadResult::Status::PasswordRefused, QStringLiteral("Неверный пароль: отчёт не открыт"));
    }
    return result;
}

TfrLoadResult TfrReport::loadFromFile(const QString& name, const TfrPasswordPrompt& password) {
    const QFileInfo fi(name);
    if (!fi.isFile())
        return failed(TfrLoadResult::Status::NotFound, QStringLiteral("Файл \"%1\" не найден").arg(name));
    if (fi.size() > kMaxStreamSize)
        return failed(TfrLoadResult::Status::Failed, badFormatText());
    const std::optional<QByteArray> data = textfile::readBytes(name);
    if (!data)
        return failed(TfrLoadResult::Status::NotFound, QStringLiteral("Cannot open file %1").arg(name));
    TfrLoadResult result = loadStream(*data, password, true);
    if (result.ok())
        fileName = name;
    return result;
}

bool TfrReport::loadTemplate(const QString& name, QStringList& description, QImage& picture, bool loadPages) {
    const QFileInfo fi(name);
    if (!fi.isFile() || fi.size() > kMaxStreamSize)
        return false;
    const std::optional<QByteArray> data = textfile::readBytes(name);
    if (!data)
        return false;
    TBinaryReader in(*data);
    QStringList desc;
    QImage pic;
    try {
        desc = readStrings(in, kVersion);
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
        TfrLoadResult result;
        TfrTemplateReader(*this, in, kVersion, result).readPageSection();
    } catch (const EClassNotFound&) {
        throw;
    } catch (const Exception&) {
        throw EFormatError(badFormatText());
    }
    return true;
}

TfrLoadResult TfrReport::setReportForm(QByteArrayView data) {
    QByteArray stream;
    try {
        TBinaryReader in(data);
        in.readU32();
        if (in.atEnd())
            return {};
        const std::uint32_t size = in.readU32();
        stream = in.readBytes(in.need(size));
    } catch (const Exception&) {
        return failed(TfrLoadResult::Status::Failed, badFormatText());
    }
    return loadFromStream(stream);
}
