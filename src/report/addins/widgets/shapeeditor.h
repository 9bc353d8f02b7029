#pragma once

#include "report/designer/designerclasses.h"

#include <QDialog>

class QButtonGroup;
class TfrDesignDocument;
class TfrShapeView;

// "Фигура": the choice of the shape's figure, one button per kind. A kind
// past the known ones (kept from a file) shows none chosen and is kept until
// one is chosen.
class TfrShapeEditorForm : public QDialog {
    Q_OBJECT
public:
    TfrShapeEditorForm(TfrDesignDocument& document, const TfrShapeView& view, QWidget* parent = nullptr);
    void apply(TfrShapeView& view) const;

private:
    QButtonGroup* m_kinds;
};

// The tool-bar picture, hint and editor of the shape object.
TfrDesignerClassInfo frShapeDesignerInfo();
