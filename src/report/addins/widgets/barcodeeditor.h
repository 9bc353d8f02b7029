#pragma once

#include "report/designer/designerclasses.h"

#include <QDialog>
#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class TfrBarCodeView;
class TfrDesignDocument;

// "Редактор штрих-кода": the code (with "Вставить выражение"), the type, the
// check digit and caption flags, the zoom with plus and minus buttons (minus
// never below 1) and the angle. OK tries a code that is not an expression
// with the generator; a code it cannot encode shows "Ошибка в коде" and keeps
// the dialog open, as does a zoom that is not a positive number.
class TfrBarcodeEditorForm : public QDialog {
    Q_OBJECT
public:
    TfrBarcodeEditorForm(TfrDesignDocument& document, const TfrBarCodeView& view, QWidget* parent = nullptr);
    // The memo becomes the single code line; zoom, flags, type and angle
    // are stored, and the object takes the size of its code.
    void apply(TfrBarCodeView& view) const;
    void accept() override;

private:
    TfrDesignDocument& m_document;
    std::uint8_t m_barType;
    double m_zoom;
    QLineEdit* m_code;
    QComboBox* m_type;
    QCheckBox* m_checksum;
    QCheckBox* m_caption;
    QLineEdit* m_zoomEdit;
    QButtonGroup* m_angle;
};

// The tool-bar picture, hint and editor of the barcode object.
TfrDesignerClassInfo frBarcodeDesignerInfo();
