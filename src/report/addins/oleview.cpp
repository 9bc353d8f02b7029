#include "report/addins/oleview.h"

#include "common/binio.h"
#include "common/exception.h"
#include "common/textfile.h"
#include "report/model/dataset.h"
#include "report/render/drawing.h"

#include <QFileInfo>

const QByteArray TfrOleDocument::storageSignature = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

void TfrOleDocument::read(TBinaryReader& in) {
    if (in.readU32() != signature)
        throw Exception(QStringLiteral("Invalid stream format"));
    const std::uint32_t drawAspect = in.readU32();
    const std::uint32_t size = in.readU32();
    if (size > static_cast<std::uint64_t>(in.remaining()))
        throw EFormatError(QStringLiteral("OLE object of %1 bytes, %2 left in its record").arg(size).arg(in.remaining()));
    storage = in.readBytes(static_cast<qsizetype>(size));
    aspect = drawAspect;
    held = true;
}

void TfrOleDocument::write(TBinaryWriter& out) const {
    out.writeU32(signature);
    out.writeU32(aspect);
    out.writeU32(static_cast<std::uint32_t>(storage.size()));
    out.writeBytes(storage);
}

namespace {

void drawOle(const TfrView& view, TfrDrawContext& c) {
    if (!c.painter)
        return;
    const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform);
    frShowBackground(view, g, c);
    if (view.width > 0 && view.height > 0)
        frDrawPlaceholder(g, QStringLiteral("[OLE]"), c);
    frShowFrame(view, g, view.frameTyp, c);
}

} // namespace

TfrOLEView::TfrOLEView() { objectType = gtAddIn; }

void TfrOLEView::loadDocument(const QString& fileName) {
    const QByteArray bytes = textfile::readFile(fileName, textfile::MaxFileSize);
    if (!bytes.startsWith(TfrOleDocument::storageSignature))
        throw Exception(QStringLiteral("Файл \"%1\" не является составным документом OLE").arg(QFileInfo(fileName).fileName()));
    document.held = true;
    document.aspect = 1;
    document.storage = bytes;
}

void TfrOLEView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = frCast<TfrOLEView>(&source))
        document = s->document;
}

void TfrOLEView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrView::loadFromStream(in, context);
    document.clear();
    if (in.readU8() != 0)
        document.read(in);
}

void TfrOLEView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrView::saveToStream(out, context);
    out.writeU8(document.held ? 1 : 0);
    if (document.held)
        document.write(out);
}

void TfrOLEView::getBlob(TfrTableSource& table, int fieldIndex) {
    document.clear();
    if (table.fieldIsNull(fieldIndex))
        return;
    const QByteArray blob = table.fieldBlob(fieldIndex);
    if (blob.isEmpty())
        return;
    TBinaryReader in(blob);
    document.read(in);
}

const TfrPropTable& TfrOLEView::classProperties() {
    using O = TfrOLEView;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrView::classProperties());
        t.add<O>(QStringLiteral("OLE"), frdtOneObject | frdtHasEditor, [](const O& o) { return TVariant(o.document.held); },
                 [](O& o, const TVariant& v) {
                     if (v.toString().isEmpty())
                         o.document.clear();
                     else
                         o.loadDocument(v.toString());
                 });
        TfrPropRec stretched = *t.find(u"Stretched");
        stretched.listed = true;
        t.add(std::move(stretched));
        TfrPropRec dataField = *t.find(u"DataField");
        dataField.listed = true;
        dataField.kind = frdtOneObject | frdtHasEditor | frdtString; // the field picker
        t.add(std::move(dataField));
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrOLEView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = frAddInClass<TfrOLEView>(QStringLiteral("TfrOLEView"), QStringLiteral("Ole"), TfrView::classInfo());
        c.paint = drawOle;
        return c;
    }();
    return c;
}
