#pragma once

#include "report/model/objects.h"

#include <QByteArray>

// An embedded document of another application, as an OLE object keeps it:
// the aspect it is drawn in and its structured-storage (compound) file.
struct TfrOleDocument {
    // The header's signature, the bytes "BDOC".
    static constexpr std::uint32_t signature = 0x434F4442;
    // Compound files begin with these eight bytes.
    static const QByteArray storageSignature;

    bool held = false;
    std::uint32_t aspect = 1; // 1: the content
    QByteArray storage;

    // Reads the header (signature, aspect, size n) and the n bytes of the
    // storage; a wrong signature throws "Invalid stream format", a size past
    // what the reader holds throws EFormatError before anything is taken.
    void read(TBinaryReader& in);
    void write(TBinaryWriter& out) const;
    void clear() { *this = TfrOleDocument(); }
    bool operator==(const TfrOleDocument&) const = default;
};

// The embedded OLE object. There is no object-linking service here: the
// embedded document's bytes are carried unchanged through templates, builds
// and prepared pages, and the object is drawn as a placeholder: its fill,
// "[OLE]" and the empty-picture sign (when it has a positive size), and its
// frame.
//
// Stored after the common object data: a presence byte (1: a document
// follows, 0: nothing), then the document's header and storage.
class TfrOLEView : public TfrView {
public:
    TfrOLEView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    // The view's properties and "OLE" (the editor; reads whether a document is
    // embedded; writing a file name embeds that compound file, an empty text
    // removes the document), "Stretched", "DataField".
    static const TfrPropTable& classProperties();

    TfrOleDocument document;

    // Embeds a compound file (at most textfile::MaxFileSize bytes); throws
    // when it cannot be read or is no compound file.
    void loadDocument(const QString& fileName);

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
    // A blob field holds a document in its stored form without the presence
    // byte; an empty or null field removes the document.
    void getBlob(TfrTableSource& table, int fieldIndex) override;
};
