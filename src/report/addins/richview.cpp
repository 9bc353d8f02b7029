#include "report/addins/richview.h"

#include "common/binio.h"
#include "common/cp1251.h"
#include "common/exception.h"
#include "common/rounding.h"
#include "report/addins/richbuild.h"
#include "report/model/dataset.h"
#include "report/render/drawing.h"
#include "richtext/richedit.h"
#include "richtext/richlayout.h"
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>
#include <limits>

namespace {

// Report pixels per inch at design size: what the twips of a document are
// measured against.
constexpr double kPixelsPerInch = 96;
constexpr double kTwipsPerPixel = richtext::TwipsPerInch / kPixelsPerInch;

std::shared_ptr<QTextDocument> newDocument() {
    auto doc = std::make_shared<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    doc->setDefaultFont(font);
    return doc;
}

QString unreadableText(const QString& object, const QString& reason) {
    return QStringLiteral("Объект %1: текст RTF не прочитан, объект оставлен пустым (%2)").arg(object, reason);
}

} // namespace

TfrRichView::TfrRichView() {
    objectType = gtAddIn;
    own(newDocument());
}

TfrRichView::~TfrRichView() = default;

void TfrRichView::own(std::shared_ptr<QTextDocument> document) {
    m_own = document.get();
    m_document = std::move(document);
}

QTextDocument& TfrRichView::changeDocument() {
    if (!m_own || m_document.use_count() > 1)
        own(frCopyRichDocument(*m_document));
    return *m_own;
}

void TfrRichView::setDocument(std::shared_ptr<const QTextDocument> document) {
    if (!document) {
        own(newDocument());
        return;
    }
    m_document = std::move(document);
    m_own = nullptr;
}

void TfrRichView::setDocumentBytes(QByteArrayView bytes) {
    own(newDocument());
    richtext::readRtf(bytes, *m_own); // a refusal leaves it empty
}

void TfrRichView::assign(const TfrView& source) {
    TfrStretcheable::assign(source);
    if (const auto* s = frCast<TfrRichView>(&source))
        setDocument(s->m_document);
}

void TfrRichView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStretcheable::loadFromStream(in, context);
    const std::uint8_t content = in.readU8();
    const std::uint32_t end = in.readU32();
    if (end < static_cast<std::uint64_t>(in.pos()) || end > static_cast<std::uint64_t>(in.size()))
        throw EFormatError(QStringLiteral("Rich text end offset %1 outside the stream (position %2, size %3)")
                               .arg(end)
                               .arg(in.pos())
                               .arg(in.size()));
    own(newDocument());
    if (content == 1) {
        // The text is left out, the object kept (it prints empty), and the load says so.
        auto unreadable = [&](const QString& reason) {
            if (context.messages)
                *context.messages << unreadableText(name().isEmpty() ? baseName() : name(), reason);
        };
        const qsizetype size = static_cast<qsizetype>(end) - in.pos();
        if (size > richtext::MaxRtfSize) { // refused before it is copied
            unreadable(QStringLiteral("больше %1 байт").arg(richtext::MaxRtfSize));
        } else {
            try {
                setDocumentBytes(in.readBytes(size));
            } catch (const EFormatError& e) {
                unreadable(e.message());
            }
        }
    }
    in.seek(end);
}

void TfrRichView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStretcheable::saveToStream(out, context);
    const bool content = richtext::textLength(*m_document) > 0;
    out.writeU8(content ? 1 : 0);
    const qsizetype at = out.pos();
    out.writeU32(0);
    if (content)
        out.writeBytes(richtext::writeRtf(*m_document));
    if (out.pos() > std::numeric_limits<std::uint32_t>::max())
        throw Exception(QStringLiteral("Текст RTF объекта %1 не помещается в поток").arg(name()));
    out.patchU32(at, static_cast<std::uint32_t>(out.pos()));
}

void TfrRichView::getBlob(TfrTableSource& table, int fieldIndex) {
    if (table.fieldIsNull(fieldIndex))
        own(newDocument());
    else
        setDocumentBytes(table.fieldBlob(fieldIndex));
}

// ---------------------------------------------------------------- properties

namespace {

TVariant boolValue(bool b) { return TVariant(b); }

// A text for the document: RTF when it is RTF, else plain text (kept whole,
// Unicode included).
void setLines(TfrRichView& o, const TVariant& v) {
    const QString text = v.toString();
    const QByteArray bytes = cp1251::encode(text);
    o.setDocumentBytes(richtext::isRtf(bytes) ? bytes : QByteArray("\xEF\xBB\xBF") + text.toUtf8());
}

} // namespace

const TfrPropTable& TfrRichView::classProperties() {
    using R = TfrRichView;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrStretcheable::classProperties());
        // Listed for rich-text objects, script-only for most other objects.
        for (const char16_t* name : {u"GapX", u"GapY", u"Stretched"}) {
            TfrPropRec rec = *t.find(name);
            rec.listed = true;
            t.add(std::move(rec));
        }
        // The plain text to scripts; set as RTF or plain text.
        t.add<R>(QStringLiteral("Lines"), frdtOneObject | frdtHasEditor,
                 [](const R& o) {
                     QString text = richtext::plainText(o.document());
                     return TVariant(text.replace(u'\n', QStringLiteral("\r\n")));
                 },
                 setLines);
        t.add<R>(
            QStringLiteral("TextOnly"), frdtBoolean, [](const R& o) { return boolValue(o.flag(frflags::TextOnly)); },
            [](R& o, const TVariant& v) { o.setFlag(frflags::TextOnly, v.toBool()); });
        TfrPropRec field = *t.find(u"DataField");
        field.kind = frdtOneObject | frdtHasEditor | frdtString;
        field.listed = true;
        t.add(std::move(field));
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrRichView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = frAddInClass<TfrRichView>(QStringLiteral("TfrRichView"), QStringLiteral("Rich"),
                                                     TfrStretcheable::classInfo());
        c.paint = frDrawRich;
        c.builder = std::make_shared<TfrRichBuilder>();
        c.exportKind = TfrExportKind::Text;
        return c;
    }();
    return c;
}

// ---------------------------------------------------------------- sizes

std::shared_ptr<QTextDocument> frCopyRichDocument(const QTextDocument& document) {
    std::shared_ptr<QTextDocument> copy(document.clone());
    copy->setUndoRedoEnabled(false);
    return copy;
}

double frRichTextWidth(const TfrView& view) {
    return std::round((double(view.width) * richtext::TwipsPerInch - double(view.gapX) * 2 * richtext::TwipsPerInch) /
                      kPixelsPerInch);
}

double frRichTwips(std::int32_t pixels) { return std::round(double(pixels) * kTwipsPerPixel); }

std::int32_t frRichPixels(double twips) {
    if (!(twips > richtext::FitTolerance))
        return 1;
    const double pixels = std::ceil((twips - richtext::FitTolerance) / kTwipsPerPixel);
    return pixels >= std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                             : std::max(1, std::int32_t(pixels));
}

// ---------------------------------------------------------------- drawing

namespace {

// The font an export writes a line in: that of its first character.
TfrFont lineFont(const QTextDocument& doc, int position) {
    const QTextCharFormat f = richtext::charFormatAt(doc, position);
    TfrFont font;
    font.name = richtext::fontFamily(f, doc);
    font.size = std::max(1, roundHalfEven(richtext::fontPointSize(f, doc)));
    font.style = std::uint16_t((f.fontWeight() >= QFont::Bold ? fsBold : 0) | (f.fontItalic() ? fsItalic : 0) |
                               (f.fontUnderline() ? fsUnderline : 0) | (f.fontStrikeOut() ? fsStrikeOut : 0));
    if (f.foreground().style() != Qt::NoBrush)
        font.color = frcolor::fromQColor(f.foreground().color());
    return font;
}

std::uint32_t lineAlignment(const QTextDocument& doc, int position) {
    const Qt::Alignment a = doc.findBlock(position).blockFormat().alignment();
    if ((a & Qt::AlignJustify) == Qt::AlignJustify)
        return frtaJustify;
    if (a & Qt::AlignRight)
        return frtaRight;
    if (a & Qt::AlignHCenter)
        return frtaCenter;
    return frtaLeft;
}

// Gives the laid-out lines to the export hook: their text, where they start
// on the canvas, and the frame sides that belong to each.
void exportLines(const TfrRichView& rich, const TfrDrawGeometry& g, const QRectF& rect, double kx, double ky,
                 TfrDrawContext& c) {
    const QTextDocument& doc = rich.document();
    std::vector<richtext::RangeLine> lines;
    richtext::formatRange(doc, 0, rect, nullptr, &lines);
    const QString plain = richtext::plainText(doc);
    const int count = int(lines.size());
    for (int i = 0; i < count; ++i) {
        const richtext::RangeLine& l = lines[std::size_t(i)];
        QString text = plain.mid(l.start, l.end - l.start);
        if (text.endsWith(u'\n'))
            text.chop(1);
        text.replace(u'\t', u' ');
        std::uint16_t bits = rich.frameTyp;
        if (count > 1)
            bits &= i == 0 ? ~frftBottom : (i == count - 1 ? ~frftTop : ~(frftTop | frftBottom));
        const TfrFont font = lineFont(doc, l.start);
        c.exportHook(TfrExportLine{g.drawRect, roundHalfEven(g.x + g.gapX + l.box.left() * kx),
                                   roundHalfEven(g.y + g.gapY + l.box.top() * ky), &rich, bits, text, &font,
                                   lineAlignment(doc, l.start)});
    }
}

} // namespace

void frDrawRich(const TfrView& view, TfrDrawContext& c) {
    const auto* rich = frCast<TfrRichView>(&view);
    if (!rich || (!c.painter && !c.exportHook))
        return;
    const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform);
    // The document is laid out at design size and scaled onto the canvas.
    const QRectF rect(0, 0, frRichTextWidth(view), frRichTwips(view.height - 2 * view.gapY));
    const double kx = c.transform.sx / kTwipsPerPixel, ky = c.transform.sy / kTwipsPerPixel;
    const bool text =
        rect.width() > 0 && rect.height() > 0 && std::isfinite(kx) && std::isfinite(ky) && kx > 0 && ky > 0;
    if (c.exportHook) {
        if (text)
            exportLines(*rich, g, rect, kx, ky, c);
        return;
    }
    frShowBackground(view, g, c);
    if (text) {
        QPainter& p = *c.painter;
        p.save();
        p.translate(double(g.x) + g.gapX, double(g.y) + g.gapY);
        p.scale(kx, ky);
        richtext::formatRange(rich->document(), 0, rect, &p);
        p.restore();
    }
    frShowFrame(view, g, view.frameTyp, c);
}
