#pragma once

#include "common/variant.h"
#include "report/model/constants.h"
#include "report/model/objectclass.h"
#include "report/model/streamio.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class TBinaryReader;
class TBinaryWriter;
class TfrMemoView;
class TfrObject;
class TfrPage;
class TfrReport;
class TfrTableSource;

// Text of a string list (memo, script) as scripts read it: lines joined by CR LF.
// Set from text, the lines are split at CR, LF or CR LF (textfile::splitLines).
inline QString frListText(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")); }

class TfrPropTable;

// One named property of a class as scripts and the object inspector see it:
// name, kind word, enumeration values, and how to read and write it.
struct TfrPropRec {
    QString name;              // at most 32 characters
    std::uint16_t kind = 0;    // frdt... bits
    QStringList enumNames;     // enumerations: value names
    std::vector<std::int32_t> enumValues;
    bool listed = true;        // shown by the inspector; false: scripts only
    std::function<TVariant(const TfrObject&)> get;
    std::function<void(TfrObject&, const TVariant&)> set; // empty: read-only (writes are ignored)
    std::function<bool(const TfrObject&)> offered;        // empty: every object of the class offers it

    // An enumeration value given as a number or as one of the value names.
    std::int32_t enumValue(const TVariant& value) const;
};

// A colour given as a value: numbers above 0x7FFFFFFF (system colours given
// as doubles) keep their 32 bits.
TfrColor frColorOf(const TVariant& value);

// A font record: name, size in points, style bits (fsItalic...), colour and
// character set (low byte: the platform character-set code).
struct TfrFont {
    QString name = QStringLiteral("Arial");
    std::int32_t size = 10;
    std::uint16_t style = 0;
    TfrColor color = clBlack;
    std::uint16_t charset = frDefaultCharset;

    QFont toQFont() const;
    bool operator==(const TfrFont&) const = default;
};

// The base of everything that exposes named properties and methods. Each
// class describes its properties once, in its property table; names are
// compared without regard to case.
class TfrObject {
public:
    TfrObject() = default;
    virtual ~TfrObject();
    TfrObject(const TfrObject&) = delete;
    TfrObject& operator=(const TfrObject&) = delete;

    // The property table of the object's class.
    virtual const TfrPropTable& properties() const;

    // Sets a property; false when the object has no property of that name.
    // Values are converted as the property needs (a value that cannot be
    // converted throws). Writing a read-only property does nothing.
    bool setPropValue(const QString& name, const TVariant& value);
    // A property's value; nothing when the object has no such property.
    std::optional<TVariant> getPropValue(const QString& name) const;
    // Calls a method (names as the interpreter passes them, e.g. "MEMO.ADD");
    // nothing when the object has no such method. Arguments are values.
    virtual std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args);

    // The properties the inspector lists, in its order.
    std::vector<const TfrPropRec*> propList() const;
    // A property the object offers (listed or script-only), or nothing.
    const TfrPropRec* findProperty(QStringView name) const;
    bool hasProperty(QStringView name) const { return findProperty(name) != nullptr; }
};

// The property table of one class: built once from the base class's table
// plus the class's own entries, looked up by a case-insensitive hash.
class TfrPropTable {
public:
    TfrPropTable() = default;
    // Starts from the base class's entries.
    explicit TfrPropTable(const TfrPropTable* base);

    // Adds a property of class T; a name the table holds already is redefined
    // in its earlier position. `enumText` lists enumeration names separated by
    // ";" (values 0, 1, ... unless `enumValues` gives them).
    template <class T>
    TfrPropTable& add(const QString& name, std::uint16_t kind, TVariant (*get)(const T&),
                      void (*set)(T&, const TVariant&) = nullptr, const QString& enumText = QString(),
                      std::vector<std::int32_t> enumValues = {}) {
        TfrPropRec rec;
        rec.name = name.left(32);
        rec.kind = kind;
        rec.get = [get](const TfrObject& o) { return get(static_cast<const T&>(o)); };
        if (set)
            rec.set = [set](TfrObject& o, const TVariant& v) { set(static_cast<T&>(o), v); };
        setEnum(rec, enumText, std::move(enumValues));
        return add(std::move(rec));
    }
    TfrPropTable& add(TfrPropRec rec);
    // A property scripts reach but the inspector does not list.
    TfrPropTable& hide(const QString& name);
    TfrPropTable& hideAll();

    const TfrPropRec* find(QStringView name) const;
    const std::vector<TfrPropRec>& entries() const { return m_entries; }

private:
    static void setEnum(TfrPropRec& rec, const QString& enumText, std::vector<std::int32_t> values);
    TfrPropRec* findMutable(QStringView name);

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(QStringView s) const noexcept;
    };
    struct Equal {
        using is_transparent = void;
        bool operator()(QStringView a, QStringView b) const noexcept {
            return a.compare(b, Qt::CaseInsensitive) == 0;
        }
    };
    std::vector<TfrPropRec> m_entries;
    std::unordered_map<QString, std::size_t, Hash, Equal> m_index;
};

// Every object placed on a page: what a template stores of it. What a build
// or a drawing needs besides (the band an object is printed in, the dataset a
// band walks, the drawing transform) belongs to the builder and the drawing
// code, not to the object.
class TfrView : public TfrObject {
public:
    TfrView();
    ~TfrView() override;

    // The object's class: its names, kind and everything the engine needs of it.
    virtual const TfrObjectClass& objectClass() const { return classInfo(); }
    static const TfrObjectClass& classInfo();
    // The class name templates store for add-in objects ("TfrMemoView" ...).
    QString className() const { return objectClass().className; }
    // The prefix of unique names: the class's ("Memo" ...) unless one was set
    // for this object (the designer names bands after their type).
    QString baseName() const { return m_baseName.isEmpty() ? objectClass().baseName : m_baseName; }
    void setBaseName(const QString& name) { m_baseName = name; }

    const QString& name() const { return m_name; }
    virtual void setName(const QString& name) { m_name = name; }

    std::uint8_t objectType = gtAddIn;
    // The stored form's version as last read (writers write their own).
    std::uint8_t objectVersionMajor = 0;
    std::uint8_t objectVersionMinor = 0;
    // Serial number given by TfrEngine::createObject.
    std::int32_t objectId = 0;
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    std::uint16_t flags = frflags::Stretched;
    std::uint16_t frameTyp = 0;
    float frameWidth = 1.0f;
    TfrColor frameColor = clBlack;
    std::uint16_t frameStyle = psSolid;
    TfrColor fillColor = clTransparent;
    std::uint32_t format = frformat::defaultCode;
    QString formatStr;
    bool visible = true;
    std::int32_t gapX = 2, gapY = 1;
    // The low byte holds the bits; the high byte is kept as read from a file.
    std::uint16_t restrictions = 0;
    QString tag;
    QStringList memo;
    QStringList script;
    std::uint8_t bandAlign = baNone;

    // The page holding the object (set when it is added to a page, cleared
    // when it is taken off).
    TfrPage* parentPage() const { return m_page; }
    TfrReport* report() const;

    bool stretched() const { return flags & frflags::Stretched; }
    void setFlag(std::uint16_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }
    bool flag(std::uint16_t bit) const { return (flags & bit) != 0; }
    // The first memo line; setting it replaces that line only.
    QString dataField() const { return memo.value(0); }
    void setDataField(const QString& field);

    void setBounds(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h);
    // Gives the object the first free name base name + n (n = 1..10000) among
    // all objects of the report it belongs to (or of `report`); the name stays
    // empty when all are taken.
    void createUniqueName(TfrReport* report = nullptr);

    // Copies the fields of another object of the same class (copy, paste, undo).
    virtual void assign(const TfrView& source);

    // Takes the object's content from a blob field of a table.
    virtual void getBlob(TfrTableSource& table, int fieldIndex) {}
    // Told after a whole template has been read.
    virtual void afterLoad() {}
    // What the load of a template tells the user about the object as it was
    // read (a picture kept that this program cannot show ...), or nothing.
    virtual QString loadWarning() const { return QString(); }
    // The stored form of the object (template records and prepared pages): each
    // class reads or writes its base first, then its own fields. Reads follow
    // the context's version and mode; writes always produce the current version,
    // change nothing in the object and throw Exception for texts the format
    // cannot hold.
    virtual void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context);
    virtual void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const;

    // The property table of the object's class.
    const TfrPropTable& properties() const override;
    static const TfrPropTable& classProperties();
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;

protected:
    // The minor version the class writes.
    virtual std::uint8_t storedVersionMinor() const { return objectVersionMinor; }
    // String-list methods on memo lines under a prefix ("MEMO", "LINES").
    std::optional<TVariant> memoListMethod(const QString& op, const std::vector<TVariant>& args);

private:
    friend class TfrPage;
    QString m_name;
    QString m_baseName;
    TfrPage* m_page = nullptr;
};

// Objects that can grow in height.
class TfrStretcheable : public TfrView {
public:
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;
};

// Highlighting of a memo when its condition holds.
struct TfrHighlightAttr {
    std::uint16_t fontStyle = fsBold;
    TfrColor fontColor = clBlack;
    TfrColor fillColor = clWhite;
    bool operator==(const TfrHighlightAttr&) const = default;
};

// Text object.
class TfrMemoView : public TfrStretcheable {
public:
    TfrMemoView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();

    TfrFont font;
    std::uint32_t alignment = frtaLeft;
    TfrHighlightAttr highlight;
    QString highlightStr;
    std::int32_t lineSpacing = 2;
    std::int32_t charSpacing = 0;

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
    // Takes a blob field's text as its lines.
    void getBlob(TfrTableSource& table, int fieldIndex) override;

    static const TfrPropTable& classProperties();
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;
};

// Band.
class TfrBandView : public TfrView {
public:
    TfrBandView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();

    // The band type lives in FrameTyp: setting stores the code's low 7 bits as
    // the whole field, reading takes the field's low byte.
    int bandType() const { return frameTyp & 0xFF; }
    void setBandType(int type);

    QString childBand;
    QString master;
    std::int32_t columns = 1;
    std::int32_t columnWidth = 200;
    std::int32_t columnGap = 20;
    std::int32_t newColumnAfter = 1;

    // The data source of data bands and the condition of group headers share the
    // format string.
    const QString& dataSourceName() const { return formatStr; }
    void setDataSourceName(const QString& name) { formatStr = name; }
    const QString& groupCondition() const { return formatStr; }

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;

    static const TfrPropTable& classProperties();
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;

    // Which band-specific properties a band type offers.
    static bool offers(int bandType, QStringView property);

protected:
    std::uint8_t storedVersionMinor() const override { return 1; }
};

// Sub-report frame.
class TfrSubReportView : public TfrView {
public:
    TfrSubReportView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    // Index in the report's page list of the page holding the sub-report's bands.
    std::int32_t subPage = 0;
    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

// A picture held as the bytes of its file format plus the decoded image.
struct TfrPicture {
    enum Kind : std::uint8_t { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, Jpeg = 4 };
    Kind kind = None;
    QByteArray data;
    QImage image; // empty for metafiles until a later layer renders them
    // Why the bytes could not be decoded (damaged file); empty when they could
    // or when the kind is not decoded here. The bytes are kept either way.
    QString error;

    bool isEmpty() const { return kind == None; }
    void clear() { *this = TfrPicture(); }
    // Takes file bytes of the given kind and decodes bitmaps, icons and JPEGs.
    // Bytes that cannot be decoded leave the image empty and set `error`.
    void setData(Kind kind, const QByteArray& bytes);
    // Kind from a file extension (.bmp, .jpg/.jpeg, .ico, .wmf/.emf); None when unknown.
    static Kind kindOfFile(const QString& fileName);
};

// Picture object.
class TfrPictureView : public TfrView {
public:
    TfrPictureView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    TfrPicture picture;
    std::uint8_t blobType = btBMP;
    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
    // Takes a blob field's bytes as an image of the kind BlobType names; a
    // field without a value clears the picture.
    void getBlob(TfrTableSource& table, int fieldIndex) override;
    // Loads a picture file; throws when it cannot be read.
    void loadFromFile(const QString& fileName);

    static const TfrPropTable& classProperties();
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;
};

// Line: one frame side of its rectangle.
class TfrLineView : public TfrStretcheable {
public:
    TfrLineView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();
};

// A control on a dialog page; the widget layer supplies the platform control.
class TfrControl : public TfrView {
public:
    TfrControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
};

// A non-visual component on a dialog page (drawn as an icon).
class TfrNonVisualControl : public TfrControl {
public:
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
};

// The string-list operations scripts call on a list property (the part after
// "MEMO." or "ITEMS.", in upper case: "ADD", "CLEAR", "DELETE", "INDEXOF"):
// the result, or nothing for other operations. A DELETE outside the list
// throws.
std::optional<TVariant> frStringListMethod(QStringList& list, const QString& op, const std::vector<TVariant>& args);

// The built-in class of kind code 0-4; null for other codes.
const TfrObjectClass* frBuiltInClass(int kind);
// Creates a built-in object by kind code 0-4; nullptr for other codes.
std::unique_ptr<TfrView> frCreateBuiltInObject(int kind);

// The object as T when its class is T's or derives from it, else null.
template <class T>
T* frCast(TfrView* view) {
    return view && view->objectClass().isA(T::classInfo()) ? static_cast<T*>(view) : nullptr;
}
template <class T>
const T* frCast(const TfrView* view) {
    return view && view->objectClass().isA(T::classInfo()) ? static_cast<const T*>(view) : nullptr;
}

// The class of an add-in T deriving from the class `base`: its names, a
// factory and T's property table; painter and build behaviour come from
// `base` unless the caller sets them. It is exported as text when `base` is,
// else as a picture.
template <class T>
TfrObjectClass frAddInClass(const QString& className, const QString& baseName, const TfrObjectClass& base) {
    TfrObjectClass c;
    c.className = className;
    c.baseName = baseName;
    c.base = &base;
    c.create = [] { return std::make_unique<T>(); };
    c.properties = &T::classProperties;
    c.exportKind = base.exportKind == TfrExportKind::Text ? TfrExportKind::Text : TfrExportKind::Picture;
    c.heldPicture = base.heldPicture;
    return c;
}
