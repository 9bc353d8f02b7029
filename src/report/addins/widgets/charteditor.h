#pragma once

#include "report/addins/chartdata.h"
#include "report/designer/designerclasses.h"

#include <QDialog>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QToolButton;
class TfrChartView;

// The chart editor "Диаграмма": the settings of one chart object on three
// tabs. "Тип": the chart kind (six tool buttons, one pressed) and the
// options (3-D, single series, legend, axes, marks, multicoloured);
// "Данные": the names of the caption and value memos and the top-N grouping
// (count and rest caption); "Пометки": the mark style. The form shows a copy
// of the settings and changes nothing itself.
class TfrChartEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrChartEditorForm(const TfrChartSettings& settings, QWidget* parent = nullptr);

    // The settings as the controls show them; what the form does not show
    // (the reserved bytes, a kind or mark style byte it does not know while
    // its button is not pressed) stays as given.
    TfrChartSettings settings() const;

    QTabWidget* tabs() const { return m_tabs; }
    QToolButton* kindButton(TfrChartKind kind) const;
    // The option check boxes in the order of the form: 3-D, single series,
    // legend, axes, marks, multicoloured.
    QCheckBox* option(int index) const;
    QLineEdit* captionObjectEdit() const { return m_captionObject; }
    QLineEdit* valueObjectEdit() const { return m_valueObject; }
    QSpinBox* topCountBox() const { return m_topCount; }
    QLineEdit* restCaptionEdit() const { return m_restCaption; }
    // The radio button of a mark style.
    QAbstractButton* markStyleButton(TfrChartMarkStyle style) const;

private:
    TfrChartSettings m_given;
    QTabWidget* m_tabs;
    QButtonGroup* m_kinds;
    QCheckBox* m_options[6];
    QLineEdit* m_captionObject;
    QLineEdit* m_valueObject;
    QSpinBox* m_topCount;
    QLineEdit* m_restCaption;
    QButtonGroup* m_markStyles;
};

// Opens the chart editor on a chart object; on OK with changed settings it
// records one undo entry of kind change and stores them, returning true.
// Nothing opens for an object whose restrictions forbid editing its contents.
bool frEditChart(TfrDesignDocument& document, TfrView& view, QWidget* parent);

// What the designer shows of the chart class: its tool-bar picture, the hint
// "Вставить диаграмму" and frEditChart.
TfrDesignerClassInfo frChartDesignerClass();
