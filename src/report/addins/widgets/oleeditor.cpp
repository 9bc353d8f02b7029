#include "report/addins/widgets/oleeditor.h"

#include "common/textfile.h"
#include "report/addins/widgets/addineditors.h"
#include "report/designer/editorparts.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrOleEditorForm::TfrOleEditorForm(TfrDesignDocument& document, const TfrOLEView& view, QWidget* parent)
    : QDialog(parent), m_document(document), m_held(view.document) {
    setWindowTitle(QStringLiteral("OLE объект"));

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("State"));
    m_state->setFrameShape(QFrame::StyledPanel);
    m_state->setMinimumSize(320, 60);
    m_state->setAlignment(Qt::AlignCenter);
    auto* note = new QLabel(QStringLiteral("На этом компьютере нет службы OLE: вставленный документ нельзя показать "
                                           "или отредактировать. Он хранится в отчете без изменений, а на "
                                           "странице вместо него выводится знак [OLE]."),
                            this);
    note->setObjectName(QStringLiteral("Note"));
    note->setWordWrap(true);

    auto* insert = new QPushButton(QStringLiteral("&Вставить..."), this);
    insert->setObjectName(QStringLiteral("Insert"));
    insert->setToolTip(QStringLiteral("Вставить составной документ OLE из файла"));
    connect(insert, &QPushButton::clicked, this, &TfrOleEditorForm::insertFile);
    m_save = new QPushButton(QStringLiteral("&Сохранить в файл..."), this);
    m_save->setObjectName(QStringLiteral("Save"));
    connect(m_save, &QPushButton::clicked, this, &TfrOleEditorForm::saveFile);
    m_remove = new QPushButton(QStringLiteral("&Удалить"), this);
    m_remove->setObjectName(QStringLiteral("Remove"));
    connect(m_remove, &QPushButton::clicked, this, [this] {
        m_held.clear();
        showHeld();
    });

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&Закрыть"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("Close"));
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* actions = new QVBoxLayout;
    actions->addWidget(insert);
    actions->addWidget(m_save);
    actions->addWidget(m_remove);
    actions->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_state, 1);
    top->addLayout(actions);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(note);
    layout->addWidget(buttons);
    showHeld();
}

void TfrOleEditorForm::showHeld() {
    if (!m_held.held) {
        m_state->setText(QStringLiteral("Документ не вставлен"));
    } else {
        QString text = QStringLiteral("Вставлен документ OLE\n%1 байт").arg(m_held.storage.size());
        if (m_held.aspect != 1)
            text += QStringLiteral("\nвид отображения %1").arg(m_held.aspect);
        m_state->setText(text);
    }
    m_save->setEnabled(m_held.held);
    m_remove->setEnabled(m_held.held);
}

void TfrOleEditorForm::insertFile() {
    const QString file = frEditorPickers().openFile(this, QStringLiteral("Вставить документ OLE"), QString());
    if (file.isEmpty())
        return;
    try {
        TfrOLEView scratch;
        scratch.loadDocument(file);
        m_held = scratch.document;
    } catch (const Exception& e) {
        m_document.engine().interaction().showError(e.message());
    }
    showHeld();
}

void TfrOleEditorForm::saveFile() {
    const QString file = frEditorPickers().saveFile(this, QStringLiteral("Сохранить документ OLE"));
    if (file.isEmpty())
        return;
    try {
        textfile::writeAtomically(file, m_held.storage);
    } catch (const Exception& e) {
        m_document.engine().interaction().showError(e.message());
    }
}

void TfrOleEditorForm::apply(TfrOLEView& view) const { view.document = m_held; }

TfrDesignerClassInfo frOleDesignerInfo() {
    return {frAddInIcon(QStringLiteral("addin-ole")), QStringLiteral("Вставить OLE объект"),
            frRunAddInEditor<TfrOLEView, TfrOleEditorForm>};
}
