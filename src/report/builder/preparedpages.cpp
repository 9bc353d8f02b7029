#include "report/builder/preparedpages.h"

#include "common/binio.h"
#include "common/exception.h"
#include "common/rounding.h"
#include "common/textfile.h"
#include "report/render/drawing.h"
#include "report/render/textmeasure.h"
#include "report/model/engine.h"
#include "report/model/streamio.h"

#include <QFileInfo>
#include <QPainter>

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <limits>

using namespace frstream;

namespace {

constexpr std::uint8_t kFileVersion = 25;
constexpr std::uint8_t kOldestStreamVersion = 21;

QString notPreparedText(const QString& detail) {
    return QStringLiteral("Файл не является подготовленным отчётом или повреждён: %1").arg(detail);
}
QString compressedText() {
    return QStringLiteral("Страницы файла сжаты неизвестным способом и загружены пустыми");
}
QString pageText(int index, const QString& detail) {
    return QStringLiteral("Страница %1: %2").arg(index + 1).arg(detail);
}

bool isStoredKind(std::uint8_t type) { return type <= gtLine || type == gtAddIn; }

// An end offset read from the file: past what has been read and inside the
// file, so reading only ever moves forward.
qsizetype readEnd(TBinaryReader& in) {
    const std::uint32_t end = in.readU32();
    if (end < static_cast<std::uint64_t>(in.pos()) || end > static_cast<std::uint64_t>(in.size()))
        throw EFormatError(QStringLiteral("конец записи страницы %1 вне файла (позиция %2, размер %3)")
                               .arg(end)
                               .arg(in.pos())
                               .arg(in.size()));
    return static_cast<qsizetype>(end);
}

// The head of a page entry of a file: its end offset and paper; entries of
// version 24 and later also hold the bin and the margins.
std::unique_ptr<TfrPreparedPage> readPageHead(TBinaryReader& in, int index, bool binAndMargins, qsizetype& end) {
    end = readEnd(in);
    auto p = std::make_unique<TfrPreparedPage>();
    p->paperSize = in.readU16();
    p->paperWidth = in.readI32();
    p->paperHeight = in.readI32();
    p->orientation = in.readU8();
    p->bin = binAndMargins ? in.readI32() : -1;
    p->marginUse = in.readU8();
    if (binAndMargins) {
        p->margins.left = in.readI32();
        p->margins.top = in.readI32();
        p->margins.right = in.readI32();
        p->margins.bottom = in.readI32();
    }
    if (in.pos() > end)
        throw EFormatError(pageText(index, QStringLiteral("запись короче своих полей")));
    return p;
}

void writeObject(TBinaryWriter& out, const TfrView& view) {
    const std::uint8_t type = view.objectType;
    if (!isStoredKind(type))
        throw Exception(QStringLiteral("Объект %1 неизвестного вида %2 не может быть записан").arg(view.name()).arg(type));
    out.writeU8(type);
    if (type == gtAddIn)
        writeString(out, view.className());
    try {
        view.saveToStream(out, TfrStreamContext{kFileVersion, TfrSaveMode::Prepared});
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("Объект %1: %2").arg(view.name(), e.message()));
    }
}

} // namespace

// ---------------------------------------------------------------- links

QString frLinkRefusal(const QString& target) {
    const QString text = target.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    bool allowed = false;
    if (url.isValid() && !url.isRelative()) {
        if (scheme == u"http" || scheme == u"https")
            allowed = !url.host().isEmpty();
        else if (scheme == u"mailto")
            allowed = !url.path().isEmpty();
    }
    if (allowed)
        return QString();
    return QStringLiteral("Ссылка «%1» не открыта: открываются только адреса http, https и mailto").arg(text);
}

bool frIsPageLink(const QString& tag) { return tag.contains(u'@') && !frLinkRefusal(tag).isEmpty(); }

// ---------------------------------------------------------------- band alignment

void frAlignObjectsOnPage(TfrPage& page) {
    std::vector<const TfrView*> objects;
    for (const auto& v : page.objects())
        objects.push_back(v.get());
    const std::vector<TfrBox> boxes = frBandAlignedBoxes(objects, page.printableLeft(), page.printableRight());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        TfrView& v = *page.objects()[i];
        v.left = boxes[i].left;
        v.width = boxes[i].width;
    }
}

// ---------------------------------------------------------------- page streams

QByteArray TfrPreparedPage::stream() const { return m_packed ? qUncompress(m_bytes) : m_bytes; }

void TfrPreparedPage::setStream(QByteArray bytes) {
    m_bytes = std::move(bytes);
    m_packed = false;
}

QByteArray& TfrPreparedPage::openStream() {
    if (m_packed) {
        m_bytes = qUncompress(m_bytes);
        m_packed = false;
    }
    return m_bytes;
}

// Packs page streams one after another with one zlib state: setting a state
// up and freeing it again for every page cost more than packing a page.
// Its output is qCompress's: the length (4 bytes, big-endian), then the zlib
// stream, so that qUncompress reads it.
class TfrStreamPacker {
public:
    TfrStreamPacker() { m_ready = deflateInit(&m_z, kLevel) == Z_OK; }
    ~TfrStreamPacker() {
        if (m_ready)
            deflateEnd(&m_z);
    }
    TfrStreamPacker(const TfrStreamPacker&) = delete;
    TfrStreamPacker& operator=(const TfrStreamPacker&) = delete;

    QByteArray compress(const QByteArray& data) {
        if (!m_ready || deflateReset(&m_z) != Z_OK)
            return qCompress(data, kLevel);
        const uLong bound = deflateBound(&m_z, static_cast<uLong>(data.size()));
        QByteArray out(static_cast<qsizetype>(4 + bound), Qt::Uninitialized);
        const quint32 size = static_cast<quint32>(data.size());
        out[0] = static_cast<char>(size >> 24);
        out[1] = static_cast<char>(size >> 16);
        out[2] = static_cast<char>(size >> 8);
        out[3] = static_cast<char>(size);
        m_z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        m_z.avail_in = static_cast<uInt>(data.size());
        m_z.next_out = reinterpret_cast<Bytef*>(out.data() + 4);
        m_z.avail_out = static_cast<uInt>(bound);
        if (deflate(&m_z, Z_FINISH) != Z_STREAM_END)
            return qCompress(data, kLevel);
        out.truncate(static_cast<qsizetype>(4 + m_z.total_out));
        return out;
    }

private:
    // The fastest level: object records repeat so much that it packs them to
    // a fraction already.
    static constexpr int kLevel = 1;
    z_stream m_z{};
    bool m_ready = false;
};

void TfrPreparedPage::pack(TfrStreamPacker* packer) {
    if (m_packed || m_bytes.size() < 64)
        return;
    m_size = m_bytes.size();
    QByteArray packed = packer && m_bytes.size() < INT_MAX / 2 ? packer->compress(m_bytes) : qCompress(m_bytes, 1);
    if (packed.size() < m_bytes.size()) {
        packed.squeeze(); // the packer leaves room for the worst case
        m_bytes = std::move(packed);
        m_packed = true;
    } else {
        m_bytes.squeeze();
    }
}

// ---------------------------------------------------------------- the page list

TfrEMFPages::TfrEMFPages(TfrEngine& engine) : m_engine(engine) {}
TfrEMFPages::~TfrEMFPages() = default;


void TfrEMFPages::clear() { m_pages.clear(); }

std::unique_ptr<TfrPreparedPage> TfrEMFPages::recordFor(const TfrPage& t) const {
    auto p = std::make_unique<TfrPreparedPage>();
    p->paperSize = static_cast<std::uint16_t>(t.pSize);
    p->paperWidth = t.pWidth;
    p->paperHeight = t.pHeight;
    p->orientation = t.orientation;
    p->bin = t.bin;
    p->marginUse = t.useMargins ? 1 : 0;
    p->margins = t.margins;
    p->prnInfo = t.prnInfo;
    p->setStream(QByteArray(1, static_cast<char>(streamVersion)));
    return p;
}

void TfrEMFPages::add(const TfrPage& templatePage) {
    if (!m_pages.empty()) {
        if (!m_packer)
            m_packer = std::make_unique<TfrStreamPacker>();
        m_pages.back()->pack(m_packer.get()); // the page before is finished
    }
    m_pages.push_back(recordFor(templatePage));
}

void TfrEMFPages::insert(int index, const TfrPage& templatePage) {
    if (index < 0 || index >= count()) {
        if (!m_pages.empty())
            m_pages.back()->pack();
        m_pages.push_back(recordFor(templatePage));
        return;
    }
    m_pages.insert(m_pages.begin() + index, recordFor(templatePage));
}

void TfrEMFPages::remove(int index) {
    if (index >= 0 && index < count())
        m_pages.erase(m_pages.begin() + index);
}

void TfrEMFPages::appendObject(int index, const TfrView& view) {
    TfrPreparedPage& p = (*this)[index];
    // Written in place: offsets inside records (picture data) count from the
    // start of the page's stream.
    QByteArray& stream = p.openStream();
    const qsizetype size = stream.size();
    TBinaryWriter out(stream);
    try {
        writeObject(out, view);
    } catch (...) {
        stream.truncate(size);
        throw;
    }
    // The newest page is the one being printed; others are packed again.
    if (index != count() - 1)
        p.pack();
    p.page.reset(); // rebuilt objects no longer match the stream
}

qint64 TfrEMFPages::streamBytes() const {
    qint64 total = 0;
    for (const auto& p : m_pages)
        total += p->streamSize();
    return total;
}

qint64 TfrEMFPages::heldBytes() const {
    qint64 total = 0;
    for (const auto& p : m_pages)
        total += p->heldBytes();
    return total;
}

// ---------------------------------------------------------------- rebuilding objects

TfrPage& TfrEMFPages::loadPage(int index) {
    TfrPreparedPage& rec = (*this)[index];
    if (rec.page)
        return *rec.page;
    TfrEngine& engine = m_engine;
    auto page = std::make_unique<TfrPage>(engine, rec.prnInfo);
    page->pSize = rec.paperSize;
    page->pWidth = rec.paperWidth;
    page->pHeight = rec.paperHeight;
    page->orientation = rec.orientation;
    page->bin = rec.bin;
    page->margins = rec.margins;
    page->useMargins = rec.usesMargins();
    const QByteArray stream = rec.stream();
    if (!stream.isEmpty()) {
        try {
            TBinaryReader in(stream);
            const int version = in.readU8();
            if (version < kOldestStreamVersion || version > kFileVersion)
                throw EFormatError(QStringLiteral("неизвестная версия объектов %1").arg(version));
            const TfrStreamContext context{version, TfrSaveMode::Prepared};
            QString missing;
            while (!in.atEnd()) {
                if (page->count() >= maxObjectsPerPage)
                    throw EFormatError(QStringLiteral("больше %1 объектов на странице").arg(maxObjectsPerPage));
                const std::uint8_t type = in.readU8();
                if (!isStoredKind(type))
                    throw EFormatError(QStringLiteral("неизвестный вид объекта %1 в позиции %2").arg(type).arg(in.pos() - 1));
                const QString className = type == gtAddIn ? readString(in, version) : QString();
                std::unique_ptr<TfrView> view = engine.createObject(type, className, &missing);
                view->loadFromStream(in, context);
                page->add(std::move(view));
            }
        } catch (const EClassNotFound& e) {
            throw EClassNotFound(pageText(index, e.message()));
        } catch (const Exception& e) {
            throw EFormatError(pageText(index, e.message()));
        }
    }
    const TfrTextMeasurer& measurer = frTextMeasurer(engine);
    for (const auto& v : page->objects())
        if (auto* memo = frCast<TfrMemoView>(v.get()); memo && memo->flag(frflags::AutoWidth)) {
            const TfrBox box = frAutoWidthBox(measurer, *memo);
            memo->setBounds(box.left, box.top, box.width, box.height);
        }
    frAlignObjectsOnPage(*page);
    rec.page = std::move(page);
    return *rec.page;
}

void TfrEMFPages::releasePage(int index) { (*this)[index].page.reset(); }

void TfrEMFPages::setVisible(int index, bool visible) {
    TfrPreparedPage& p = (*this)[index];
    p.visible = visible;
    if (!visible)
        p.page.reset();
}

void TfrEMFPages::savePage(int index) {
    TfrPreparedPage& rec = (*this)[index];
    if (!rec.page)
        return;
    QByteArray bytes;
    TBinaryWriter out(bytes);
    out.writeU8(streamVersion);
    for (const auto& v : rec.page->objects())
        writeObject(out, *v);
    rec.setStream(std::move(bytes));
    rec.pack();
}

// ---------------------------------------------------------------- drawing and hit testing

void TfrEMFPages::draw(int index, QPainter& painter, const QRect& rect, bool printing, int printerDpi) {
    TfrPreparedPage& rec = (*this)[index];
    const TfrPage& page = loadPage(index);
    if (rec.prnInfo.pgw <= 0 || rec.prnInfo.pgh <= 0 || rect.isEmpty())
        return;
    TfrEngine& engine = m_engine;
    TfrDrawContext c;
    c.painter = &painter;
    c.measurer = &frTextMeasurer(engine);
    c.transform.sx = double(rect.width()) / rec.prnInfo.pgw;
    c.transform.sy = double(rect.height()) / rec.prnInfo.pgh;
    c.transform.ox = rect.left();
    c.transform.oy = rect.top();
    c.transform.printing = printing;
    c.transform.printerDpi = printerDpi;
    // The part of the canvas that can be seen, in the painter's coordinates.
    if (const QPaintDevice* device = painter.device()) {
        bool invertible = false;
        const QTransform inverse = painter.worldTransform().inverted(&invertible);
        if (invertible)
            c.visibleArea = inverse.mapRect(QRectF(0, 0, device->width(), device->height())).toAlignedRect();
        if (painter.hasClipping())
            c.visibleArea = c.visibleArea.intersected(painter.clipBoundingRect().toAlignedRect());
    }
    const double kx = c.transform.sx, ky = c.transform.sy;
    for (const auto& v : page.objects()) {
        if (!printing && !c.visibleArea.isEmpty()) {
            const std::int64_t l = std::int64_t(roundHalfEven(v->left * kx)) + rect.left() - 10;
            const std::int64_t t = std::int64_t(roundHalfEven(v->top * ky)) + rect.top() - 10;
            const std::int64_t r = std::int64_t(roundHalfEven((double(v->left) + v->width) * kx)) + rect.left() + 10;
            const std::int64_t b = std::int64_t(roundHalfEven((double(v->top) + v->height) * ky)) + rect.top() + 10;
            const QRect& a = c.visibleArea;
            if (std::max(l, r) < a.left() || std::min(l, r) > a.right() || std::max(t, b) < a.top() ||
                std::min(t, b) > a.bottom())
                continue;
        }
        frDrawObject(*v, c);
    }
}

TfrHitResult TfrEMFPages::objectAt(int index, QPoint point, bool click, const TfrReportEvents* events) {
    TfrPreparedPage& rec = (*this)[index];
    TfrPage& page = loadPage(index);
    double kx = 1, ky = 1;
    std::int64_t ox = 0, oy = 0;
    const TfrPrnInfo& info = rec.prnInfo;
    if (!rec.usesMargins() && info.pgw > 0 && info.pgh > 0) {
        kx = (double(info.pw) - rec.margins.left - rec.margins.right) / info.pgw;
        ky = (double(info.ph) - rec.margins.top - rec.margins.bottom) / info.pgh;
        ox = std::int64_t(rec.margins.left) + info.ofx;
        oy = std::int64_t(rec.margins.top) + info.ofy;
    }
    TfrHitResult result;
    TfrView* hit = nullptr;
    for (int i = page.count() - 1; i >= 0 && !hit; --i) {
        TfrView* v = page.object(i);
        const std::int64_t l = roundHalfEven(v->left * kx) + ox;
        const std::int64_t t = roundHalfEven(v->top * ky) + oy;
        const std::int64_t r = roundHalfEven((double(v->left) + v->width) * kx) + ox;
        const std::int64_t b = roundHalfEven((double(v->top) + v->height) * ky) + oy;
        if (point.x() >= l && point.x() <= r && point.y() >= t && point.y() <= b)
            hit = v;
    }
    if (!hit)
        return result;
    result.object = hit;
    const bool link = hit->name().startsWith(QStringLiteral("URL"), Qt::CaseInsensitive);
    if (click) {
        if (events && events->onObjectClick) {
            try {
                events->onObjectClick(*hit);
            } catch (const std::exception&) {
                // the handler's errors are not the preview's
            }
            result.handled = true;
        }
        if (link) {
            result.handled = true;
            if (frIsPageLink(hit->tag)) {
                result.text = hit->tag;
            } else {
                const QString refusal = frLinkRefusal(hit->tag);
                if (refusal.isEmpty()) {
                    const QUrl url(hit->tag.trimmed(), QUrl::StrictMode);
                    if (openLink && openLink(url))
                        result.opened = url;
                } else {
                    result.refusal = refusal;
                    m_engine.interaction().messageBox(refusal, TUserInteraction::errorTitle(),
                                                               TUserInteraction::WarningIcon, TUserInteraction::Ok);
                }
            }
        }
    } else {
        if (events && events->onMouseOverObject) {
            events->onMouseOverObject(*hit);
            result.handled = true;
        }
        if (link) {
            result.handled = true;
            result.handCursor = true;
            result.text = hit->tag;
        }
    }
    return result;
}

void TfrEMFPages::exportPage(int index, const std::function<void(TfrView&)>& onObject) {
    TfrPage& page = loadPage(index);
    try {
        for (const auto& v : page.objects())
            onObject(*v);
    } catch (...) {
        releasePage(index);
        throw;
    }
    releasePage(index);
}

// ---------------------------------------------------------------- the file

void TfrEMFPages::setPrinterFor(TfrPreparedPage& p) const {
    TfrPrinter& printer = m_engine.printer();
    try {
        printer.setPrinterInfo(p.paperSize, p.paperWidth, p.paperHeight, p.orientation, p.bin, false);
    } catch (const std::exception&) {
        // A paper the printer refuses: the geometry of what it holds.
    }
    p.prnInfo = printer.fillPrnInfo();
}

QByteArray TfrEMFPages::saveToStream() const {
    TfrCompressor& compressor = m_engine.compressor();
    QByteArray data;
    TBinaryWriter out(data);
    out.writeU8(kFileVersion);
    out.writeU8(compressor.enabled ? 1 : 0);
    writeString(out, printerName);
    out.writeU32(static_cast<std::uint32_t>(m_pages.size()));
    for (const auto& p : m_pages) {
        const qsizetype at = out.pos();
        out.writeU32(0);
        out.writeU16(p->paperSize);
        out.writeI32(p->paperWidth);
        out.writeI32(p->paperHeight);
        out.writeU8(p->orientation);
        out.writeI32(p->bin);
        out.writeU8(p->marginUse);
        out.writeI32(p->margins.left);
        out.writeI32(p->margins.top);
        out.writeI32(p->margins.right);
        out.writeI32(p->margins.bottom);
        const QByteArray stream = p->stream();
        out.writeBytes(compressor.enabled ? compressor.compress(stream) : stream);
        if (out.pos() > std::numeric_limits<std::uint32_t>::max())
            throw Exception(QStringLiteral("Подготовленный отчёт больше 4 ГБ не может быть сохранён"));
        out.patchU32(at, static_cast<std::uint32_t>(out.pos()));
    }
    out.writeU8(generatorByte);
    return data;
}

TfrLoadResult TfrEMFPages::loadFromStream(QByteArrayView data) {
    clear();
    TfrLoadResult result;
    if (data.size() > maxFileSize) {
        result.status = TfrLoadResult::Status::Failed;
        result.messages << notPreparedText(QStringLiteral("файл больше %1 МБ").arg(maxFileSize >> 20));
        return result;
    }
    TfrCompressor& compressor = m_engine.compressor();
    try {
        TBinaryReader in(data);
        int version = in.readU8();
        // Files before version 24 have no version byte: the first byte is
        // their compression flag.
        if (version < 24 || version > 31) {
            version = 0;
            in.seek(0);
        }
        result.version = version;
        const std::uint8_t compressed = in.readU8();
        if (compressed != 0 && compressed != 1 && compressed != 255) {
            readOldestKind(data, result);
            return result;
        }
        printerName = readString(in, version >= 23 ? kFileVersion : 0);
        const std::uint32_t pageCount = in.readU32();
        bool emptied = false;
        // The count is not trusted: every page takes bytes, so a count larger
        // than the file ends in a format error.
        for (std::uint32_t i = 0; i < pageCount; ++i) {
            qsizetype end = 0;
            std::unique_ptr<TfrPreparedPage> p = readPageHead(in, int(i), version >= 24, end);
            const QByteArray bytes = in.readBytes(end - in.pos());
            if (compressed == 0) {
                p->setStream(bytes);
            } else if (compressor.enabled) {
                QByteArray unpacked = compressor.decompress(bytes);
                if (unpacked.size() > maxFileSize)
                    throw EFormatError(pageText(int(i), QStringLiteral("распакованная страница слишком велика")));
                p->setStream(std::move(unpacked));
            } else {
                emptied = true; // no codec for the pages: they stay empty
            }
            setPrinterFor(*p);
            p->pack();
            m_pages.push_back(std::move(p));
        }
        generatorByte = in.readU8();
        if (emptied)
            result.messages << compressedText();
    } catch (const Exception& e) {
        clear();
        result.status = TfrLoadResult::Status::Failed;
        result.messages = QStringList{notPreparedText(e.message())};
    }
    return result;
}

// Files of the oldest kind keep every page as one metafile picture; each
// becomes a page whose only object is that picture, covering the page.
void TfrEMFPages::readOldestKind(QByteArrayView data, TfrLoadResult& result) {
    TBinaryReader in(data);
    const QStringList head = readStrings(in, kOldestStreamVersion);
    printerName = head.value(0);
    const std::uint32_t pageCount = in.readU32();
    for (std::uint32_t i = 0; i < pageCount; ++i) {
        qsizetype end = 0;
        std::unique_ptr<TfrPreparedPage> p = readPageHead(in, int(i), false, end);
        const QByteArray picture = in.readBytes(end - in.pos());
        setPrinterFor(*p);
        TfrPictureView view;
        view.setBounds(0, 0, p->prnInfo.pgw, p->prnInfo.pgh);
        view.picture.setData(TfrPicture::Metafile, picture);
        QByteArray stream;
        TBinaryWriter out(stream);
        out.writeU8(streamVersion);
        writeObject(out, view);
        p->setStream(std::move(stream));
        p->pack();
        m_pages.push_back(std::move(p));
    }
    result.version = 0;
}

// ---------------------------------------------------------------- the report's pages and files

QRect frPaperCanvasRect(const TfrPreparedPage& page, double k) {
    const TfrPrnInfo& info = page.prnInfo;
    const double w = double(info.pgw) * k, h = double(info.pgh) * k;
    if (page.usesMargins())
        return QRect(0, 0, roundHalfEven(std::clamp(w, 0.0, 1e9)), roundHalfEven(std::clamp(h, 0.0, 1e9)));
    const double limit = 4 * std::max({w, h, 1.0});
    auto near = [limit](double v) { return roundHalfEven(std::clamp(v, -limit, limit)); };
    return QRect(near((double(info.ofx) + page.margins.left) * k), near((double(info.ofy) + page.margins.top) * k),
                 near((double(info.pw) - page.margins.left - page.margins.right) * k),
                 near((double(info.ph) - page.margins.top - page.margins.bottom) * k));
}

TfrEMFPages* frFindPreparedPages(const TfrReport& report) {
    return static_cast<TfrEMFPages*>(report.preparedPages());
}

TfrEMFPages& frPreparedPages(TfrReport& report) {
    if (TfrEMFPages* pages = frFindPreparedPages(report))
        return *pages;
    report.setPreparedPages(std::make_shared<TfrEMFPages>(report.engine()));
    return *frFindPreparedPages(report);
}

TfrLoadResult frLoadPreparedReport(TfrReport& report, const QString& fileName) {
    TfrLoadResult result;
    const QFileInfo fi(fileName);
    if (!fi.isFile()) {
        result.status = TfrLoadResult::Status::NotFound;
        result.messages << QStringLiteral("Файл «%1» не найден").arg(fileName);
        return result;
    }
    if (fi.size() > TfrEMFPages::maxFileSize) {
        result.status = TfrLoadResult::Status::Failed;
        result.messages << notPreparedText(QStringLiteral("файл больше %1 МБ").arg(TfrEMFPages::maxFileSize >> 20));
        return result;
    }
    const std::optional<QByteArray> data = textfile::readBytes(fileName, TfrEMFPages::maxFileSize);
    if (!data) {
        result.status = TfrLoadResult::Status::NotFound;
        result.messages << QStringLiteral("Файл «%1» не может быть прочитан").arg(fileName);
        return result;
    }
    report.info.reset();
    auto pages = std::make_shared<TfrEMFPages>(report.engine());
    result = pages->loadFromStream(*data);
    pages->loadedFromFile = true;
    if (result.ok()) {
        report.changePrinter(pages->printerName);
        report.info.generatorByte = pages->generatorByte;
    }
    report.setPreparedPages(std::move(pages));
    return result;
}

void frSavePreparedReport(TfrReport& report, const QString& fileName) {
    textfile::writeAtomically(fileName, frPreparedPages(report).saveToStream());
}
