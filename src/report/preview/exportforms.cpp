#include "report/preview/exportforms.h"

#include "report/export/exportfilter.h"
#include "report/export/formatfilters.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString killEmptyLinesText = QStringLiteral("&Удалять пустые строки");
const QString picturesText = QStringLiteral("Экспорт &картинок");

QLineEdit* scaleEdit(QGridLayout* grid, int row, const QString& label, double value, QWidget* parent) {
    auto* edit = new QLineEdit(frScaleText(value), parent);
    auto* caption = new QLabel(label, parent);
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

bool runForm(TfrExportOptionsForm& form) {
    if (form.exec() != QDialog::Accepted)
        return false;
    form.readBack();
    return true;
}

} // namespace

TfrExportOptionsForm::TfrExportOptionsForm(const QString& caption, const std::vector<Check>& checks, double* scaleX,
                                           double* scaleY, const QString* delimiter, QWidget* parent)
    : QDialog(parent), m_checks(checks), m_scaleX(scaleX), m_scaleY(scaleY) {
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    for (const Check& c : checks) {
        auto* box = new QCheckBox(c.text, this);
        box->setChecked(*c.value);
        layout->addWidget(box);
        checkBoxes.push_back(box);
    }
    auto* group = new QGroupBox(QStringLiteral("Масштабирование"), this);
    auto* grid = new QGridLayout(group);
    if (scaleX)
        scaleXEdit = scaleEdit(grid, 0, QStringLiteral("&X"), *scaleX, group);
    scaleYEdit = scaleEdit(grid, 1, QStringLiteral("&Y"), *scaleY, group);
    layout->addWidget(group);
    if (delimiter) {
        auto* row = new QHBoxLayout;
        delimiterEdit = new QLineEdit(*delimiter, this);
        delimiterEdit->setMaxLength(1);
        auto* label = new QLabel(QStringLiteral("&Символ-разделитель"), this);
        label->setBuddy(delimiterEdit);
        row->addWidget(label);
        row->addWidget(delimiterEdit);
        layout->addLayout(row);
    }
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("ОК"), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrExportOptionsForm::readBack() {
    for (std::size_t i = 0; i < m_checks.size(); ++i)
        *m_checks[i].value = checkBoxes[i]->isChecked();
    if (m_scaleX)
        *m_scaleX = frReadScale(scaleXEdit->text());
    *m_scaleY = frReadScale(scaleYEdit->text());
}

QString TfrExportOptionsForm::delimiterText() const { return delimiterEdit ? delimiterEdit->text() : QString(); }

bool frCsvExportOptions(TfrCSVExport& f, QWidget* parent) {
    const QString delimiter(f.delimiter());
    TfrExportOptionsForm form(QStringLiteral("Экспорт в CSV"),
                              {{killEmptyLinesText, &f.killEmptyLines},
                               {QStringLiteral("Преобразовывать в &DOS"), &f.convertToOEM}},
                              &f.scaleX, &f.scaleY, &delimiter, parent);
    if (!runForm(form))
        return false;
    f.setDelimiter(form.delimiterText());
    return true;
}

bool frHtmExportOptions(TfrHTMExport& f, QWidget* parent) {
    TfrExportOptionsForm form(QStringLiteral("Экспорт в HTML"),
                              {{killEmptyLinesText, &f.killEmptyLines},
                               {picturesText, &f.exportPictures},
                               {QStringLiteral("Оставлять &разметку в текстах"), &f.rawTexts}},
                              nullptr, &f.scaleY, nullptr, parent);
    return runForm(form);
}

bool frRtfExportOptions(TfrRTFExport& f, QWidget* parent) {
    TfrExportOptionsForm form(QStringLiteral("Экспорт в RTF"),
                              {{killEmptyLinesText, &f.killEmptyLines},
                               {picturesText, &f.exportBitmaps},
                               {QStringLiteral("Преобразовать в &таблицу"), &f.convertToTable},
                               {QStringLiteral("Вставлять &разрывы страниц"), &f.pageBreaks}},
                              &f.scaleX, &f.scaleY, nullptr, parent);
    return runForm(form);
}
