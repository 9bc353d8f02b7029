#pragma once

#include "report/render/geometry.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class TfrStreamPacker;

// One prepared page: where the preview shows it, its paper, margins and
// printer geometry, and the compact byte stream of the objects printed on it
// (one version byte, then per object its type byte, an add-in's class name
// and its record in prepared form). A finished page holds its stream packed
// (zlib); the objects themselves exist only while the page is drawn, edited
// or exported (`page`).
class TfrPreparedPage {
public:
    QRect previewRect;
    std::uint16_t paperSize = 0;
    std::int32_t paperWidth = 0, paperHeight = 0; // tenths of a millimetre
    std::uint8_t orientation = poPortrait;
    std::int32_t bin = -1;
    std::uint8_t marginUse = 1; // 1: the page keeps its margins; 0: it stretches to the printable area
    TfrMargins margins;
    TfrPrnInfo prnInfo;
    bool visible = false;
    std::unique_ptr<TfrPage> page;

    bool usesMargins() const { return marginUse != 0; }

    // The object stream.
    QByteArray stream() const;
    qsizetype streamSize() const { return m_packed ? m_size : m_bytes.size(); }
    void setStream(QByteArray bytes);
    // The stream, unpacked, to append to (pack again when done).
    QByteArray& openStream();
    // Packs the stream when that makes it smaller.
    // Packs the stream when that makes it smaller (with `packer`, the page
    // list's own, which keeps its packing state from page to page).
    void pack(TfrStreamPacker* packer = nullptr);
    // Bytes the stream takes in memory.
    qsizetype heldBytes() const { return m_bytes.size(); }

private:
    QByteArray m_bytes;
    qsizetype m_size = 0;
    bool m_packed = false;
};

// What the object under the mouse does: whether an object took the click or
// hover, the text to show or follow ("@3" jumps to page 3), the hand cursor
// over links, the link opened, or why a link was not opened.
struct TfrHitResult {
    bool handled = false;
    QString text;
    bool handCursor = false;
    TfrView* object = nullptr;
    QUrl opened;
    QString refusal;
};

// The targets a link object may open: absolute http and https addresses with
// a host, and mailto addresses. Anything else (other schemes, local paths,
// program names) is refused: the text says why; empty when allowed.
QString frLinkRefusal(const QString& target);

// Whether a link object's tag jumps to a page of the report ("@3") rather
// than leaving the program: it holds an "@" and is no allowed address (so
// "mailto:someone@example.org" is opened, not followed as a page number).
bool frIsPageLink(const QString& tag);

// The prepared pages of a report (its built output): a list of page records
// whose objects are kept as byte streams and rebuilt only while needed, so
// that a report of many thousand pages stays small. The report owns it and
// must outlive it.
class TfrEMFPages : public TfrPreparedPages {
public:
    static constexpr std::uint8_t streamVersion = 25;
    // Bounds for files and streams read from outside.
    static constexpr qsizetype maxFileSize = 512ll << 20;
    static constexpr int maxObjectsPerPage = 100000;

    explicit TfrEMFPages(TfrReport& report);
    ~TfrEMFPages() override;
    TfrEMFPages(const TfrEMFPages&) = delete;
    TfrEMFPages& operator=(const TfrEMFPages&) = delete;

    TfrReport& report() const { return m_report; }
    int count() const override { return static_cast<int>(m_pages.size()); }
    void clear() override;
    TfrPreparedPage& operator[](int index) { return *m_pages.at(static_cast<std::size_t>(index)); }
    const TfrPreparedPage& operator[](int index) const { return *m_pages.at(static_cast<std::size_t>(index)); }

    // Appends a page record for a template page (its paper, margins and
    // printer geometry) and tells the report's OnBeginPage.
    void add(TfrPage& templatePage);
    // Inserts a page record before `index` (appends past the end); no event.
    void insert(int index, const TfrPage& templatePage);
    void remove(int index);

    // Writes an object in prepared form at the end of a page's stream (what
    // the builder prints). Throws for objects the stream cannot hold.
    void appendObject(int index, const TfrView& view);

    // Rebuilds a page's objects from its stream (kept until released). Memos
    // hold their printed lines as their memo too, so that editing sees them;
    // a memo with AutoWidth takes its width, band-aligned objects their place
    // on the page. Throws EFormatError for a damaged stream and EClassNotFound
    // for add-in classes no registered class provides.
    TfrPage& loadPage(int index);
    void releasePage(int index);
    // Writes the rebuilt (and maybe edited) objects back into the stream.
    void savePage(int index);
    // Showing a page keeps its objects; hiding it releases them.
    void setVisible(int index, bool visible);

    // Draws a page's objects scaled into `rect` of a canvas (kx = rect width /
    // page width in report pixels, ky likewise). Objects outside the
    // painter's visible part are skipped unless `printing` (drawing directly
    // on a printer's canvas of `printerDpi`).
    void draw(int index, QPainter& painter, const QRect& rect, bool printing = false, int printerDpi = 0);

    // The object at a point of a page (unscaled report pixels), last drawn
    // first. A click fires OnObjectClick; on an object whose name begins with
    // "URL" it returns a "@" tag for the preview to follow, or opens the tag
    // through `openLink` when it is an allowed link (otherwise the user is
    // told why not). Without a click: OnMouseOverObject, and the hand cursor
    // and tag over link objects.
    TfrHitResult objectAt(int index, QPoint point, bool click);
    // Opens links for objectAt (the preview installs the platform's shell).
    std::function<bool(const QUrl&)> openLink;

    // Gives every object of a page to `onObject` in stream order; the rebuilt
    // page is released afterwards.
    void exportPage(int index, const std::function<void(TfrView&)>& onObject);

    // The prepared-report file (*.frp). Saving always writes the current
    // version; it throws for pages the format cannot hold. Loading clears the
    // list first, never throws and bounds everything it reads: a damaged file
    // leaves the list empty and says why.
    QByteArray saveToStream() const;
    TfrLoadResult loadFromStream(QByteArrayView data);

    // Bytes of the page streams, and what they take in memory (packed).
    qint64 streamBytes() const;
    qint64 heldBytes() const;
    // Set for pages read from a file: the report's data is not there to build again.
    bool loadedFromFile = false;

private:
    std::unique_ptr<TfrPreparedPage> recordFor(const TfrPage& templatePage) const;
    void setPrinterFor(TfrPreparedPage& page) const;
    void readOldestKind(QByteArrayView data, TfrLoadResult& result);

    TfrReport& m_report;
    std::vector<std::unique_ptr<TfrPreparedPage>> m_pages;
    std::unique_ptr<TfrStreamPacker> m_packer;
};

// Where a page's objects go on a canvas of its whole paper with `k` canvas
// pixels per report pixel: the paper itself, or for a page that stretches to
// the printable area, that area inside the page's margins (kept near the
// paper whatever a damaged file says).
QRect frPaperCanvasRect(const TfrPreparedPage& page, double k);

// Band alignment of the objects of a prepared page, among themselves and to
// the page's printable edges (no band is current: baTop and baBottom change
// nothing, baWidth spans the page).
void frAlignObjectsOnPage(TfrPage& page);

// The report's prepared pages as TfrEMFPages (made when it has none).
TfrEMFPages& frPreparedPages(TfrReport& report);

// Loading and saving a report's prepared pages as a file. Loading resets the
// report's descriptive information first; it never throws. Saving writes
// through a temporary file and refuses targets that are not regular files.
TfrLoadResult frLoadPreparedReport(TfrReport& report, const QString& fileName);
void frSavePreparedReport(TfrReport& report, const QString& fileName);
