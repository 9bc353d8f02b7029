#pragma once

#include "report/model/objects.h"

#include <memory>

class QTextDocument;

// Rich-text object: formatted text (RTF) with bracketed expressions, which
// grows with its text on stretching bands and prints in parts over pages.
//
// The document is held as a rich-text document of richtext/ (twips, read
// and written as RTF in code page 1251). Objects copied from one another
// (assign, the copies a build prints) share one document until one of them
// changes it, so copying costs nothing.
//
// Stored form, after the common object data: a content flag (u8: 1 when the
// document holds any text or paragraph, else 0), the absolute stream offset
// of the first byte after the object's data (u32), and, with the flag 1, the
// document as RTF up to that offset. Reading continues at the offset in
// every case; an RTF text that cannot be read leaves the document empty and
// says so in one message naming the object (TfrStreamContext::messages).
//
// Flags bit TextOnly (16): bracketed expressions are printed as they stand.
// The memo's first line names the data field (a blob field read as RTF or
// as plain text) whose content replaces the document at printing. Listed
// properties beyond those of every object: GapX, GapY, Stretched, TextOnly,
// DataField and Lines (the plain text to scripts; RTF or plain text when
// set; the designer's rich-text editor edits it).
class TfrRichView : public TfrStretcheable {
public:
    TfrRichView();
    ~TfrRichView() override;
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    const QTextDocument& document() const { return *m_document; }
    // The document to change: the object's own, taken from the one it
    // shared if it did.
    QTextDocument& changeDocument();
    // Shares a document that nobody changes any more; a change through
    // changeDocument works on a copy of it.
    void setDocument(std::shared_ptr<const QTextDocument> document);
    std::shared_ptr<const QTextDocument> sharedDocument() const { return m_document; }
    // Replaces the document by what the bytes hold: RTF, else plain text
    // (richtext::readRtf). Throws EFormatError, leaving the document empty.
    void setDocumentBytes(QByteArrayView bytes);

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
    // Takes a blob field's bytes as its document; a field without a value
    // empties it. Throws EFormatError for RTF that cannot be read.
    void getBlob(TfrTableSource& table, int fieldIndex) override;

private:
    void own(std::shared_ptr<QTextDocument> document);

    std::shared_ptr<const QTextDocument> m_document;
    // m_document when the object made it (and may change it while nobody shares it).
    QTextDocument* m_own = nullptr;
};

// A copy of a document (text, formats, default font and tab distance)
// without undo history.
std::shared_ptr<QTextDocument> frCopyRichDocument(const QTextDocument& document);

// The text width in twips of a rich-text object laid out at design size:
// its width less both gaps, from report pixels at 96 per inch.
double frRichTextWidth(const TfrView& view);
// A height in report pixels as twips.
double frRichTwips(std::int32_t pixels);
// The least height in whole report pixels that holds what a layout in twips
// measured (richtext::rangeHeight): a rectangle that high holds it, one pixel
// less does not; 1 for nothing.
std::int32_t frRichPixels(double twips);

// Draws a rich-text object: background, its document laid out at design size
// and scaled to the transform as vector text, frame. With an export hook the
// lines are given to it instead, one per laid-out line, in the font of the
// line's first character.
void frDrawRich(const TfrView& view, TfrDrawContext& context);
