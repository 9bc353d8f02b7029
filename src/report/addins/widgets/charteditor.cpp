#include "report/addins/widgets/charteditor.h"

#include "report/addins/chart.h"
#include "report/design/designdoc.h"
#include "report/designer/editorparts.h"
#include "report/icons/icons.h"
#include "report/model/constants.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

namespace {

// The kind buttons: picture and hint, in kind order.
const struct {
    const char16_t* icon;
    const char16_t* hint;
} kKinds[] = {
    {u"chart-line", u"Линии"},       {u"chart-area", u"Области"},
    {u"chart-points", u"Точки"},     {u"chart-bars", u"Столбцы"},
    {u"chart-hbars", u"Полосы"},     {u"chart-pie", u"Круговая"},
};

const char16_t* const kOptions[] = {u"&Объемная",  u"О&диночная",     u"С &подписью",
                                    u"С о&сями",   u"С по&метками",   u"Разно&цветная"};
// The settings the option boxes show, in their order.
bool TfrChartSettings::* const kOptionFields[] = {
    &TfrChartSettings::view3d, &TfrChartSettings::singleSeries, &TfrChartSettings::legend,
    &TfrChartSettings::axes,   &TfrChartSettings::marks,        &TfrChartSettings::multicolored};

const char16_t* const kMarkStyles[] = {u"&Значение", u"&Процент", u"&Название", u"Название и про&цент",
                                       u"Название и зна&чение"};

QLineEdit* labelledEdit(QGridLayout* grid, int row, const QString& caption) {
    auto* edit = new QLineEdit;
    auto* label = new QLabel(caption);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

} // namespace

// The chart's pictures (resources of a static library are registered when
// first asked for; the registration lives outside any namespace).
static QIcon chartIcon(const char16_t* name) {
    static const bool registered = [] {
        Q_INIT_RESOURCE(charteditor);
        return true;
    }();
    (void)registered;
    return frReportIcon(QString::fromUtf16(name));
}

TfrChartEditorForm::TfrChartEditorForm(const TfrChartSettings& s, QWidget* parent) : QDialog(parent), m_given(s) {
    setWindowTitle(QStringLiteral("Диаграмма"));
    m_tabs = new QTabWidget;

    // "Тип"
    auto* typePage = new QWidget;
    auto* kindBox = new QGroupBox(QStringLiteral("Тип диаграммы"));
    auto* kindRow = new QHBoxLayout(kindBox);
    m_kinds = new QButtonGroup(this);
    m_kinds->setExclusive(true);
    for (int i = 0; i < int(std::size(kKinds)); ++i) {
        auto* b = new QToolButton;
        b->setIcon(chartIcon(kKinds[i].icon));
        b->setIconSize(QSize(32, 32));
        b->setToolTip(QString::fromUtf16(kKinds[i].hint));
        b->setCheckable(true);
        b->setAutoRaise(true);
        m_kinds->addButton(b, i);
        kindRow->addWidget(b);
    }
    kindRow->addStretch();
    if (QAbstractButton* b = m_kinds->button(int(s.kind)))
        b->setChecked(true);
    auto* optionBox = new QGroupBox(QStringLiteral("Опции"));
    auto* optionGrid = new QGridLayout(optionBox);
    for (int i = 0; i < 6; ++i) {
        m_options[i] = new QCheckBox(QString::fromUtf16(kOptions[i]));
        m_options[i]->setChecked(s.*kOptionFields[i]);
        optionGrid->addWidget(m_options[i], i % 3, i / 3);
    }
    auto* typeLayout = new QVBoxLayout(typePage);
    typeLayout->addWidget(kindBox);
    typeLayout->addWidget(optionBox);
    typeLayout->addStretch();
    m_tabs->addTab(typePage, QStringLiteral("Тип"));

    // "Данные"
    auto* dataPage = new QWidget;
    auto* namesBox = new QGroupBox(QStringLiteral("Имя объекта"));
    auto* namesGrid = new QGridLayout(namesBox);
    m_captionObject = labelledEdit(namesGrid, 0, QStringLiteral("Для &подписи"));
    m_captionObject->setText(s.captionObject);
    m_valueObject = labelledEdit(namesGrid, 1, QStringLiteral("Для &данных"));
    m_valueObject->setText(s.valueObject);
    auto* topBox = new QGroupBox(QStringLiteral("Top10 группировка"));
    auto* topGrid = new QGridLayout(topBox);
    m_topCount = new QSpinBox;
    m_topCount->setRange(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    m_topCount->setValue(s.topCount);
    auto* topLabel = new QLabel(QStringLiteral("&Отображать"));
    topLabel->setBuddy(m_topCount);
    topGrid->addWidget(topLabel, 0, 0);
    topGrid->addWidget(m_topCount, 0, 1);
    m_restCaption = labelledEdit(topGrid, 1, QStringLiteral("&Подпись"));
    m_restCaption->setText(s.restCaption);
    topGrid->addWidget(new QLabel(QStringLiteral("значений")), 1, 2);
    auto* dataLayout = new QVBoxLayout(dataPage);
    dataLayout->addWidget(namesBox);
    dataLayout->addWidget(topBox);
    dataLayout->addStretch();
    m_tabs->addTab(dataPage, QStringLiteral("Данные"));

    // "Пометки"
    auto* marksPage = new QWidget;
    auto* styleBox = new QGroupBox(QStringLiteral("Стиль"));
    auto* styleLayout = new QVBoxLayout(styleBox);
    m_markStyles = new QButtonGroup(this);
    for (int i = 0; i < int(std::size(kMarkStyles)); ++i) {
        auto* b = new QRadioButton(QString::fromUtf16(kMarkStyles[i]));
        m_markStyles->addButton(b, i);
        styleLayout->addWidget(b);
    }
    if (QAbstractButton* b = m_markStyles->button(int(s.markStyle)))
        b->setChecked(true);
    auto* marksLayout = new QVBoxLayout(marksPage);
    marksLayout->addWidget(styleBox);
    marksLayout->addStretch();
    m_tabs->addTab(marksPage, QStringLiteral("Пометки"));

    QDialogButtonBox* buttons = frOkCancelButtons(*this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

TfrChartSettings TfrChartEditorForm::settings() const {
    TfrChartSettings s = m_given;
    if (const int kind = m_kinds->checkedId(); kind >= 0)
        s.kind = TfrChartKind(kind);
    for (int i = 0; i < 6; ++i)
        s.*kOptionFields[i] = m_options[i]->isChecked();
    s.captionObject = m_captionObject->text();
    s.valueObject = m_valueObject->text();
    s.topCount = m_topCount->value();
    s.restCaption = m_restCaption->text();
    if (const int style = m_markStyles->checkedId(); style >= 0)
        s.markStyle = TfrChartMarkStyle(style);
    return s;
}

QToolButton* TfrChartEditorForm::kindButton(TfrChartKind kind) const {
    return static_cast<QToolButton*>(m_kinds->button(int(kind)));
}

QCheckBox* TfrChartEditorForm::option(int index) const { return m_options[index]; }

QAbstractButton* TfrChartEditorForm::markStyleButton(TfrChartMarkStyle style) const {
    return m_markStyles->button(int(style));
}

bool frEditChart(TfrDesignDocument& document, TfrView& view, QWidget* parent) {
    auto* chart = frCast<TfrChartView>(&view);
    if (!chart || (view.restrictions & frrfDontEditContents))
        return false;
    TfrChartEditorForm form(chart->settings, parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    const TfrChartSettings edited = form.settings();
    if (edited == chart->settings)
        return false;
    document.recordChange({chart});
    chart->settings = edited;
    return true;
}

TfrDesignerClassInfo frChartDesignerClass() {
    return {chartIcon(u"addin-chart"), QStringLiteral("Вставить диаграмму"), frEditChart};
}
