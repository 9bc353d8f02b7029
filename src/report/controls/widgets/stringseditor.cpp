#include "report/controls/widgets/stringseditor.h"

#include "report/controls/controls.h"
#include "report/design/designdoc.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

bool frEditStrings(QStringList& lines, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Редактор строк"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* tools = new QHBoxLayout;
    auto* edit = new QPlainTextEdit(&dialog);
    edit->setObjectName(QStringLiteral("Lines"));
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setPlainText(lines.join(u'\n'));
    const std::pair<const char16_t*, void (QPlainTextEdit::*)()> actions[] = {
        {u"Вырезать", &QPlainTextEdit::cut}, {u"Копировать", &QPlainTextEdit::copy}, {u"Вставить", &QPlainTextEdit::paste}};
    for (const auto& [caption, slot] : actions) {
        auto* button = new QToolButton(&dialog);
        button->setText(QString::fromUtf16(caption));
        QObject::connect(button, &QToolButton::clicked, edit, slot);
        tools->addWidget(button);
    }
    tools->addStretch();
    layout->addLayout(tools);
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(400, 300);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QString text = edit->toPlainText();
    lines = text.isEmpty() ? QStringList() : text.split(u'\n');
    return true;
}

bool frEditControlStrings(TfrDesignDocument& document, TfrView& view, QWidget* parent) {
    auto* list = frCast<TfrListControl>(&view);
    auto* memo = frCast<TfrMemoControl>(&view);
    QStringList* lines = list ? &list->items : memo ? &memo->lines : nullptr;
    if (!lines || (view.restrictions & frrfDontModify))
        return false;
    QStringList edited = *lines;
    if (!frEditStrings(edited, parent) || edited == *lines)
        return false;
    document.recordChange({&view});
    *lines = edited;
    if (list)
        list->setItemIndex(list->itemIndex);
    return true;
}
