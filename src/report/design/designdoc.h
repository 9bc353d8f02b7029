#pragma once

#include "report/design/designgeometry.h"
#include "report/design/designsettings.h"
#include "report/design/designundo.h"
#include "report/model/objects.h"
#include "report/model/report.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

class TfrBandView;
class TfrEngine;
class TfrPage;

// The values the tool bars applied last, given to new objects (kept for the
// whole run by whoever opens designers).
struct TfrDesignStyle {
    float frameWidth = 1.0f;
    float lineWidth = 2.0f; // frame width of new lines
    TfrColor frameColor = clBlack;
    TfrColor fillColor = clTransparent;
    // Text objects only.
    std::uint16_t frameTyp = frftNone;
    TfrFont font;
    std::uint32_t alignment = frtaLeft;
};

// The eight handles of a single selected object, and the one of a group.
enum class TfrHandle { None, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left, Group };

// What a drag under way does.
enum class TfrDragMode { None, Move, Resize, GroupScale, SharedEdge, Rubber, Insert };

// What a file of the designer holds (by its extension).
enum class TfrDesignFileKind { Report, Template, Dictionary };

// The report designer without its window: one report edited in place, with
// the designer's state (current page, selection and reference object, tool,
// grid and units, style of new objects, undo and redo, the internal
// clipboard, modified flag, file name) and every editing command. The window
// turns the mouse and keys into these calls, and ostrand-cli --edit runs them
// by name (designcommands.h); tests run them directly.
//
// Every command that changes the template records one undo entry first (none
// when nothing changed, or with DisableUndo) and marks the report modified;
// a command that cannot apply changes nothing, returns false and leaves the
// reason in refusal(). Messages the user must see (a refused add-in, a failed
// save) go to the engine's interaction.
//
// Coordinates are report pixels of the current page (the designer shows pages
// at their design size).
class TfrDesignDocument {
public:
    // The report must outlive the document. A report without pages gets one.
    // `passwordGiven`: whoever loaded a protected report asked for its
    // password; otherwise a protected report is saved only after its
    // password is given (asked through the engine's interaction).
    explicit TfrDesignDocument(TfrReport& report, bool passwordGiven = false);

    TfrReport& report() const { return m_report; }
    TfrEngine& engine() const;
    TfrDesignerSettings& settings() { return m_settings; }
    const TfrDesignerSettings& settings() const { return m_settings; }
    TfrDesignStyle& style() { return m_style; }
    const TfrDesignStyle& style() const { return m_style; }
    int gridSize() const { return m_settings.gridSize; }
    bool setGridSize(int size);

    bool modified() const { return m_modified; }
    void setModified(bool on) { m_modified = on; }
    // Why the last command did not apply.
    const QString& refusal() const { return m_refusal; }
    // The caption: "Дизайнер - " and the file name without folder.
    QString caption() const;

    // Editing a prepared page: no files, no preview, no pages added or removed.
    bool preparedPage() const { return m_preparedPage; }
    void setPreparedPage(bool on) { m_preparedPage = on; }

    // ---- pages
    int pageIndex() const { return m_pageIndex; }
    TfrPage& page() const;
    int pageCount() const;
    // Shows another page (the selection is emptied).
    bool setPage(int index);
    // Size of the page area: the paper of a report page, the form of a dialog page.
    QSize pageSize() const;
    bool addPage(bool dialog = false);
    // Deletes a page (not the only one) with the sub-report objects that showed
    // it; those showing later pages follow; page 1 is shown; undo and redo are
    // emptied. The window asks first.
    bool deletePage(int index);
    // Moves a page; the sub-report objects follow their pages.
    bool movePage(int from, int to);

    // ---- selection
    bool isSelected(const TfrView& view) const { return m_selected.count(view.objectId) != 0; }
    int selectionCount() const { return int(m_selected.size()); }
    // The selected objects in list order.
    std::vector<TfrView*> selection() const;
    // The object the alignment commands follow.
    TfrView* referenceObject() const;
    void clearSelection();
    // A click on an object: it alone is selected unless it is already selected;
    // with `toggle` (Shift) it goes in or out of the selection.
    void clickObject(TfrView& view, bool toggle);
    // Selects the named objects of the current page (names without regard to
    // case); false, with nothing changed, when one of them is not there.
    bool selectNames(const QStringList& names);
    void selectObjects(const std::vector<TfrView*>& views);
    void selectAll();
    // Rubber-band selection: the non-band objects the rectangle touches, or
    // the bands when it touches none.
    void selectInRect(const QRect& rect, bool add);
    TfrView* objectAt(QPoint point) const;

    // ---- the tool of the object tool bar: null selects, else the class of the
    // objects to insert (TfrMemoView, TfrBandView, TfrPictureView,
    // TfrSubReportView, TfrLineView or an add-in class). With `keep` the tool
    // stays after an insertion.
    const TfrObjectClass* tool() const { return m_tool; }
    void setTool(const TfrObjectClass* tool, bool keep = false);

    // ---- inserting
    // The band types the band tool offers on the current page, in type order.
    std::vector<int> offeredBandTypes() const;
    // Inserts an object of `cls` at a dragged box (from its corner where the
    // drag began; width and height are negative when dragged up or left; both
    // 0 is a click: the default size there, one 0 the default of that side).
    // Bands need `bandType`, one of the offered types. The new object becomes
    // the selection; returns it, or null when refused.
    TfrView* insertObject(const TfrObjectClass& cls, const TfrBox& box, int bandType = -1);
    // Asked by a mouse insertion with the band tool: the type chosen from the
    // offered ones (the first preselected), nothing to cancel. Without it the
    // first offered type is taken.
    std::function<std::optional<int>(const std::vector<int>& offered)> chooseBandType;
    // Puts objects made elsewhere (the database fields inserted as texts and
    // their bands) on the current page as one insertion: each gets a unique
    // name unless its own is free, the bands are put in order, one undo entry
    // of kind insert is recorded and the objects become the selection.
    // Returns them, or nothing when the page cannot take them (a dialog form
    // takes only controls).
    std::vector<TfrView*> insertObjects(std::vector<std::unique_ptr<TfrView>> views);
    // The size a click gives a new object of `cls`, and the style of new
    // objects applied to one.
    QSize defaultSize(const TfrObjectClass& cls) const;
    void applyStyle(TfrView& view) const;

    // ---- the mouse. press begins what the point offers: an insertion with an
    // insertion tool, a handle's resizing, a shared edge, a click and move on
    // an object, or a rubber band (on an empty place, or anywhere with Ctrl);
    // dragTo follows the mouse; release ends it and records its undo entry.
    enum class Released { Nothing, Changed, Inserted };
    void press(QPoint point, Qt::KeyboardModifiers modifiers);
    void dragTo(QPoint point, bool alt);
    Released release(QPoint point, Qt::KeyboardModifiers modifiers);
    void cancelDrag();
    TfrDragMode dragMode() const { return m_drag.mode; }
    // The rectangle of a rubber band or insertion under way.
    QRect dragRect() const;
    // Where the objects being dragged stand now (shown as outlines while the
    // objects stay in place, with Selection = 0).
    std::vector<TfrBox> dragBoxes() const;
    // The handle at a point (for the cursor), and the handles shown.
    TfrHandle handleAt(QPoint point) const;
    std::vector<std::pair<TfrHandle, QPoint>> handles() const;
    // Whether a point lies on an edge shared by two selected objects.
    bool sharedEdgeAt(QPoint point) const;
    // The same drags begun at a given point without a hit test.
    void beginMove(QPoint from);
    bool beginResize(TfrHandle handle);
    bool beginSharedEdge(QPoint at);
    void beginRubber(QPoint from);
    void beginInsert(QPoint from);

    // ---- keys
    // Ctrl: move by one pixel; Shift: width or height by one pixel (objects
    // that may not be resized move); plain: with one object selected select
    // the nearest non-band object in the direction; Alt: move it until it
    // touches that neighbour.
    bool arrowKey(frdesign::TfrDirection direction, Qt::KeyboardModifiers modifiers);

    // ---- editing commands
    bool deleteSelection();
    bool cut();
    bool copy();
    // Pastes the clipboard with its top-left corner at `at` (the top-left of
    // the visible part of the page).
    bool paste(QPoint at = QPoint());
    bool hasClipboard() const { return !m_clipboard.empty(); }
    // Object records as copy makes them; throws Exception beyond the bounds.
    void setClipboard(std::vector<QByteArray> records);
    static constexpr int maxClipboardObjects = 100000;
    // The most objects the designer puts on a page (inserting and pasting).
    static constexpr int maxObjectsPerPage = 100000;
    static constexpr qsizetype maxClipboardBytes = qsizetype(256) << 20;

    bool bringToFront();
    bool sendToBack();
    bool align(frdesign::TfrAlign align);
    bool fitToGrid();
    bool undo();
    bool redo();
    const TfrUndoStack& undoStack() const { return m_undo; }
    const TfrUndoStack& redoStack() const { return m_redo; }

    // Tool-bar commands on the selected objects (and the style of new ones).
    bool setFrameSides(std::uint16_t sides, bool on);
    bool setFrameAll(bool on);
    bool setFrameWidth(float width);
    bool setFrameColor(TfrColor color);
    bool setFrameStyle(std::uint16_t style);
    bool setFillColor(TfrColor color);
    bool setFontName(const QString& name);
    bool setFontSize(int size);
    bool setFontColor(TfrColor color);
    bool setFontStyle(std::uint16_t bit, bool on);
    // Horizontal (0-3) or vertical (frtaMiddle, frtaDown, 0 for top) alignment,
    // or the vertical-text bit.
    bool setTextAlignment(std::uint32_t horizontal);
    bool setTextLayout(std::uint32_t vertical);
    bool setVerticalText(bool on);
    // A named property of objects of the current page through their property
    // tables (one undo entry); nothing changes when one of them refuses.
    bool setProperty(const std::vector<TfrView*>& views, const QString& property, const TVariant& value);
    // Records an undo entry of kind change for `views` and marks the report
    // modified, for whoever changes them next (the editors and dialogs).
    void recordChange(const std::vector<TfrView*>& views);

    // The edit command: a sub-report object shows its page; for others it
    // returns the object to open the editor of (null when its restrictions
    // forbid editing it or nothing is selected).
    TfrView* editTarget();

    // ---- status bar texts
    QString statusPosition() const;
    QString statusSize() const;
    QString statusObject() const;

    // ---- files
    static TfrDesignFileKind kindOfFile(const QString& fileName);
    // "Новый отчет": an empty report with one page, file name "Untitled".
    void newReport();
    // "&Создать...": the pages of a template file (*.frt); throws Exception
    // when it cannot be read.
    void newFromTemplate(const QString& fileName);
    // A report file (becomes the current file) or a dictionary file (replaces
    // the dictionary). A report that cannot be opened leaves the report as
    // it was; the reasons go to the interaction. `password` is asked for a
    // protected report.
    bool open(const QString& fileName, const TfrPasswordPrompt& password = {});
    // Saves to the current file; false with nothing written when the file is
    // "Untitled" (the window asks for a name) or saving failed.
    bool save();
    // Save as: a report file (extension .frf forced; it becomes the current
    // file), a template (.frt: in the template folder when one is set, with
    // `description` and `picture`) or a dictionary (.frd). A failed write
    // keeps the old file and the modified flag; its reason goes to the
    // interaction.
    bool saveAs(const QString& fileName, TfrDesignFileKind kind, const QStringList& description = {},
                const QImage& picture = {});
    QString templateFolder;
    bool isUntitled() const;

private:
    struct Drag {
        TfrDragMode mode = TfrDragMode::None;
        QPoint from, to;
        bool alt = false;
        TfrHandle handle = TfrHandle::None;
        std::vector<std::int32_t> ids;
        std::vector<TfrBox> boxes; // where the objects stood when the drag began
        QRect group;               // group scaling: the group's box
        std::int32_t edge = 0;     // shared edge: its x
        std::vector<std::int32_t> leftIds, rightIds;
        std::vector<std::int32_t> carried; // the objects a band dragged alone takes along
        std::optional<TfrUndoEntry> entry; // copies taken before the first change
        bool changed = false;
    };

    bool refuse(const QString& reason);
    void touch();
    void record(TfrUndoEntry entry);
    bool undoEnabled() const { return !m_settings.disableUndo; }
    TfrUndoEntry changeEntry(const std::vector<TfrView*>& views) const;
    // Applies `change` to the views, recording one change entry when anything changed.
    bool changeEach(const std::vector<TfrView*>& views, const std::function<bool(TfrView&)>& change);
    std::vector<TfrView*> selectionOrRefuse();
    TfrView* findId(std::int32_t id) const;
    bool isBand(const TfrView& view) const;
    bool mayMove(const TfrView& view) const;
    bool maySize(const TfrView& view) const;
    bool reorderBands(TfrPage& page);
    bool changeOrder(bool front);
    bool changeTexts(const std::function<void(TfrMemoView&)>& change);
    bool pageHasBandType(const TfrPage& page, int type) const;
    bool shownBySubReport(int pageIndex) const;
    const TfrObjectClass* onePerPageConflict(const TfrObjectClass& cls) const;
    QPoint snapped(QPoint p, bool alt) const;
    void placeDragged(TfrView& view, const TfrBox& box) const;
    void applyDrag();
    void takeDragCopies();
    QRect groupBox(TfrView** corner = nullptr) const;
    bool sharedEdge(QPoint at, std::int32_t* x, std::vector<std::int32_t>* leftIds,
                    std::vector<std::int32_t>* rightIds) const;
    void setFileName(const QString& name);
    bool checkPassword();
    bool saveReportFile(const QString& fileName);
    void resetEditing();

    TfrReport& m_report;
    TfrDesignerSettings m_settings;
    TfrDesignStyle m_style;
    int m_pageIndex = 0;
    std::unordered_set<std::int32_t> m_selected;
    std::optional<std::int32_t> m_reference;
    const TfrObjectClass* m_tool = nullptr;
    bool m_keepTool = false;
    TfrUndoStack m_undo, m_redo;
    std::vector<QByteArray> m_clipboard;
    bool m_modified = false;
    bool m_passwordGiven = false;
    bool m_preparedPage = false;
    QString m_refusal;
    Drag m_drag;
};

// The base name of new bands of a type: its name with the first space removed
// and the letter after it in upper case ("Master data" -> "MasterData").
QString frBandBaseName(int bandType);
