#pragma once

#include "report/builder/dialogpage.h"
#include "report/model/objects.h"

// The controls of dialog pages: label, edit, memo, button, check box, radio
// button, list box, combo box and date edit. An object holds the control's
// data (what templates store, what scripts read and write); the platform
// control that shows it while a dialog page is asked lives in the widget
// library, which attaches itself as the object's peer and keeps the two in
// step: what the user changes it writes into the object, and the object tells
// it what scripts change.

// Alignments of labels, check boxes and radio buttons (the stored byte).
enum : std::uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
// Styles of combo boxes (the stored byte). A lookup combo box's items are
// "display;value": the list shows the display parts, Text reads the value.
enum : std::uint8_t { csDropDown = 0, csDropDownList = 2, csLookup = 3 };
// Formats of date edits.
enum : std::uint8_t { dfShort = 0, dfLong = 1 };

// The platform control of a control object while it is shown.
class TfrControlPeer {
public:
    enum class Change : std::uint8_t {
        Geometry, // Left, Top, Width, Height
        Visible,
        Look,     // colour, enabled state, font
        Content,  // text, caption, items, selection, state, date, options
        Focus,    // SETFOCUS
    };
    virtual ~TfrControlPeer() = default;
    virtual void controlChanged(Change change) = 0;
};

// A control with colour, enabled state, font and a click script (the
// object's script). Geometry and visibility set by scripts reach the
// platform control only while the object's report is being built (its
// dialog pages are asked then), never in the designer; the other properties
// reach it at once.
//
// Stored after the common object data: colour (u32), enabled (u8), font
// (name, size i32, style u16, colour u32, character set u16).
class TfrStdControl : public TfrControl {
public:
    TfrStdControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    TfrColor color = clBtnFace;
    bool enabled = true;
    TfrFont font;

    // The platform control showing the object, or none; not owned, cleared
    // by the peer before it goes.
    void setPeer(TfrControlPeer* peer) { m_peer = peer; }
    TfrControlPeer* peer() const { return m_peer; }
    // Tells the peer of a change (geometry and visibility only while the
    // report is being built).
    void changed(TfrControlPeer::Change change) const;

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;

private:
    TfrControlPeer* m_peer = nullptr;
};

// Static text. With AutoSize on, the platform control sizes the object.
// Stored: alignment (u8), AutoSize (u8), caption, WordWrap (u8).
class TfrLabelControl : public TfrStdControl {
public:
    TfrLabelControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    std::uint8_t alignment = taLeftJustify;
    bool autoSize = true;
    QString caption = QStringLiteral("Label");
    bool wordWrap = false;

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

// A single-line edit. Stored: text, ReadOnly (u8).
class TfrEditControl : public TfrStdControl {
public:
    TfrEditControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    QString text = QStringLiteral("Edit");
    bool readOnly = false;

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

// A multi-line edit. Stored: the lines as one text (joined by CR LF),
// ReadOnly (u8). Scripts reach the lines as Lines and through LINES.ADD ...
class TfrMemoControl : public TfrStdControl {
public:
    TfrMemoControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    QStringList lines{QStringLiteral("Memo")};
    bool readOnly = false;

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;
};

// A push button. Pressing one whose modal result is not mrNone closes the
// dialog page with that result. Stored: caption, modal result (u16); a
// button read with result mrCancel is the cancel button, with mrOk the
// default one.
class TfrButtonControl : public TfrStdControl {
public:
    TfrButtonControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    QString caption = QStringLiteral("Button");
    std::uint16_t modalResult = mrNone;
    bool cancel = false;   // Escape presses it
    bool isDefault = false; // Enter presses it

    // Sets the modal result, and Cancel and Default with it.
    void setModalResult(std::uint16_t result);

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

// Check box and radio button: the caption on the left (taLeftJustify) or on
// the right (taRightJustify) of the mark. Stored: alignment (u8), checked
// (u8), caption. Radio buttons of one page are one group.
class TfrCheckBoxControl : public TfrStdControl {
public:
    TfrCheckBoxControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    std::uint8_t alignment = taRightJustify;
    bool checked = false;
    QString caption = QStringLiteral("CheckBox");

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

class TfrRadioButtonControl : public TfrCheckBoxControl {
public:
    TfrRadioButtonControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
};

// What list boxes and combo boxes share: the items and the chosen one
// (ItemIndex, -1 for none; values outside the list choose none).
// Scripts reach the items as Items and through ITEMS.ADD ...
class TfrListControl : public TfrStdControl {
public:
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    QStringList items;
    std::int32_t itemIndex = -1;

    void setItemIndex(std::int32_t index);
    // The texts the list shows, one per item.
    virtual QStringList shownItems() const { return items; }

    void assign(const TfrView& source) override;
    std::optional<TVariant> doMethod(const QString& name, const std::vector<TVariant>& args) override;
};

// Stored: the items (string list).
class TfrListBoxControl : public TfrListControl {
public:
    TfrListBoxControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();

    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

// Stored: the items, the style (u8); written as object version 2.1. Older
// forms: version 1.0 and before hold no style (drop-down), up to 2.0 list and
// lookup styles were stored as 1 and 2.
class TfrComboBoxControl : public TfrListControl {
public:
    TfrComboBoxControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    // Most characters Text gives of a lookup item's value part.
    static constexpr int maxValueLength = 255;

    std::uint8_t style = csDropDown;
    // What the edit of a drop-down combo box holds.
    QString editText;

    // Lookup style: each item's display part (before its first ";").
    QStringList shownItems() const override;
    // Drop-down: the edit's text; drop-down list: the chosen item; lookup:
    // the chosen item's value part (after its first ";", trimmed).
    QString text() const;
    // As typed by the user: a drop-down takes it as its edit text (choosing
    // the item equal to it, if any); the list styles choose the first item
    // equal to it, to its display part or to its value part, else none.
    void setText(const QString& text);

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;

protected:
    std::uint8_t storedVersionMinor() const override { return 1; }
};

// A date picker. Its date is not stored: every object starts with today.
// Stored: the date format (u8).
class TfrDateEditControl : public TfrStdControl {
public:
    TfrDateEditControl();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    static const TfrPropTable& classProperties();

    std::uint8_t dateFormat = dfShort;
    // Days since 30 December 1899, whole (a time given is dropped).
    double date = 0;

    void setDate(double days);

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

// The nine classes, in the order the designer offers them.
const std::vector<const TfrObjectClass*>& frControlClasses();
