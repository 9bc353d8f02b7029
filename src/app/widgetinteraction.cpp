#include "app/widgetinteraction.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

struct ButtonMap {
    TUserInteraction::Button ours;
    QMessageBox::StandardButton qt;
};
constexpr ButtonMap Buttons[] = {
    {TUserInteraction::Ok, QMessageBox::Ok},       {TUserInteraction::Cancel, QMessageBox::Cancel},
    {TUserInteraction::Yes, QMessageBox::Yes},     {TUserInteraction::No, QMessageBox::No},
    {TUserInteraction::Abort, QMessageBox::Abort}, {TUserInteraction::Retry, QMessageBox::Retry},
    {TUserInteraction::Ignore, QMessageBox::Ignore},
};

QMessageBox::Icon qtIcon(TUserInteraction::Icon icon) {
    switch (icon) {
    case TUserInteraction::ErrorIcon:
        return QMessageBox::Critical;
    case TUserInteraction::WarningIcon:
        return QMessageBox::Warning;
    case TUserInteraction::InformationIcon:
        return QMessageBox::Information;
    case TUserInteraction::QuestionIcon:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

TUserInteraction::Button TWidgetInteraction::messageBox(const QString& text, const QString& title, Icon icon,
                                                        Buttons buttons) {
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::NoButton, QApplication::activeWindow());
    Button first = Ok;
    bool any = false;
    for (const ButtonMap& b : ::Buttons) {
        if (buttons & b.ours) {
            box.addButton(b.qt);
            if (!any)
                first = b.ours;
            any = true;
        }
    }
    if (!any)
        box.addButton(QMessageBox::Ok);
    const int answer = box.exec();
    for (const ButtonMap& b : ::Buttons)
        if (answer == b.qt)
            return b.ours;
    // Closed through the close box or Escape: the cancelling answer if offered.
    if (buttons & Cancel)
        return Cancel;
    if (buttons & No)
        return No;
    return first;
}

std::optional<QString> TWidgetInteraction::inputBox(const QString& caption, const QString& prompt,
                                                    const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
