#pragma once

#include "report/designer/designerclasses.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QStackedWidget;
class TfrColorSwatch;
class TfrDesignDocument;
class TfrRoundRectView;

// "Прямоугольник с тенью": the memo lines (with "&Выражение..." and
// "&Поле БД...", read-only when the object's text may not be edited),
// "&Градиент" switching between the shadow panel (shadow size and colour,
// rounded corners and their size) and the gradient panel (begin and end
// colours, style), and a live sample. Turning the gradient on sets the
// shadow size text to -99, the corner text to 0 and the first style; turning
// it off sets both texts to 10.
class TfrRoundRectEditorForm : public QDialog {
    Q_OBJECT
public:
    TfrRoundRectEditorForm(TfrDesignDocument& document, const TfrRoundRectView& view, QWidget* parent = nullptr);
    ~TfrRoundRectEditorForm() override;
    // Stores the memo lines, the shadow colour, the fill colour and the
    // rounded-corners flag; the shadow width is the number in its edit (6 when
    // it is none; -99 in gradient mode), the corner size the number in its
    // edit (10 when it is none), or the style in gradient mode.
    void apply(TfrRoundRectView& view) const;

private:
    void switchGradient(bool on);
    void updateSample();

    TfrDesignDocument& m_document;
    std::unique_ptr<TfrRoundRectView> m_sample;
    std::int32_t m_style; // the stored style, kept while none is chosen
    QPlainTextEdit* m_memo;
    QCheckBox* m_gradient;
    QStackedWidget* m_panels;
    QLineEdit* m_shadowWidth;
    TfrColorSwatch* m_shadowColor;
    QCheckBox* m_roundCorners;
    QLineEdit* m_roundSize;
    TfrColorSwatch* m_beginColor;
    TfrColorSwatch* m_endColor;
    QComboBox* m_styleList;
    QLabel* m_sampleView;
};

// The tool-bar picture, hint and editor of the rounded rectangle.
TfrDesignerClassInfo frRoundRectDesignerInfo();
