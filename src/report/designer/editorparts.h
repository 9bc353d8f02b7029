#pragma once

// What the object editors share: the questions they ask besides their own
// controls (an expression, a database field, a colour, file names), the
// colour swatch, and the way an editor is run on an object.

#include "common/exception.h"
#include "report/design/designdoc.h"
#include "report/design/objectrecord.h"
#include "report/model/engine.h"
#include "report/model/objectclass.h"

#include <QDialog>
#include <QToolButton>
#include <functional>
#include <memory>
#include <optional>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The questions, each null-safe to replace (tests answer them without
// windows). `expression` returns the expression the user built (without
// added brackets), `field` a field reference: the dataset name, a period and
// the field name in double quotes; both nothing when cancelled. `color`
// returns the chosen colour or nothing, `font` the chosen font or nothing; `openFile` and `saveFile` a file name
// or an empty text.
struct TfrEditorPickers {
    std::function<std::optional<QString>(TfrReport& report, QWidget* parent)> expression;
    std::function<std::optional<QString>(TfrReport& report, QWidget* parent)> field;
    std::function<std::optional<TfrColor>(TfrColor current, QWidget* parent)> color;
    // `filter` as the file dialog takes it ("Рисунки (*.bmp *.jpg)"); empty for every file.
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter)> openFile;
    std::function<QString(QWidget* parent, const QString& caption)> saveFile;
    // The font chosen from `current`, or nothing.
    std::function<std::optional<TfrFont>(const TfrFont& current, QWidget* parent)> font;
};
// The pickers in force (the dialogs of this library unless replaced).
TfrEditorPickers& frEditorPickers();

// A caption whose "&" letter moves the focus to `buddy` (beside or above it).
QLabel* frBuddyLabel(const QString& caption, QWidget* buddy);

// "ОК" and "Отмена" buttons that accept and reject `dialog`.
QDialogButtonBox* frOkCancelButtons(QDialog& dialog);

// An expression as a text takes it: enclosed in square brackets unless it
// already is one bracketed expression (starts with "[", ends with "]" and
// holds no other "[" after its first character).
QString frBracketed(const QString& expression);

// The buttons "Вставить выражение" / "Вставить поле БД" of an editor: they ask
// the pickers and insert the bracketed answer at the caret of `target`.
void frInsertExpression(TfrReport& report, QLineEdit* target);
void frInsertField(TfrReport& report, QLineEdit* target);
void frInsertExpression(TfrReport& report, QPlainTextEdit* target);
void frInsertField(TfrReport& report, QPlainTextEdit* target);

// A button showing a colour; a click asks the colour picker (hint "Щелкните
// здесь для выбора цвета") and emits changed() when a colour was chosen.
class TfrColorSwatch : public QToolButton {
    Q_OBJECT
public:
    explicit TfrColorSwatch(TfrColor color, QWidget* parent = nullptr);
    TfrColor color() const { return m_color; }
    void setColor(TfrColor color);

signals:
    void changed();

private:
    TfrColor m_color;
};

// Runs the editor `Form` on an object of class `View`: nothing opens when the
// object's restrictions forbid editing its contents. The form works on its
// own copy of the values; on OK they are applied to a scratch copy of the
// object, and only when that copy differs from the object one undo entry of
// kind change is recorded and the object takes the copy's values (true).
// `Form` is made as Form(document, view, parent) and has apply(View&) const.
template <class View, class Form> bool frRunAddInEditor(TfrDesignDocument& document, TfrView& object, QWidget* parent) {
    auto* view = frCast<View>(&object);
    if (!view || (object.restrictions & frrfDontEditContents))
        return false;
    Form form(document, *view, parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    try {
        std::unique_ptr<TfrView> scratch = View::classInfo().create();
        scratch->assign(object);
        scratch->setName(object.name());
        form.apply(static_cast<View&>(*scratch));
        if (frdesign::sameRecord(object, frdesign::objectRecord(*scratch)))
            return false;
        document.recordChange({&object});
        object.assign(*scratch);
    } catch (const Exception& e) {
        // A value the template cannot hold: the object stays as it was.
        document.engine().interaction().showError(e.message());
        return false;
    }
    return true;
}
