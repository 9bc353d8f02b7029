// Stored form of the built-in report objects.

#include "common/binio.h"
#include "report/model/objects.h"
#include "report/model/streamio.h"

using namespace frstream;

void TfrView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    const int ver = context.version;
    const bool design = context.design();
    if (ver >= 24 || (ver == 23 && design))
        setName(readString(in, ver));
    if (ver >= 24) {
        objectVersionMajor = in.readU8();
        objectVersionMinor = in.readU8();
    }
    left = in.readI32();
    top = in.readI32();
    width = in.readI32();
    height = in.readI32();
    flags = in.readU16();
    frameTyp = in.readU16();
    frameWidth = decodeFrameWidth(in.readI32());
    frameColor = in.readU32();
    frameStyle = in.readU16();
    fillColor = in.readU32();
    if (design) {
        format = in.readU32();
        formatStr = readString(in, ver);
        memo = readStrings(in, ver);
        if (ver >= 23) {
            script = readStrings(in, ver);
            visible = readBool16(in);
        }
    } else {
        memo = readStrings(in, ver);
    }
    if (ver >= 24) {
        restrictions = in.readU16();
        tag = readString(in, ver);
        gapX = in.readI32();
        gapY = in.readI32();
    }
    if (objectVersionMajor > 1)
        bandAlign = in.readU8();
}

void TfrView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    const bool design = context.design();
    writeString(out, name());
    out.writeU8(2);
    out.writeU8(storedVersionMinor());
    out.writeI32(left);
    out.writeI32(top);
    out.writeI32(width);
    out.writeI32(height);
    out.writeU16(flags);
    out.writeU16(frameTyp);
    out.writeI32(encodeFrameWidth(frameWidth));
    out.writeU32(frameColor);
    out.writeU16(frameStyle);
    out.writeU32(fillColor);
    if (design) {
        out.writeU32(format);
        writeString(out, formatStr);
        writeStrings(out, memo);
        writeStrings(out, script);
        writeBool16(out, visible);
    } else {
        writeStrings(out, memo);
    }
    out.writeU16(restrictions);
    writeString(out, tag);
    out.writeI32(gapX);
    out.writeI32(gapY);
    out.writeU8(bandAlign);
}

void TfrMemoView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStretcheable::loadFromStream(in, context);
    const int ver = context.version;
    const bool design = context.design();
    font.name = readString(in, ver);
    font.size = in.readI32();
    font.style = in.readU16();
    font.color = in.readU32();
    alignment = in.readU32();
    const std::uint16_t charset = in.readU16();
    font.charset = ver >= 23 ? charset : frDefaultCharset;
    if (design) {
        highlight.fontStyle = in.readU16();
        highlight.fontColor = in.readU32();
        highlight.fillColor = in.readU32();
        highlightStr = readString(in, ver);
    }
    if (ver >= 24) {
        lineSpacing = in.readI32();
        charSpacing = in.readI32();
    }
    // Files of that version knew no switch: their memos always wrapped.
    if (ver == 21)
        setFlag(frflags::WordWrap, true);
}

void TfrMemoView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStretcheable::saveToStream(out, context);
    const bool design = context.design();
    writeString(out, font.name);
    out.writeI32(font.size);
    out.writeU16(font.style);
    out.writeU32(font.color);
    out.writeU32(alignment);
    out.writeU16(font.charset);
    if (design) {
        out.writeU16(highlight.fontStyle);
        out.writeU32(highlight.fontColor);
        out.writeU32(highlight.fillColor);
        writeString(out, highlightStr);
    }
    out.writeI32(lineSpacing);
    out.writeI32(charSpacing);
}

void TfrBandView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrView::loadFromStream(in, context);
    if (context.version >= 24) {
        childBand = readString(in, context.version);
        columns = in.readI32();
        columnWidth = in.readI32();
        columnGap = in.readI32();
        newColumnAfter = in.readI32();
        if (objectVersionMajor * 10 + objectVersionMinor > 20)
            master = readString(in, context.version);
    }
}

void TfrBandView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrView::saveToStream(out, context);
    writeString(out, childBand);
    out.writeI32(columns);
    out.writeI32(columnWidth);
    out.writeI32(columnGap);
    out.writeI32(newColumnAfter);
    writeString(out, master);
}

void TfrSubReportView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrView::loadFromStream(in, context);
    subPage = in.readI32();
}

void TfrSubReportView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrView::saveToStream(out, context);
    out.writeI32(subPage);
}

void TfrPictureView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrView::loadFromStream(in, context);
    const std::uint8_t kind = in.readU8();
    if (objectVersionMajor * 10 + objectVersionMinor > 10)
        blobType = in.readU8();
    const std::uint32_t end = in.readU32();
    if (end < static_cast<std::uint32_t>(in.pos()) || end > static_cast<std::uint64_t>(in.size()))
        throw EFormatError(QStringLiteral("Picture data end offset %1 outside the stream (position %2, size %3)")
                               .arg(end)
                               .arg(in.pos())
                               .arg(in.size()));
    const QByteArray data = in.readBytes(static_cast<qsizetype>(end) - in.pos());
    if (kind >= TfrPicture::Bitmap && kind <= TfrPicture::Jpeg)
        picture.setData(static_cast<TfrPicture::Kind>(kind), data);
    else
        picture.clear();
}

void TfrPictureView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrView::saveToStream(out, context);
    out.writeU8(picture.kind);
    out.writeU8(blobType);
    const qsizetype at = out.pos();
    out.writeU32(0);
    if (picture.kind != TfrPicture::None)
        out.writeBytes(picture.data);
    out.patchU32(at, static_cast<std::uint32_t>(out.pos()));
}
