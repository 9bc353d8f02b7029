#include "report/preview/exportdialogs.h"

#include "report/export/textexport.h"
#include "report/export/formatfilters.h"
#include "report/preview/exportforms.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

TfrTXTExportForm::TfrTXTExportForm(TfrTextExport& filter, QWidget* parent) : QDialog(parent), m_filter(filter) {
    setWindowTitle(QStringLiteral("Экспорт в TXT"));
    setObjectName(QStringLiteral("TfrTXTExportForm"));
    auto box = [this](const char16_t* text, const char* name, bool checked) {
        auto* b = new QCheckBox(QString::fromUtf16(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setChecked(checked);
        return b;
    };
    m_killEmptyLines = box(u"&Удалять пустые строки", "KillEmptyLinesCB", filter.killEmptyLines);
    m_oem = box(u"Преобразовывать в &DOS", "OEMCB", filter.convertToOEM);
    m_frames = box(u"Экспорт &обрамления", "FramesCB", filter.exportFrames);
    m_pseudographic = box(u"Использовать &псевдографику", "PseudoCB", filter.usePseudographic);
    m_pageBreaks = box(u"Вставлять &разрывы страниц", "PageBreaksCB", filter.pageBreaks);
    m_pseudographic->setEnabled(filter.exportFrames);
    connect(m_frames, &QCheckBox::toggled, m_pseudographic, &QWidget::setEnabled);

    auto* scales = new QGroupBox(QStringLiteral("Масштабирование"));
    m_scaleX = new QLineEdit(frScaleText(filter.scaleX));
    m_scaleX->setObjectName(QStringLiteral("ScaleXE"));
    m_scaleY = new QLineEdit(frScaleText(filter.scaleY));
    m_scaleY->setObjectName(QStringLiteral("ScaleYE"));
    auto* form = new QFormLayout(scales);
    form->addRow(QStringLiteral("X"), m_scaleX);
    form->addRow(QStringLiteral("Y"), m_scaleY);

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrTXTExportForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrTXTExportForm::reject);

    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* b : {m_killEmptyLines, m_oem, m_frames, m_pseudographic, m_pageBreaks})
        layout->addWidget(b);
    layout->addWidget(scales);
    layout->addWidget(buttons);
}

void TfrTXTExportForm::accept() {
    m_filter.killEmptyLines = m_killEmptyLines->isChecked();
    m_filter.convertToOEM = m_oem->isChecked();
    m_filter.exportFrames = m_frames->isChecked();
    m_filter.usePseudographic = m_pseudographic->isChecked();
    m_filter.pageBreaks = m_pageBreaks->isChecked();
    m_filter.scaleX = frReadScale(m_scaleX->text());
    m_filter.scaleY = frReadScale(m_scaleY->text());
    QDialog::accept();
}

void frInstallExportDialogs(TfrExportFilters& filters, QWidget* parent) {
    QPointer<QWidget> owner(parent);
    for (int i = 0; i < filters.count(); ++i) {
        TfrExportFilter* f = filters[i].filter;
        if (f->className() == u"TfrTextExport") {
            f->optionsDialog = [owner](TfrExportFilter& filter) {
                TfrTXTExportForm form(static_cast<TfrTextExport&>(filter), owner.data());
                return form.exec() == QDialog::Accepted;
            };
        } else if (f->className() == u"TfrCSVExport") {
            f->optionsDialog = [owner](TfrExportFilter& filter) {
                return frCsvExportOptions(static_cast<TfrCSVExport&>(filter), owner.data());
            };
        } else if (f->className() == u"TfrHTMExport") {
            f->optionsDialog = [owner](TfrExportFilter& filter) {
                return frHtmExportOptions(static_cast<TfrHTMExport&>(filter), owner.data());
            };
        } else if (f->className() == u"TfrRTFExport") {
            f->optionsDialog = [owner](TfrExportFilter& filter) {
                return frRtfExportOptions(static_cast<TfrRTFExport&>(filter), owner.data());
            };
        }
    }
}
