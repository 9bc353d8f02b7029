#pragma once

#include "report/designer/designerclasses.h"

#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QFontComboBox;
class QTextCharFormat;
class QTextDocument;
class QTextEdit;
class QToolBar;
class TfrReport;

// The ruler above the rich-text editor's text: a scale and three markers for
// the current paragraph, the first-line indent (top triangle), the left
// indent (bottom triangle) and the right indent (triangle at the right).
// Positions are pixels of the editor's text, 0 at the left edge of the text
// area (origin: where that edge is in the ruler). Dragging a marker moves it
// within the text width; the left marker takes the first-line marker along,
// as the first line's indent is counted from the left indent.
class TfrRichRuler : public QWidget {
    Q_OBJECT
public:
    explicit TfrRichRuler(QWidget* parent = nullptr);

    enum Marker { None, FirstLine, Left, Right };
    // The current paragraph's indents: first line relative to the left
    // indent (as QTextBlockFormat::textIndent), left and right from their edges.
    void setIndents(double textIndent, double left, double right);
    double textIndent() const { return m_textIndent; }
    double leftIndent() const { return m_left; }
    double rightIndent() const { return m_right; }
    // Where the text area begins in the ruler, its width and the length of a
    // centimetre (the scale's step), in pixels.
    void setGeometryOfText(int origin, double textWidth, double centimetre);
    // Where a marker's tip stands in the ruler's coordinates.
    QPoint markerPoint(Marker marker) const;
    QSize sizeHint() const override;

signals:
    // A marker was dragged to new indents.
    void indentsChanged(double textIndent, double left, double right);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Marker markerAt(QPoint point) const;

    double m_textIndent = 0, m_left = 0, m_right = 0;
    int m_origin = 0;
    double m_width = 0;
    double m_centimetre = 38;
    Marker m_drag = None;
};

// The rich-text editor "Rich Edit ": a tool bar (open, save, undo, bold,
// italic, underline, left, centre and right alignment, bullets, font name
// and size, insert expression, insert field, OK, Cancel), the ruler and the
// text. It edits a copy of a rich-text document (twips, richtext/), shown at
// the screen's resolution; OK takes the edited text in twips again, as the
// RTF writer and reader store it (a text beyond the reader's bounds is
// refused with a message, and the form stays open).
//
// Bullets are what the RTF of the project keeps of lists: a paragraph that
// begins with a bullet and a tab, hung by the bullet indent. Files are read
// as RTF or plain text within the RTF reader's bounds and written as RTF
// through a temporary file; what fails is told through the report's engine
// interaction and leaves the text as it was.
class TfrRichEditorForm : public QDialog {
    Q_OBJECT
public:
    TfrRichEditorForm(const QTextDocument& document, TfrReport& report, QWidget* parent = nullptr);
    ~TfrRichEditorForm() override;

    // The document OK took (null before OK).
    std::shared_ptr<QTextDocument> edited() const { return m_edited; }
    void accept() override;

    bool loadFile(const QString& fileName);
    bool saveFile(const QString& fileName);
    // Inserts an expression at the caret in square brackets, unless it
    // already is one bracketed expression ("[" first, "]" last and no other
    // "[" after the first character).
    void insertExpression(const QString& expression);
    // Inserts a field reference at the caret in square brackets.
    void insertField(const QString& reference);
    // The field references of the report's dictionary: dataset, a period and
    // the field name in double quotes.
    QStringList fieldReferences() const;

    // What the expression and field buttons ask for (nothing: cancelled);
    // by default the designer's expression builder and field picker
    // (frEditorPickers()).
    std::function<std::optional<QString>()> askExpression;
    std::function<std::optional<QString>()> askField;

    QTextEdit* editor() const { return m_edit; }
    TfrRichRuler* ruler() const { return m_ruler; }
    QToolBar* toolBar() const { return m_toolBar; }
    // The tool-bar actions by name: "open", "save", "undo", "bold", "italic",
    // "underline", "left", "center", "right", "bullets", "expression",
    // "field", "ok", "cancel".
    QAction* action(const QString& name) const;
    QFontComboBox* fontBox() const { return m_font; }
    QComboBox* sizeBox() const { return m_size; }
    // Twips per pixel of the editor's text.
    double twipsPerPixel() const { return m_twipsPerPixel; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QAction* addAction(const QString& name, const QString& icon, const QString& hint);
    void showDocument(std::unique_ptr<QTextDocument> document);
    void mergeFormat(const QTextCharFormat& format);
    void toggleBullets();
    void setIndents(double textIndent, double left, double right);
    std::shared_ptr<QTextDocument> twipsDocument() const;
    void showFormat();
    void placeRuler();
    void openDialog();
    void saveDialog();

    TfrReport& m_report;
    double m_twipsPerPixel;
    QToolBar* m_toolBar;
    TfrRichRuler* m_ruler;
    QTextEdit* m_edit;
    QFontComboBox* m_font;
    QComboBox* m_size;
    std::unique_ptr<QTextDocument> m_document; // what m_edit shows
    std::shared_ptr<QTextDocument> m_edited; // what OK took
    bool m_showing = false; // the controls are being set from the text
};

// Opens the rich-text editor on a rich-text object; on OK with a changed
// text it records one undo entry of kind change and stores the edited
// document, returning true. Nothing opens for an object whose restrictions
// forbid editing its contents.
bool frEditRich(TfrDesignDocument& document, TfrView& view, QWidget* parent);

// The context-menu entry "Только текст": sets TextOnly on every selected
// rich-text object whose restrictions let its options change to the opposite
// of what the first selected one has (the entry's check mark), as one undo
// entry; false when there was nothing to change.
bool frToggleRichTextOnly(TfrDesignDocument& document);

// What the designer shows of the rich-text class: its tool-bar picture, the
// hint "Вставить RichText объект", frEditRich and the "Только текст" entry.
TfrDesignerClassInfo frRichDesignerClass();
