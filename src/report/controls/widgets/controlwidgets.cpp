#include "report/controls/widgets/controlwidgets.h"

#include "report/controls/controlpaint.h"
#include "report/controls/controls.h"
#include "report/controls/widgets/stringseditor.h"
#include "report/designer/designerclasses.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

using Change = TfrControlPeer::Change;

namespace {

// Dates of date edits: days since 30 December 1899.
const QDate kDayZero(1899, 12, 30);

Qt::Alignment labelAlignment(std::uint8_t a) {
    switch (a) {
    case taRightJustify: return Qt::AlignRight | Qt::AlignTop;
    case taCenter: return Qt::AlignHCenter | Qt::AlignTop;
    default: return Qt::AlignLeft | Qt::AlignTop;
    }
}

QWidget* makeWidget(const TfrStdControl& c, QWidget* parent) {
    if (frCast<TfrLabelControl>(&c))
        return new QLabel(parent);
    if (frCast<TfrEditControl>(&c))
        return new QLineEdit(parent);
    if (frCast<TfrMemoControl>(&c))
        return new QPlainTextEdit(parent);
    if (frCast<TfrButtonControl>(&c)) {
        auto* b = new QPushButton(parent);
        b->setAutoDefault(false);
        return b;
    }
    if (frCast<TfrRadioButtonControl>(&c))
        return new QRadioButton(parent);
    if (frCast<TfrCheckBoxControl>(&c))
        return new QCheckBox(parent);
    if (frCast<TfrListBoxControl>(&c))
        return new QListWidget(parent);
    if (frCast<TfrComboBoxControl>(&c))
        return new QComboBox(parent);
    if (frCast<TfrDateEditControl>(&c)) {
        auto* d = new QDateEdit(parent);
        d->setCalendarPopup(true);
        return d;
    }
    return new QWidget(parent);
}

// Shows the object's values in its widget (signals of the widget blocked, so
// that showing is not taken for the user's change).
void show(const TfrStdControl& c, QWidget* w, Change change) {
    const QSignalBlocker blocker(w);
    switch (change) {
    case Change::Geometry:
        w->setGeometry(c.left, c.top, std::max(0, c.width), std::max(0, c.height));
        return;
    case Change::Visible: w->setVisible(c.visible); return;
    case Change::Focus: w->setFocus(Qt::OtherFocusReason); return;
    case Change::Look: {
        w->setEnabled(c.enabled);
        w->setFont(c.font.toQFont());
        QPalette palette = w->palette();
        palette.setColor(QPalette::WindowText, frcolor::toQColor(c.font.color));
        palette.setColor(QPalette::Text, frcolor::toQColor(c.font.color));
        palette.setColor(QPalette::ButtonText, frcolor::toQColor(c.font.color));
        const QColor color = frcolor::toQColor(c.color);
        palette.setColor(QPalette::Window, color);
        palette.setColor(QPalette::Base, color);
        palette.setColor(QPalette::Button, color);
        w->setPalette(palette);
        w->setAutoFillBackground(frCast<TfrLabelControl>(&c) != nullptr);
        return;
    }
    case Change::Content: break;
    }
    if (const auto* l = frCast<TfrLabelControl>(&c)) {
        auto* label = static_cast<QLabel*>(w);
        label->setText(l->caption);
        label->setAlignment(labelAlignment(l->alignment));
        label->setWordWrap(l->wordWrap);
    } else if (const auto* e = frCast<TfrEditControl>(&c)) {
        auto* edit = static_cast<QLineEdit*>(w);
        if (edit->text() != e->text)
            edit->setText(e->text);
        edit->setReadOnly(e->readOnly);
    } else if (const auto* m = frCast<TfrMemoControl>(&c)) {
        auto* memo = static_cast<QPlainTextEdit*>(w);
        const QString text = m->lines.join(u'\n');
        if (memo->toPlainText() != text)
            memo->setPlainText(text);
        memo->setReadOnly(m->readOnly);
    } else if (const auto* b = frCast<TfrButtonControl>(&c)) {
        auto* button = static_cast<QPushButton*>(w);
        button->setText(b->caption);
        button->setDefault(b->isDefault);
    } else if (const auto* k = frCast<TfrCheckBoxControl>(&c)) {
        auto* check = static_cast<QAbstractButton*>(w);
        check->setText(k->caption);
        check->setChecked(k->checked);
        // The caption on the left of the mark.
        check->setLayoutDirection(k->alignment == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
    } else if (const auto* cb = frCast<TfrComboBoxControl>(&c)) {
        auto* combo = static_cast<QComboBox*>(w);
        combo->setEditable(cb->style == csDropDown);
        const QStringList shown = cb->shownItems();
        QStringList current;
        for (int i = 0; i < combo->count(); ++i)
            current << combo->itemText(i);
        if (current != shown) {
            combo->clear();
            combo->addItems(shown);
        }
        combo->setCurrentIndex(cb->itemIndex);
        if (cb->style == csDropDown)
            combo->setEditText(cb->editText);
    } else if (const auto* lb = frCast<TfrListControl>(&c)) {
        auto* list = static_cast<QListWidget*>(w);
        QStringList current;
        for (int i = 0; i < list->count(); ++i)
            current << list->item(i)->text();
        if (current != lb->items) {
            list->clear();
            list->addItems(lb->items);
        }
        list->setCurrentRow(lb->itemIndex);
    } else if (const auto* d = frCast<TfrDateEditControl>(&c)) {
        auto* date = static_cast<QDateEdit*>(w);
        date->setDisplayFormat(d->dateFormat == dfLong ? QLocale().dateFormat(QLocale::LongFormat)
                                                       : QStringLiteral("dd.MM.yyyy"));
        date->setDate(kDayZero.addDays(static_cast<qint64>(d->date)));
    }
}

void showAll(const TfrStdControl& c, QWidget* w) {
    for (Change change : {Change::Look, Change::Content, Change::Geometry})
        show(c, w, change);
}

// Keeps a widget and its object in step while both live; a child of the
// widget.
class TBinding : public QObject, public TfrControlPeer {
public:
    TBinding(TfrStdControl& control, QWidget* widget, std::function<void(TfrStdControl&)> clicked)
        : QObject(widget), m_control(control), m_widget(widget), m_clicked(std::move(clicked)) {
        control.setPeer(this);
        listen();
        widget->installEventFilter(this);
    }
    ~TBinding() override { m_control.setPeer(nullptr); }

    void controlChanged(Change change) override {
        show(m_control, m_widget, change);
        if (change == Change::Content)
            fitLabel();
    }

    // A label with AutoSize gives the object the size of its text.
    void fitLabel() {
        const auto* l = frCast<TfrLabelControl>(&m_control);
        if (!l || !l->autoSize)
            return;
        m_widget->adjustSize();
        m_control.width = m_widget->width();
        m_control.height = m_widget->height();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_widget)
            return false;
        // Controls that are not buttons are clicked with the mouse.
        if (event->type() == QEvent::MouseButtonRelease && !qobject_cast<QAbstractButton*>(m_widget))
            click();
        // A drop-down list loses its choice with Delete and Backspace.
        if (event->type() == QEvent::KeyPress) {
            auto* cb = frCast<TfrComboBoxControl>(&m_control);
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (cb && cb->style == csDropDownList && (key == Qt::Key_Delete || key == Qt::Key_Backspace)) {
                cb->setItemIndex(-1);
                show(m_control, m_widget, Change::Content);
                return true;
            }
        }
        return false;
    }

private:
    void click() {
        if (m_clicked)
            m_clicked(m_control);
    }

    void listen() {
        QWidget* w = m_widget;
        if (auto* e = frCast<TfrEditControl>(&m_control))
            connect(static_cast<QLineEdit*>(w), &QLineEdit::textChanged, this, [e](const QString& t) { e->text = t; });
        else if (auto* m = frCast<TfrMemoControl>(&m_control))
            connect(static_cast<QPlainTextEdit*>(w), &QPlainTextEdit::textChanged, this,
                    [m, w] { m->lines = static_cast<QPlainTextEdit*>(w)->toPlainText().split(u'\n'); });
        else if (frCast<TfrButtonControl>(&m_control))
            connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this, [this] { click(); });
        else if (auto* k = frCast<TfrCheckBoxControl>(&m_control)) {
            auto* b = static_cast<QAbstractButton*>(w);
            connect(b, &QAbstractButton::toggled, this, [k](bool on) { k->checked = on; });
            connect(b, &QAbstractButton::clicked, this, [this] { click(); });
        } else if (auto* cb = frCast<TfrComboBoxControl>(&m_control)) {
            auto* combo = static_cast<QComboBox*>(w);
            connect(combo, &QComboBox::currentIndexChanged, this, [cb](int i) {
                cb->setItemIndex(i);
                if (cb->itemIndex >= 0)
                    cb->editText = cb->items[cb->itemIndex];
            });
            connect(combo, &QComboBox::editTextChanged, this, [cb](const QString& t) {
                if (cb->style == csDropDown)
                    cb->editText = t;
            });
            connect(combo, &QComboBox::activated, this, [this] { click(); });
        } else if (auto* lb = frCast<TfrListControl>(&m_control))
            connect(static_cast<QListWidget*>(w), &QListWidget::currentRowChanged, this,
                    [lb](int row) { lb->setItemIndex(row); });
        else if (auto* d = frCast<TfrDateEditControl>(&m_control))
            connect(static_cast<QDateEdit*>(w), &QDateEdit::dateChanged, this,
                    [d](QDate date) { d->setDate(double(kDayZero.daysTo(date))); });
    }

    TfrStdControl& m_control;
    QWidget* m_widget;
    std::function<void(TfrStdControl&)> m_clicked;
};

} // namespace

QWidget* frCreateControlWidget(TfrStdControl& control, QWidget* parent,
                               const std::function<void(TfrStdControl&)>& clicked) {
    QWidget* w = makeWidget(control, parent);
    showAll(control, w);
    auto* binding = new TBinding(control, w, clicked);
    binding->fitLabel();
    show(control, w, Change::Geometry);
    return w;
}

void frInstallControlPainter() {
    frControlPainter() = [](const TfrStdControl& control, QPainter& painter, const QRect& target) {
        std::unique_ptr<QWidget> w(makeWidget(control, nullptr));
        w->setAttribute(Qt::WA_DontShowOnScreen);
        showAll(control, w.get());
        const QSize size(std::max(1, control.width), std::max(1, control.height));
        w->resize(size);
        QPixmap image(size + QSize(1, 1));
        image.fill(frcolor::toQColor(clBtnFace));
        w->render(&image);
        painter.drawPixmap(QRect(target.topLeft(), target.size() + QSize(1, 1)), image);
    };
}

namespace {

// The tool-bar picture of a control class: a small drawing of its kind.
QIcon controlIcon(const TfrObjectClass& cls) {
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(64, 64, 64));
    p.setBrush(Qt::white);
    const QString kind = cls.baseName;
    if (kind == u"Label") {
        QFont f = p.font();
        f.setPixelSize(16);
        f.setBold(true);
        p.setFont(f);
        p.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("A"));
    } else if (kind == u"CheckBox") {
        p.drawRect(5, 5, 14, 14);
        p.drawPolyline(QPolygon({QPoint(8, 12), QPoint(11, 15), QPoint(16, 8)}));
    } else if (kind == u"RadioButton") {
        p.drawEllipse(QPoint(12, 12), 7, 7);
        p.setBrush(QColor(64, 64, 64));
        p.drawEllipse(QPoint(12, 12), 3, 3);
    } else {
        // Edits, lists and buttons: their shape with a hint of their content.
        p.setBrush(kind == u"Button" ? QColor(220, 220, 220) : QColor(Qt::white));
        p.drawRect(kind == u"Memo" || kind == u"ListBox" ? QRect(3, 3, 18, 18) : QRect(2, 7, 20, 10));
        if (kind == u"Memo")
            for (int y = 7; y <= 17; y += 5)
                p.drawLine(6, y, 17, y);
        else if (kind == u"ListBox")
            p.fillRect(4, 10, 17, 4, QColor(0, 90, 200)); // the chosen item
        else if (kind == u"ComboBox")
            p.drawPolygon(QPolygon({QPoint(15, 10), QPoint(20, 10), QPoint(17, 14)}));
        else if (kind == u"DateEdit")
            for (int x = 5; x <= 17; x += 4) // days of a calendar
                p.drawPoint(x, 12);
        else if (kind == u"Edit")
            p.drawLine(5, 9, 5, 15);
    }
    return QIcon(picture);
}

} // namespace

void frRegisterControlDesignerClasses() {
    for (const TfrObjectClass* cls : frControlClasses()) {
        TfrDesignerClassInfo info;
        info.icon = controlIcon(*cls);
        info.hint = QStringLiteral("Вставить элемент управления '%1'").arg(cls->baseName);
        // Lists and memos edit their lines.
        if (cls->isA(TfrListControl::classInfo()) || cls->isA(TfrMemoControl::classInfo()))
            info.editor = frEditControlStrings;
        frRegisterDesignerClass(*cls, std::move(info));
    }
}
