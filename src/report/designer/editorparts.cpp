#include "report/designer/editorparts.h"

#include "report/designer/designerpickers.h"
#include "report/model/report.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

std::optional<TfrColor> askColor(TfrColor current, QWidget* parent) {
    const QColor c = QColorDialog::getColor(frcolor::toQColor(frcolor::resolve(current)), parent);
    if (!c.isValid())
        return std::nullopt;
    return frcolor::fromQColor(c);
}

std::optional<TfrFont> askFont(const TfrFont& current, QWidget* parent) {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, current.toQFont(), parent, QStringLiteral("Шрифт"));
    if (!ok)
        return std::nullopt;
    TfrFont chosen = current; // colour and character set stay
    chosen.name = f.family();
    chosen.size = f.pointSize() > 0 ? f.pointSize() : current.size;
    chosen.style = std::uint16_t((f.italic() ? fsItalic : 0) | (f.bold() ? fsBold : 0) | (f.underline() ? fsUnderline : 0) |
                                 (f.strikeOut() ? fsStrikeOut : 0));
    return chosen;
}

} // namespace

QLabel* frBuddyLabel(const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

QDialogButtonBox* frOkCancelButtons(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

TfrEditorPickers& frEditorPickers() {
    static TfrEditorPickers pickers{
        TfrExpressionBuilder::build,
        TfrFieldPicker::pick,
        askColor,
        [](QWidget* parent, const QString& caption, const QString& filter) {
            return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
        },
        [](QWidget* parent, const QString& caption) { return QFileDialog::getSaveFileName(parent, caption); },
        askFont,
    };
    return pickers;
}

QString frBracketed(const QString& expression) {
    const bool single = expression.startsWith(u'[') && expression.endsWith(u']') && expression.indexOf(u'[', 1) < 0;
    return single ? expression : u'[' + expression + u']';
}

void frInsertExpression(TfrReport& report, QLineEdit* target) {
    if (const auto e = frEditorPickers().expression(report, target->window()))
        target->insert(frBracketed(*e));
}

void frInsertField(TfrReport& report, QLineEdit* target) {
    if (const auto f = frEditorPickers().field(report, target->window()))
        target->insert(u'[' + *f + u']');
}

void frInsertExpression(TfrReport& report, QPlainTextEdit* target) {
    if (const auto e = frEditorPickers().expression(report, target->window()))
        target->insertPlainText(frBracketed(*e));
}

void frInsertField(TfrReport& report, QPlainTextEdit* target) {
    if (const auto f = frEditorPickers().field(report, target->window()))
        target->insertPlainText(u'[' + *f + u']');
}

TfrColorSwatch::TfrColorSwatch(TfrColor color, QWidget* parent) : QToolButton(parent), m_color(color) {
    setToolTip(QStringLiteral("Щелкните здесь для выбора цвета"));
    setIconSize(QSize(32, 16));
    setColor(color);
    connect(this, &QToolButton::clicked, this, [this] {
        if (const auto c = frEditorPickers().color(m_color, window())) {
            setColor(*c);
            emit changed();
        }
    });
}

void TfrColorSwatch::setColor(TfrColor color) {
    m_color = color;
    QPixmap swatch(iconSize());
    swatch.fill(frcolor::isTransparent(color) ? QColor(Qt::white) : frcolor::toQColor(frcolor::resolve(color)));
    QPainter p(&swatch);
    p.setPen(Qt::black);
    p.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    if (frcolor::isTransparent(color))
        p.drawLine(0, swatch.height() - 1, swatch.width() - 1, 0);
    p.end();
    setIcon(QIcon(swatch));
}
