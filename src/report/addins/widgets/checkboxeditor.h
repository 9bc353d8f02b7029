#pragma once

#include "report/designer/designerclasses.h"

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class TfrCheckBoxView;
class TfrColorSwatch;
class TfrDesignDocument;

// "CheckBox объект": the expression of the first memo line (with
// "Вставить выражение" and "Вставить поле БД"), the mark (cross or check)
// and its colour. OK replaces the first memo line only.
class TfrCheckBoxEditorForm : public QDialog {
    Q_OBJECT
public:
    TfrCheckBoxEditorForm(TfrDesignDocument& document, const TfrCheckBoxView& view, QWidget* parent = nullptr);
    void apply(TfrCheckBoxView& view) const;

private:
    QLineEdit* m_expression;
    QButtonGroup* m_style;
    TfrColorSwatch* m_color;
};

// The tool-bar picture, hint and editor of the check box object.
TfrDesignerClassInfo frCheckBoxDesignerInfo();
