#include "report/designer/designereditors.h"

#include "report/design/designdoc.h"
#include "report/design/designeditors.h"
#include "report/designer/designerclasses.h"
#include "report/designer/designerpickers.h"
#include "report/designer/editorparts.h"
#include "report/expr/formats.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSplitter>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const QString& name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

// ---------------------------------------------------------------- text editor

// The highlighting variant's colours for the script: keywords bold, strings
// and comments coloured.
class ScriptHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override {
        static const QRegularExpression keywords(
            QStringLiteral("\\b(begin|end|if|then|else|while|do|repeat|until|for|to|goto|exit|and|or|not|mod)\\b"),
            QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression strings(QStringLiteral("'[^']*'"));
        static const QRegularExpression comments(QStringLiteral("//.*$|\\{[^}]*\\}"));
        QTextCharFormat keyword;
        keyword.setFontWeight(QFont::Bold);
        QTextCharFormat string;
        string.setForeground(QColor(0, 0, 160));
        QTextCharFormat comment;
        comment.setForeground(QColor(0, 128, 0));
        comment.setFontItalic(true);
        const std::pair<const QRegularExpression*, const QTextCharFormat*> rules[] = {
            {&keywords, &keyword}, {&strings, &string}, {&comments, &comment}};
        for (const auto& [rule, format] : rules)
            for (auto it = rule->globalMatch(text); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                setFormat(int(m.capturedStart()), int(m.capturedLength()), *format);
            }
    }
};

// "Редактор текста".
class TextEditorForm : public QDialog {
public:
    TextEditorForm(TfrDesignDocument& doc, TfrView& view, QWidget* parent) : QDialog(parent), m_doc(doc), m_view(view) {
        setWindowTitle(QStringLiteral("Редактор текста"));
        const TfrDesignerSettings& s = doc.settings();
        const bool hasText = frTextEditorHasText(view);

        auto* tools = new QHBoxLayout;
        QPushButton* expression = button(this, QStringLiteral("InsertExpression"), QStringLiteral("Вставить выражение"));
        QPushButton* field = button(this, QStringLiteral("InsertField"), QStringLiteral("Вставить поле БД"));
        QPushButton* cut = button(this, QStringLiteral("Cut"), QStringLiteral("Вырезать"));
        QPushButton* copy = button(this, QStringLiteral("Copy"), QStringLiteral("Копировать"));
        QPushButton* paste = button(this, QStringLiteral("Paste"), QStringLiteral("Вставить"));
        m_wrap = button(this, QStringLiteral("WordWrap"), QStringLiteral("Перенос слов"));
        m_wrap->setCheckable(true);
        QPushButton* toggle = button(this, QStringLiteral("ToggleScript"), QStringLiteral("Скрыть/показать скрипт"));
        for (QPushButton* b : {expression, field, cut, copy, paste, m_wrap, toggle})
            tools->addWidget(b);
        tools->addStretch();

        m_splitter = new QSplitter(Qt::Vertical, this);
        m_splitter->setObjectName(QStringLiteral("Splitter"));
        m_splitter->setChildrenCollapsible(false);
        if (hasText) {
            m_memo = new QPlainTextEdit(m_splitter);
            m_memo->setObjectName(QStringLiteral("Memo"));
            m_memo->setPlainText(frTextEditorText(view));
            m_memo->setReadOnly(view.restrictions & frrfDontEditMemo);
            const auto* memo = frCast<TfrMemoView>(&view);
            m_memo->setFont(s.useDefaultFont && memo ? QFont(memo->font.name, 10)
                                                     : QFont(s.textFontName, s.textFontSize));
            m_wrap->setChecked(true);
            connect(m_wrap, &QPushButton::toggled, this, [this](bool on) {
                m_memo->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
            });
            m_memo->installEventFilter(this);
        } else {
            m_wrap->setEnabled(false);
            toggle->setEnabled(false);
        }
        m_script = new QPlainTextEdit(m_splitter);
        m_script->setObjectName(QStringLiteral("Script"));
        m_script->setPlainText(frTextEditorScript(view));
        m_script->setReadOnly(view.restrictions & frrfDontEditScript);
        m_script->setFont(QFont(s.scriptFontName, s.scriptFontSize));
        m_script->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_script->installEventFilter(this);
        if (s.syntaxHighlight) {
            new ScriptHighlighter(m_script->document());
            // The tag is kept with the editor's other values until OK.
            QPushButton* tag = button(this, QStringLiteral("Tag"), QStringLiteral("Тэг..."));
            tag->setToolTip(QStringLiteral("Тэг объекта"));
            tag->setEnabled(!(view.restrictions & frrfDontModify));
            tools->insertWidget(tools->count() - 1, tag);
            connect(tag, &QPushButton::clicked, this, [this] {
                TfrTagForm form(m_doc.report(), m_tag.value_or(m_view.tag), this);
                if (form.exec() == QDialog::Accepted)
                    m_tag = form.tag();
            });
        }
        m_active = m_memo ? m_memo : m_script;

        m_error = new QLabel(this);
        m_error->setObjectName(QStringLiteral("Error"));
        m_error->setStyleSheet(QStringLiteral("color: #a00000"));
        m_error->hide();

        connect(expression, &QPushButton::clicked, this, [this] {
            if (!m_active->isReadOnly())
                frInsertExpression(m_doc.report(), m_active);
        });
        connect(field, &QPushButton::clicked, this, [this] { insertField(); });
        connect(cut, &QPushButton::clicked, this, [this] { m_active->cut(); });
        connect(copy, &QPushButton::clicked, this, [this] { m_active->copy(); });
        connect(paste, &QPushButton::clicked, this, [this] { m_active->paste(); });
        connect(toggle, &QPushButton::clicked, this, [this] { m_script->setVisible(!m_script->isVisible()); });

        auto* layout = new QVBoxLayout(this);
        layout->addLayout(tools);
        layout->addWidget(m_splitter, 1);
        layout->addWidget(m_error);
        layout->addWidget(frOkCancelButtons(*this));
        resize(640, 440);
        m_active->setFocus();
    }

    bool changed() const { return m_changed; }

    void accept() override {
        const QString text = m_memo ? m_memo->toPlainText() : frTextEditorText(m_view);
        const TfrTextEditResult r = frApplyTextEditor(m_doc, m_view, text, m_script->toPlainText(), m_tag);
        if (r.failed) {
            showError(r.error);
            return;
        }
        m_changed = r.changed;
        QDialog::accept();
    }

    void done(int result) override {
        // The text pane's height is kept for the next editor.
        if (m_memo && m_memo->isVisible() && m_splitter->sizes().value(0) > 0)
            m_doc.settings().splitterPos = m_splitter->sizes().value(0);
        QDialog::done(result);
    }

protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        if (!m_memo || m_placed)
            return;
        // The text pane gets its remembered height once the window has its size.
        m_placed = true;
        layout()->activate();
        const int total = m_splitter->height() - m_splitter->handleWidth();
        const int text = std::max(20, m_doc.settings().splitterPos);
        m_splitter->setSizes({text, std::max(20, total - text)});
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* pane = qobject_cast<QPlainTextEdit*>(watched);
        if (!pane)
            return QDialog::eventFilter(watched, event);
        if (event->type() == QEvent::FocusIn)
            m_active = pane;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                (key->modifiers() & Qt::ControlModifier)) {
                accept();
                return true;
            }
            if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier) {
                m_active = pane;
                insertField();
                return true;
            }
        }
        return QDialog::eventFilter(watched, event);
    }

private:
    void insertField() {
        if (!m_active->isReadOnly())
            frInsertField(m_doc.report(), m_active);
    }

    void showError(const TfrScriptError& error) {
        m_error->setText(error.text);
        m_error->show();
        m_script->show();
        const QTextBlock block = m_script->document()->findBlockByNumber(std::max(0, error.line - 1));
        QTextCursor cursor(m_script->document());
        if (block.isValid())
            cursor.setPosition(block.position() + std::clamp(error.column - 1, 0, std::max(0, block.length() - 1)));
        m_script->setTextCursor(cursor);
        m_script->setFocus();
        m_active = m_script;
    }

    TfrDesignDocument& m_doc;
    TfrView& m_view;
    QSplitter* m_splitter = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    QPlainTextEdit* m_script = nullptr;
    QPlainTextEdit* m_active = nullptr;
    QPushButton* m_wrap = nullptr;
    QLabel* m_error = nullptr;
    std::optional<QString> m_tag; // entered with the tag button
    bool m_placed = false;
    bool m_changed = false;
};

// ---------------------------------------------------------------- picture

class PictureEditorForm : public QDialog {
public:
    PictureEditorForm(TfrDesignDocument& doc, TfrPictureView& view, QWidget* parent)
        : QDialog(parent), m_doc(doc), m_view(view), m_picture(view.picture) {
        setWindowTitle(QStringLiteral("Рисунок"));
        m_shown = new QLabel(this);
        m_shown->setObjectName(QStringLiteral("Picture"));
        m_shown->setAlignment(Qt::AlignCenter);
        m_shown->setMinimumSize(240, 180);
        m_shown->setFrameShape(QFrame::Box);
        QPushButton* load = button(this, QStringLiteral("Load"), QStringLiteral("&Загрузить..."));
        QPushButton* clear = button(this, QStringLiteral("Clear"), QStringLiteral("&Очистить"));
        connect(load, &QPushButton::clicked, this, [this] { loadFile(); });
        connect(clear, &QPushButton::clicked, this, [this] {
            m_picture.clear();
            showPicture();
        });
        auto* side = new QVBoxLayout;
        side->addWidget(load);
        side->addWidget(clear);
        side->addStretch();
        auto* row = new QHBoxLayout;
        row->addWidget(m_shown, 1);
        row->addLayout(side);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(row, 1);
        layout->addWidget(frOkCancelButtons(*this));
        showPicture();
    }

    bool changed() const { return m_changed; }

    void accept() override {
        m_changed = frSetPicture(m_doc, m_view, m_picture);
        QDialog::accept();
    }

private:
    void loadFile() {
        const QString file = frEditorPickers().openFile(this, QStringLiteral("Загрузить рисунок"),
                                                        QStringLiteral("Рисунки (*.bmp *.jpg *.ico *.wmf *.emf)"));
        if (file.isEmpty())
            return;
        const QString error = frLoadPictureFile(file, m_picture);
        if (!error.isEmpty()) {
            m_doc.engine().interaction().showError(error);
            return;
        }
        showPicture();
    }

    void showPicture() {
        if (m_picture.isEmpty()) {
            m_shown->setPixmap(QPixmap());
            m_shown->setText(QStringLiteral("(нет рисунка)"));
        } else if (m_picture.image.isNull()) {
            m_shown->setPixmap(QPixmap());
            m_shown->setText(QStringLiteral("(метафайл)"));
        } else {
            m_shown->setText(QString());
            m_shown->setPixmap(QPixmap::fromImage(m_picture.image).scaled(
                m_shown->minimumSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        }
    }

    TfrDesignDocument& m_doc;
    TfrPictureView& m_view;
    TfrPicture m_picture;
    QLabel* m_shown = nullptr;
    bool m_changed = false;
};

// ---------------------------------------------------------------- data sources

// The choice list of the data source dialogs with its record count.
class SourceChoice : public QWidget {
public:
    SourceChoice(const QStringList& choices, QWidget* parent) : QWidget(parent) {
        m_list = new QListWidget(this);
        m_list->setObjectName(QStringLiteral("Sources"));
        m_list->addItems(choices);
        auto* countLabel = new QLabel(QStringLiteral("&Количество записей"), this);
        m_count = new QSpinBox(this);
        m_count->setObjectName(QStringLiteral("Count"));
        m_count->setRange(kMinVirtualCount, kMaxVirtualCount);
        countLabel->setBuddy(m_count);
        auto* layout = new QGridLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_list, 0, 0, 1, 2);
        layout->addWidget(countLabel, 1, 0);
        layout->addWidget(m_count, 1, 1);
        connect(m_list, &QListWidget::currentRowChanged, this, [this] { m_count->setEnabled(isVirtual()); });
    }

    QListWidget* list() const { return m_list; }
    QSpinBox* count() const { return m_count; }

    void show(const TfrBandSource& source) {
        const auto found = m_list->findItems(source.entry, Qt::MatchExactly);
        m_list->setCurrentRow(found.isEmpty() ? 0 : m_list->row(found.first()));
        m_count->setValue(source.count);
        m_count->setEnabled(isVirtual());
    }
    TfrBandSource chosen() const {
        const QListWidgetItem* item = m_list->currentItem();
        return {item ? item->text() : frNoSourceEntry(), isVirtual() ? m_count->value() : 1};
    }

private:
    bool isVirtual() const { return m_list->currentItem() && m_list->currentItem()->text() == frVirtualSourceEntry(); }

    QListWidget* m_list;
    QSpinBox* m_count;
};

// "Источник данных".
class BandSourceForm : public QDialog {
public:
    BandSourceForm(TfrDesignDocument& doc, TfrBandView& band, QWidget* parent) : QDialog(parent), m_doc(doc), m_band(band) {
        setWindowTitle(QStringLiteral("Источник данных"));
        const TfrDataDictionary& dictionary = doc.report().dictionary();
        m_choice = new SourceChoice(frBandSourceChoices(dictionary), this);
        m_choice->show(frReadBandSource(dictionary, band.dataSourceName()));
        connect(m_choice->list(), &QListWidget::itemDoubleClicked, this, &QDialog::accept);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_choice, 1);
        layout->addWidget(frOkCancelButtons(*this));
    }
    bool changed() const { return m_changed; }
    void accept() override {
        m_changed = frSetBandSource(m_doc, m_band, m_choice->chosen());
        QDialog::accept();
    }

private:
    TfrDesignDocument& m_doc;
    TfrBandView& m_band;
    SourceChoice* m_choice;
    bool m_changed = false;
};

// "Источники данных".
class CrossSourcesForm : public QDialog {
public:
    CrossSourcesForm(TfrDesignDocument& doc, TfrBandView& band, const std::vector<TfrBandView*>& bands, QWidget* parent)
        : QDialog(parent), m_doc(doc), m_band(band) {
        setWindowTitle(QStringLiteral("Источники данных"));
        const TfrDataDictionary& dictionary = doc.report().dictionary();
        m_sources = frReadCrossSources(dictionary, bands, band.dataSourceName());
        m_bands = new QListWidget(this);
        m_bands->setObjectName(QStringLiteral("Bands"));
        for (const TfrBandView* b : bands)
            m_bands->addItem(frCrossBandCaption(*b));
        m_choice = new SourceChoice(frBandSourceChoices(dictionary), this);
        connect(m_bands, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row >= 0 && std::size_t(row) < m_sources.size()) {
                m_showing = true;
                m_choice->show(m_sources[row]);
                m_showing = false;
            }
        });
        auto keep = [this] {
            const int row = m_bands->currentRow();
            if (!m_showing && row >= 0 && std::size_t(row) < m_sources.size())
                m_sources[row] = m_choice->chosen();
        };
        connect(m_choice->list(), &QListWidget::currentRowChanged, this, keep);
        connect(m_choice->count(), &QSpinBox::valueChanged, this, keep);
        m_bands->setCurrentRow(0);

        auto* grid = new QGridLayout;
        grid->addWidget(new QLabel(QStringLiteral("Секции"), this), 0, 0);
        grid->addWidget(new QLabel(QStringLiteral("Источник"), this), 0, 1);
        grid->addWidget(m_bands, 1, 0);
        grid->addWidget(m_choice, 1, 1);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(grid, 1);
        layout->addWidget(frOkCancelButtons(*this));
    }
    bool changed() const { return m_changed; }
    void accept() override {
        m_changed = frSetCrossSources(m_doc, m_band, m_sources);
        QDialog::accept();
    }

private:
    TfrDesignDocument& m_doc;
    TfrBandView& m_band;
    std::vector<TfrBandSource> m_sources;
    QListWidget* m_bands;
    SourceChoice* m_choice;
    bool m_showing = false;
    bool m_changed = false;
};

// "Группа".
class GroupForm : public QDialog {
public:
    GroupForm(TfrDesignDocument& doc, TfrBandView& band, QWidget* parent) : QDialog(parent), m_doc(doc), m_band(band) {
        setWindowTitle(QStringLiteral("Группа"));
        auto* label = new QLabel(QStringLiteral("&Условие"), this);
        m_condition = new QLineEdit(band.groupCondition(), this);
        m_condition->setObjectName(QStringLiteral("Condition"));
        m_condition->setMinimumWidth(320);
        label->setBuddy(m_condition);
        auto* pick = new QToolButton(this);
        pick->setObjectName(QStringLiteral("PickField"));
        pick->setText(QStringLiteral("..."));
        pick->setToolTip(QStringLiteral("Выбор поля БД"));
        connect(pick, &QToolButton::clicked, this, [this] {
            if (const auto f = frEditorPickers().field(m_doc.report(), this))
                m_condition->setText(u'[' + *f + u']');
        });
        auto* row = new QHBoxLayout;
        row->addWidget(m_condition, 1);
        row->addWidget(pick);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addLayout(row);
        layout->addWidget(frOkCancelButtons(*this));
    }
    bool changed() const { return m_changed; }
    void accept() override {
        m_changed = frSetGroupCondition(m_doc, m_band, m_condition->text());
        QDialog::accept();
    }

private:
    TfrDesignDocument& m_doc;
    TfrBandView& m_band;
    QLineEdit* m_condition;
    bool m_changed = false;
};

// ---------------------------------------------------------------- formats

// "Формат переменной".
class FormatForm : public QDialog {
public:
    FormatForm(TfrDesignDocument& doc, TfrView& view, QWidget* parent) : QDialog(parent), m_doc(doc), m_view(view) {
        setWindowTitle(QStringLiteral("Формат переменной"));
        m_categories = new QListWidget(this);
        m_categories->setObjectName(QStringLiteral("Categories"));
        m_categories->addItems(frformats::categoryNames());
        m_types = new QListWidget(this);
        m_types->setObjectName(QStringLiteral("Types"));
        m_digits = new QLineEdit(this);
        m_digits->setObjectName(QStringLiteral("Digits"));
        m_separator = new QLineEdit(this);
        m_separator->setObjectName(QStringLiteral("Separator"));
        m_separator->setMaxLength(1);
        m_text = new QLineEdit(view.formatStr, this);
        m_text->setObjectName(QStringLiteral("FormatText"));
        const std::uint32_t code = view.format;
        m_digits->setText(QString::number(frformat::decimals(code)));
        const char16_t sep = frformat::separator(code);
        m_separator->setText(sep ? QString(QChar(sep)) : QString());

        connect(m_categories, &QListWidget::currentRowChanged, this, [this](int category) {
            m_types->clear();
            for (int type = 0; type <= int(frformat::customIndex); ++type)
                if (const QString name = frformats::typeName(category, type); !name.isEmpty()) {
                    auto* item = new QListWidgetItem(name, m_types);
                    item->setData(Qt::UserRole, type);
                }
            m_types->setCurrentRow(0);
            updateEnabled();
        });
        connect(m_types, &QListWidget::currentRowChanged, this, [this] { updateEnabled(); });
        const int category = std::clamp(int(frformat::category(code)), 0, m_categories->count() - 1);
        m_categories->setCurrentRow(category);
        for (int row = 0; row < m_types->count(); ++row)
            if (m_types->item(row)->data(Qt::UserRole).toInt() == int(frformat::formatIndex(code)))
                m_types->setCurrentRow(row);

        auto* digitsLabel = new QLabel(QStringLiteral("&Дес. знаков"), this);
        digitsLabel->setBuddy(m_digits);
        auto* separatorLabel = new QLabel(QStringLiteral("&Разделитель дроби"), this);
        separatorLabel->setBuddy(m_separator);
        auto* textLabel = new QLabel(QStringLiteral("&Формат:"), this);
        textLabel->setBuddy(m_text);
        auto* grid = new QGridLayout;
        grid->addWidget(m_categories, 0, 0);
        grid->addWidget(m_types, 0, 1, 1, 3);
        grid->addWidget(digitsLabel, 1, 0);
        grid->addWidget(m_digits, 1, 1);
        grid->addWidget(separatorLabel, 1, 2);
        grid->addWidget(m_separator, 1, 3);
        grid->addWidget(textLabel, 2, 0);
        grid->addWidget(m_text, 2, 1, 1, 3);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(grid, 1);
        layout->addWidget(frOkCancelButtons(*this));
    }
    bool changed() const { return m_changed; }
    void accept() override {
        const int category = std::max(0, m_categories->currentRow());
        const QListWidgetItem* item = m_types->currentItem();
        const int type = item ? item->data(Qt::UserRole).toInt() : 0;
        const std::uint32_t code = frDialogFormatCode(category, type, m_digits->text(), m_separator->text());
        m_changed = frSetDisplayFormat(m_doc, m_view, code, m_text->isEnabled() ? m_text->text() : m_view.formatStr);
        QDialog::accept();
    }

private:
    void updateEnabled() {
        const bool number = m_categories->currentRow() == int(frformat::fmtNumber);
        m_digits->setEnabled(number);
        m_separator->setEnabled(number);
        const QListWidgetItem* item = m_types->currentItem();
        m_text->setEnabled(item && item->data(Qt::UserRole).toInt() == int(frformat::customIndex));
    }

    TfrDesignDocument& m_doc;
    TfrView& m_view;
    QListWidget *m_categories, *m_types;
    QLineEdit *m_digits, *m_separator, *m_text;
    bool m_changed = false;
};

// A button that shows a colour next to its caption.
void showColor(QPushButton* b, TfrColor color) {
    QPixmap swatch(16, 12);
    swatch.fill(frcolor::isTransparent(color) ? QColor(Qt::white) : frcolor::toQColor(frcolor::resolve(color)));
    QPainter p(&swatch);
    p.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    p.end();
    b->setIcon(QIcon(swatch));
}

// "Условное выделение".
class HighlightForm : public QDialog {
public:
    HighlightForm(TfrDesignDocument& doc, TfrMemoView& view, QWidget* parent)
        : QDialog(parent), m_doc(doc), m_view(view), m_value(frHighlightOf(view)) {
        setWindowTitle(QStringLiteral("Условное выделение"));
        auto* condition = new QGroupBox(QStringLiteral("Условие"), this);
        m_condition = new QLineEdit(m_value.condition, condition);
        m_condition->setObjectName(QStringLiteral("Condition"));
        m_condition->setMinimumWidth(300);
        auto* expression = new QToolButton(condition);
        expression->setObjectName(QStringLiteral("InsertExpression"));
        expression->setText(QStringLiteral("..."));
        expression->setToolTip(QStringLiteral("Вставить выражение"));
        connect(expression, &QToolButton::clicked, this, [this] {
            if (const auto e = frEditorPickers().expression(m_doc.report(), this))
                m_condition->insert(*e);
        });
        auto* conditionRow = new QHBoxLayout(condition);
        conditionRow->addWidget(m_condition, 1);
        conditionRow->addWidget(expression);

        auto* text = new QGroupBox(QStringLiteral("Текст"), this);
        m_fontColor = button(text, QStringLiteral("FontColor"), QStringLiteral("&Цвет..."));
        showColor(m_fontColor, m_value.fontColor);
        connect(m_fontColor, &QPushButton::clicked, this, [this] {
            if (const auto c = frEditorPickers().color(m_value.fontColor, this)) {
                m_value.fontColor = *c;
                showColor(m_fontColor, *c);
            }
        });
        m_bold = new QCheckBox(QStringLiteral("&Утолщенный"), text);
        m_bold->setObjectName(QStringLiteral("Bold"));
        m_italic = new QCheckBox(QStringLiteral("&Курсив"), text);
        m_italic->setObjectName(QStringLiteral("Italic"));
        m_underline = new QCheckBox(QStringLiteral("Под&черкивание"), text);
        m_underline->setObjectName(QStringLiteral("Underline"));
        m_bold->setChecked(m_value.fontStyle & fsBold);
        m_italic->setChecked(m_value.fontStyle & fsItalic);
        m_underline->setChecked(m_value.fontStyle & fsUnderline);
        auto* textColumn = new QVBoxLayout(text);
        for (QWidget* w : std::initializer_list<QWidget*>{m_fontColor, m_bold, m_italic, m_underline})
            textColumn->addWidget(w);

        auto* fill = new QGroupBox(QStringLiteral("Фон"), this);
        m_transparent = new QRadioButton(QStringLiteral("&Прозрачный"), fill);
        m_transparent->setObjectName(QStringLiteral("Transparent"));
        m_other = new QRadioButton(QStringLiteral("&Другой"), fill);
        m_other->setObjectName(QStringLiteral("Other"));
        m_fillColor = button(fill, QStringLiteral("FillColor"), QStringLiteral("Ц&вет..."));
        // The colour "Другой" starts from when the fill is transparent now.
        m_otherFill = frcolor::isTransparent(m_value.fillColor) ? clWhite : m_value.fillColor;
        showColor(m_fillColor, m_otherFill);
        (frcolor::isTransparent(m_value.fillColor) ? m_transparent : m_other)->setChecked(true);
        m_fillColor->setEnabled(m_other->isChecked());
        connect(m_other, &QRadioButton::toggled, m_fillColor, &QWidget::setEnabled);
        connect(m_fillColor, &QPushButton::clicked, this, [this] {
            if (const auto c = frEditorPickers().color(m_otherFill, this)) {
                m_otherFill = *c;
                showColor(m_fillColor, *c);
            }
        });
        auto* fillColumn = new QVBoxLayout(fill);
        fillColumn->addWidget(m_transparent);
        fillColumn->addWidget(m_other);
        fillColumn->addWidget(m_fillColor);

        auto* groups = new QHBoxLayout;
        groups->addWidget(text);
        groups->addWidget(fill);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(condition);
        layout->addLayout(groups);
        layout->addWidget(frOkCancelButtons(*this));
    }
    bool changed() const { return m_changed; }
    void accept() override {
        TfrHighlight h = m_value;
        h.condition = m_condition->text();
        h.fontStyle = std::uint16_t((m_value.fontStyle & ~(fsBold | fsItalic | fsUnderline)) |
                                    (m_bold->isChecked() ? fsBold : 0) | (m_italic->isChecked() ? fsItalic : 0) |
                                    (m_underline->isChecked() ? fsUnderline : 0));
        h.fillColor = m_transparent->isChecked() ? clTransparent : m_otherFill;
        m_changed = frSetHighlight(m_doc, m_view, h);
        QDialog::accept();
    }

private:
    TfrDesignDocument& m_doc;
    TfrMemoView& m_view;
    TfrHighlight m_value;
    TfrColor m_otherFill = clWhite;
    QLineEdit* m_condition;
    QPushButton *m_fontColor, *m_fillColor;
    QCheckBox *m_bold, *m_italic, *m_underline;
    QRadioButton *m_transparent, *m_other;
    bool m_changed = false;
};

// ---------------------------------------------------------------- editors

template <class Form, class... Args> bool runForm(Args&&... args) {
    Form form(std::forward<Args>(args)...);
    return form.exec() == QDialog::Accepted && form.changed();
}

bool editable(const TfrView& view) { return !(view.restrictions & frrfDontEditContents); }

bool editMemo(TfrDesignDocument& doc, TfrView& view, QWidget* parent) {
    return editable(view) && runForm<TextEditorForm>(doc, view, parent);
}

bool editPicture(TfrDesignDocument& doc, TfrView& view, QWidget* parent) {
    auto* picture = frCast<TfrPictureView>(&view);
    return picture && editable(view) && runForm<PictureEditorForm>(doc, *picture, parent);
}

// The band editor by band type; other bands have none.
bool editBand(TfrDesignDocument& doc, TfrView& view, QWidget* parent) {
    auto* band = frCast<TfrBandView>(&view);
    if (!band || !editable(view))
        return false;
    const int type = band->bandType();
    if (frIsDataBandType(type))
        return runForm<BandSourceForm>(doc, *band, parent);
    if (type == btCrossData) {
        const std::vector<TfrBandView*> bands = band->parentPage() ? frCrossListedBands(*band->parentPage())
                                                                   : std::vector<TfrBandView*>();
        return !bands.empty() && runForm<CrossSourcesForm>(doc, *band, bands, parent);
    }
    if (type == btGroupHeader)
        return runForm<GroupForm>(doc, *band, parent);
    return false;
}

bool editFormat(TfrDesignDocument& doc, TfrView& view, QWidget* parent) {
    return runForm<FormatForm>(doc, view, parent);
}

bool editHighlight(TfrDesignDocument& doc, TfrView& view, QWidget* parent) {
    auto* memo = frCast<TfrMemoView>(&view);
    return memo && runForm<HighlightForm>(doc, *memo, parent);
}

void setClassEditor(const TfrObjectClass& cls, TfrDesignerEditor editor) {
    TfrDesignerClassInfo info;
    if (const TfrDesignerClassInfo* known = frDesignerClass(cls))
        info = *known;
    info.editor = std::move(editor);
    frRegisterDesignerClass(cls, std::move(info));
}

} // namespace

bool frEditTextAndScript(TfrDesignDocument& document, TfrView& view, QWidget* parent) {
    return editMemo(document, view, parent);
}

void frRegisterBuiltInEditors() {
    setClassEditor(TfrMemoView::classInfo(), editMemo);
    setClassEditor(TfrPictureView::classInfo(), editPicture);
    setClassEditor(TfrBandView::classInfo(), editBand);
    frRegisterPropertyEditor(QStringLiteral("DisplayFormat"), editFormat);
    frRegisterPropertyEditor(QStringLiteral("Highlight"), editHighlight, &TfrMemoView::classInfo());
    frRegisterPropertyEditor(QStringLiteral("OnBeforePrint"), editMemo, &TfrBandView::classInfo());
    frRegisterPropertyEditor(QStringLiteral("OnClick"), editMemo); // the click script of dialog controls
}
