#pragma once

#include "common/variant.h"
#include "report/model/constants.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class TBinaryReader;
class TBinaryWriter;
class TfrDataset;
class TfrObject;
class TfrPage;
class TfrReport;
class TfrTableSource;

// Text of a string list (memo, script) as scripts read it: lines joined by CR LF.
// Set from text, the lines are split at CR, LF or CR LF (textfile::splitLines).
inline QString frListText(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")); }

// One named property of an object as scripts and the object inspector see it.
struct TfrPropRec {
    QString name;              // at most 32 characters
    std::uint16_t kind = 0;    // frdt... bits
    QStringList enumNames;     // enumerations: value names
    std::vector<std::int32_t> enumValues;
    std::function<bool(TfrObject&)> editor; // optional
};

// A font record: name, size in points, style bits (fsItalic...), colour and
// character set (low byte: the platform character-set code).
struct TfrFont {
    QString name = QStringLiteral("Arial");
    std::int32_t size = 10;
    std::uint16_t style = 0;
    TfrColor color = clBlack;
    std::uint16_t charset = 204;

    QFont toQFont() const;
    bool operator==(const TfrFont&) const = default;
};

// The base of everything that exposes named properties and methods. Names are
// compared without regard to case. Property lists are built on first use.
class TfrObject {
public:
    TfrObject() = default;
    virtual ~TfrObject();
    TfrObject(const TfrObject&) = delete;
    TfrObject& operator=(const TfrObject&) = delete;

    // Sets a property; false when the object has no property of that name.
    // Values are converted as the property needs (a value that cannot be
    // converted throws).
    virtual bool setPropValue(const QString& name, const TVariant& value);
    // A property's value; nothing when the object has no such property.
    virtual std::optional<TVariant> getPropValue(const QString& name);
    // Calls a method (names as the interpreter passes them, e.g. "MEMO.ADD");
    // nothing when the object has no such method. Arguments are values.
    virtual std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args);

    // The property list (inspector order), built on first use.
    const std::vector<TfrPropRec>& propList();
    const TfrPropRec* findProperty(const QString& name);
    // True when a property of that name can be read (listed or script-only).
    bool hasProperty(const QString& name);

protected:
    // Fills the property list; subclasses call their base first.
    virtual void defineProperties();
    void addProperty(const QString& name, std::uint16_t kind, const QString& enumText = QString(),
                     std::vector<std::int32_t> enumValues = {}, std::function<bool(TfrObject&)> editor = {});
    void deleteProperty(const QString& name);
    // Drops the list so that the next use rebuilds it.
    void invalidatePropList() { m_propsBuilt = false; m_props.clear(); }

    // Converts an enumeration value given as a number or a value name.
    std::int32_t enumValue(const QString& propName, const TVariant& value);

private:
    std::vector<TfrPropRec> m_props;
    bool m_propsBuilt = false;
};

enum class TfrSaveMode : std::uint8_t { Design, Prepared };

// Every object placed on a page.
class TfrView : public TfrObject {
public:
    TfrView();
    ~TfrView() override;

    // The class name templates store for add-in objects ("TfrMemoView" ...).
    virtual QString className() const { return QStringLiteral("TfrView"); }
    // The prefix of unique names ("Memo", "Band" ...).
    QString baseName = QStringLiteral("View");

    const QString& name() const { return m_name; }
    virtual void setName(const QString& name) { m_name = name; }

    std::uint8_t objectType = gtAddIn;
    std::uint8_t objectVersionMajor = 0;
    std::uint8_t objectVersionMinor = 0;
    std::int32_t objectId = 0;
    TfrSaveMode saveMode = TfrSaveMode::Design;
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

    // Run-time links (building).
    class TfrBandView* parentBand = nullptr;
    // The page holding the object (set when it is added to a page).
    TfrPage* parentPage = nullptr;
    TfrReport* report() const;

    // Drawing transform set by preview and printing.
    double scaleX = 1.0, scaleY = 1.0;
    std::int32_t offsetX = 0, offsetY = 0;

    bool stretched() const { return flags & frflags::Stretched; }
    void setFlag(std::uint16_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }
    bool flag(std::uint16_t bit) const { return (flags & bit) != 0; }
    // The first memo line.
    QString dataField() const { return memo.value(0); }
    void setDataField(const QString& field);

    void setBounds(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h);
    // Gives the object the first free name base name + n (n = 1..10000) among
    // all objects of the report it belongs to (or of `report`); the name stays
    // empty when all are taken.
    void createUniqueName(TfrReport* report = nullptr);

    // Copies the fields of another object of the same class (copy, paste, undo).
    virtual void assign(const TfrView& source);

    // Slots later layers implement. Bodies here do nothing.
    virtual void drawBackground(QPainter& canvas) {}
    virtual void drawFrame(QPainter& canvas) {}
    virtual void getBlob(TfrTableSource& table, int fieldIndex) {}
    virtual void afterLoad() {}
    virtual void beginDraw(QPainter& canvas);
    virtual void restoreCoord();
    virtual void draw(QPainter& canvas) = 0;
    virtual void print(TBinaryWriter& stream) {}
    virtual void exportData() {}
    // The stored form of the object (template records and prepared pages): each
    // class reads or writes its base first, then its own fields. Reads follow
    // TfrEngine::streamVersion and `saveMode`; writes always produce the current
    // version and throw Exception for texts the format cannot hold.
    virtual void loadFromStream(TBinaryReader& stream);
    virtual void saveToStream(TBinaryWriter& stream);
    // The text written in prepared mode in place of the design fields: `memo`
    // here, the expanded lines (`memo1`) for text objects.
    virtual QStringList& workingText() { return memo; }
    virtual void resized() {}
    virtual QRegion clipRegion(bool withMargin) const;
    virtual bool showEditor() { return false; }

    // Geometry after beginDraw: the rectangle drawn into and the scaled gaps.
    QRect drawRect;
    std::int32_t drawGapX = 0, drawGapY = 0;

    bool setPropValue(const QString& name, const TVariant& value) override;
    std::optional<TVariant> getPropValue(const QString& name) override;
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;

protected:
    void defineProperties() override;
    // String-list methods on memo lines under a prefix ("MEMO", "LINES").
    std::optional<TVariant> memoListMethod(const QString& op, const std::vector<TVariant>& args);

private:
    QString m_name;
    QRect m_savedGeometry;
    std::int32_t m_savedGapX = 0, m_savedGapY = 0;
};

// Objects that can grow in height.
class TfrStretcheable : public TfrView {
public:
    // Used only while building.
    std::uint8_t drawMode = 0;

    virtual std::int32_t calcHeight() = 0;
    virtual std::int32_t minHeight() = 0;
    virtual std::int32_t remainHeight() = 0;

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
    QString className() const override { return QStringLiteral("TfrMemoView"); }

    TfrFont font;
    std::uint32_t alignment = frtaLeft;
    TfrHighlightAttr highlight;
    QString highlightStr;
    std::int32_t lineSpacing = 2;
    std::int32_t charSpacing = 0;
    QStringList memo1; // expanded text (prepared output)

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream) override;
    void saveToStream(TBinaryWriter& stream) override;
    QStringList& workingText() override { return memo1; }
    // Takes a blob field's text as the expanded lines.
    void getBlob(TfrTableSource& table, int fieldIndex) override;
    void draw(QPainter& canvas) override {}
    std::int32_t calcHeight() override { return height; }
    std::int32_t minHeight() override { return height; }
    std::int32_t remainHeight() override { return 0; }

    bool setPropValue(const QString& name, const TVariant& value) override;
    std::optional<TVariant> getPropValue(const QString& name) override;
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;

protected:
    void defineProperties() override;
};

// Band.
class TfrBandView : public TfrView {
public:
    TfrBandView();
    QString className() const override { return QStringLiteral("TfrBandView"); }

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

    // The dataset the band walks while building (set by the builder); the
    // NEXT, PRIOR and FIRST methods and the EOF property use it.
    TfrDataset* dataset = nullptr;

    void assign(const TfrView& source) override;
    void draw(QPainter& canvas) override {}
    void loadFromStream(TBinaryReader& stream) override;
    void saveToStream(TBinaryWriter& stream) override;

    bool setPropValue(const QString& name, const TVariant& value) override;
    std::optional<TVariant> getPropValue(const QString& name) override;
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;

    // Which band-specific properties a band type offers.
    static bool offers(int bandType, const QString& property);

protected:
    void defineProperties() override;
};

// Sub-report frame.
class TfrSubReportView : public TfrView {
public:
    TfrSubReportView();
    QString className() const override { return QStringLiteral("TfrSubReportView"); }
    // Index in the report's page list of the page holding the sub-report's bands.
    std::int32_t subPage = 0;
    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream) override;
    void saveToStream(TBinaryWriter& stream) override;
    void draw(QPainter& canvas) override {}
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
    QString className() const override { return QStringLiteral("TfrPictureView"); }
    TfrPicture picture;
    std::uint8_t blobType = btBMP;
    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream) override;
    void saveToStream(TBinaryWriter& stream) override;
    // Takes a blob field's bytes as an image of the kind BlobType names; a
    // field without a value clears the picture.
    void getBlob(TfrTableSource& table, int fieldIndex) override;
    void draw(QPainter& canvas) override {}
    // Loads a picture file; throws when it cannot be read.
    void loadFromFile(const QString& fileName);

    bool setPropValue(const QString& name, const TVariant& value) override;
    std::optional<TVariant> getPropValue(const QString& name) override;
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;

protected:
    void defineProperties() override;
};

// Line: one frame side of its rectangle.
class TfrLineView : public TfrStretcheable {
public:
    TfrLineView();
    QString className() const override { return QStringLiteral("TfrLineView"); }
    void draw(QPainter& canvas) override {}
    std::int32_t calcHeight() override { return height; }
    std::int32_t minHeight() override { return height; }
    std::int32_t remainHeight() override { return 0; }

protected:
    void defineProperties() override;
};

// A control on a dialog page; the widget layer supplies the platform control.
class TfrControl : public TfrView {
public:
    TfrControl();
    QString className() const override { return QStringLiteral("TfrControl"); }
    void draw(QPainter& canvas) override { paintControl(canvas); }
    // Paints the image of the platform control.
    virtual void paintControl(QPainter& canvas) {}
};

// A non-visual component on a dialog page (drawn as an icon).
class TfrNonVisualControl : public TfrControl {
public:
    QString className() const override { return QStringLiteral("TfrNonVisualControl"); }
};

// Creates a built-in object by kind code 0-4; nullptr for other codes.
std::unique_ptr<TfrView> frCreateBuiltInObject(int kind);
