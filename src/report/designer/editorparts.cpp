#include "report/designer/editorparts.h"

#include "report/model/report.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

// A name the expression builder inserts as it is: upper-cased, only the
// letters A-Z, digits, "." and "_"; anything else is bracketed.
QString asOperand(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Z0-9._]+$"));
    return plain.match(name.toUpper()).hasMatch() ? name : u'[' + name + u']';
}

// "Выбор поля БД": the dictionary's datasets and the fields of the chosen
// one; opens on the dataset chosen last.
std::optional<QString> pickField(TfrReport& report, QWidget* parent) {
    static QString lastDataset;
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Выбор поля БД"));
    auto* datasets = new QListWidget(&dialog);
    datasets->setObjectName(QStringLiteral("Datasets"));
    auto* fields = new QListWidget(&dialog);
    fields->setObjectName(QStringLiteral("Fields"));
    datasets->addItems(report.dictionary().datasetList());
    QObject::connect(datasets, &QListWidget::currentTextChanged, &dialog, [&report, fields](const QString& name) {
        fields->clear();
        fields->addItems(report.dictionary().fieldList(name));
        fields->setCurrentRow(0);
    });
    const auto found = datasets->findItems(lastDataset, Qt::MatchExactly);
    datasets->setCurrentRow(found.isEmpty() ? 0 : datasets->row(found.first()));
    QDialogButtonBox* buttons = frOkCancelButtons(dialog);
    QObject::connect(fields, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QGridLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Наборы данных"), &dialog), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Поля"), &dialog), 0, 1);
    layout->addWidget(datasets, 1, 0);
    layout->addWidget(fields, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    if (dialog.exec() != QDialog::Accepted || !datasets->currentItem() || !fields->currentItem())
        return std::nullopt;
    lastDataset = datasets->currentItem()->text();
    return lastDataset + QStringLiteral(".\"") + fields->currentItem()->text() + u'"';
}

// "Вставка выражения": one line for the expression, with a button that adds a
// field reference at the caret.
std::optional<QString> askExpression(TfrReport& report, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Вставка выражения"));
    auto* line = new QLineEdit(&dialog);
    line->setObjectName(QStringLiteral("Expression"));
    line->setMinimumWidth(360);
    auto* field = new QPushButton(QStringLiteral("&Поле БД..."), &dialog);
    field->setObjectName(QStringLiteral("InsertField"));
    QObject::connect(field, &QPushButton::clicked, &dialog, [&report, &dialog, line] {
        if (const auto picked = frEditorPickers().field(report, &dialog))
            line->insert(asOperand(*picked));
    });
    QDialogButtonBox* buttons = frOkCancelButtons(dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Выражение:"), &dialog));
    layout->addWidget(line);
    layout->addWidget(field, 0, Qt::AlignLeft);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || line->text().trimmed().isEmpty())
        return std::nullopt;
    return line->text().trimmed();
}

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

QDialogButtonBox* frOkCancelButtons(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

TfrEditorPickers& frEditorPickers() {
    static TfrEditorPickers pickers{
        askExpression,
        pickField,
        askColor,
        [](QWidget* parent, const QString& caption) { return QFileDialog::getOpenFileName(parent, caption); },
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
