#include "report/addins/widgets/richeditor.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "common/textfile.h"
#include "report/addins/richview.h"
#include "report/design/designdoc.h"
#include "report/designer/editorparts.h"
#include "report/icons/icons.h"
#include "report/model/constants.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "richtext/richedit.h"
#include "richtext/richlayout.h"
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QFontComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

const QString kBullet = QStringLiteral("\u2022\t");
// How far a bullet paragraph hangs, in twips (a quarter inch).
constexpr double kBulletHang = 360;
constexpr int kRulerHeight = 22;
constexpr int kMarkerHalf = 4; // half the width of a marker

const int kFontSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// Multiplies the lengths of a document (indents, spacing, fixed and least
// line heights, tab stops, the default tab distance) by a factor: twips to
// pixels and back. Font sizes are points and stay.
void scaleLengths(QTextDocument& document, double factor) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        QTextBlockFormat f = b.blockFormat();
        f.setLeftMargin(f.leftMargin() * factor);
        f.setRightMargin(f.rightMargin() * factor);
        f.setTextIndent(f.textIndent() * factor);
        f.setTopMargin(f.topMargin() * factor);
        f.setBottomMargin(f.bottomMargin() * factor);
        const int type = f.lineHeightType();
        if (type == QTextBlockFormat::FixedHeight || type == QTextBlockFormat::MinimumHeight)
            f.setLineHeight(f.lineHeight() * factor, type);
        QList<QTextOption::Tab> tabs = f.tabPositions();
        for (QTextOption::Tab& t : tabs)
            t.position *= factor;
        f.setTabPositions(tabs);
        QTextCursor(b).setBlockFormat(f);
    }
    QTextOption option = document.defaultTextOption();
    option.setTabStopDistance(option.tabStopDistance() * factor);
    document.setDefaultTextOption(option);
    document.setUndoRedoEnabled(undo);
}

bool isBullet(const QTextBlock& block) { return block.text().startsWith(kBullet); }

QString sizeText(double points) { return QString::number(std::round(points * 2) / 2); }

} // namespace

// The editor's pictures (resources of a static library are registered when
// first asked for; the registration lives outside any namespace).
static QIcon richIcon(const QString& name) {
    static const bool registered = [] {
        Q_INIT_RESOURCE(richeditor);
        return true;
    }();
    (void)registered;
    return frReportIcon(name);
}

// ---- the ruler

TfrRichRuler::TfrRichRuler(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TfrRichRuler::sizeHint() const { return QSize(200, kRulerHeight); }

void TfrRichRuler::setIndents(double textIndent, double left, double right) {
    m_textIndent = textIndent;
    m_left = left;
    m_right = right;
    update();
}

void TfrRichRuler::setGeometryOfText(int origin, double textWidth, double centimetre) {
    m_origin = origin;
    m_width = std::max(0.0, textWidth);
    m_centimetre = std::max(1.0, centimetre);
    update();
}

QPoint TfrRichRuler::markerPoint(Marker marker) const {
    const int h = height();
    switch (marker) {
    case FirstLine:
        return QPoint(m_origin + int(std::lround(m_left + m_textIndent)), kMarkerHalf + 1);
    case Left:
        return QPoint(m_origin + int(std::lround(m_left)), h - kMarkerHalf - 1);
    case Right:
        return QPoint(m_origin + int(std::lround(m_width - m_right)), h - kMarkerHalf - 1);
    case None:
        break;
    }
    return QPoint();
}

TfrRichRuler::Marker TfrRichRuler::markerAt(QPoint point) const {
    const bool top = point.y() < height() / 2;
    for (Marker m : {FirstLine, Left, Right}) {
        if ((m == FirstLine) != top)
            continue;
        if (std::abs(point.x() - markerPoint(m).x()) <= kMarkerHalf + 1)
            return m;
    }
    return None;
}

void TfrRichRuler::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QRectF text(m_origin, 3, m_width, height() - 6);
    p.fillRect(text, palette().base());
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(text);
    // The scale: a long tick every centimetre, a short one at the half.
    p.setPen(palette().color(QPalette::WindowText));
    const int middle = height() / 2;
    for (int i = 1; i * m_centimetre / 2 < m_width; ++i) {
        const double x = m_origin + i * m_centimetre / 2;
        const int len = i % 2 == 0 ? 4 : 2;
        p.drawLine(QPointF(x, middle - len), QPointF(x, middle + len));
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(palette().button());
    for (Marker m : {FirstLine, Left, Right}) {
        const QPointF tip = markerPoint(m);
        const double dy = m == FirstLine ? kMarkerHalf : -kMarkerHalf;
        // The first-line marker points down from the top, the others up from the bottom.
        QPainterPath path;
        path.moveTo(tip.x() - kMarkerHalf, tip.y() - dy);
        path.lineTo(tip.x() + kMarkerHalf, tip.y() - dy);
        path.lineTo(tip.x(), tip.y() + dy);
        path.closeSubpath();
        p.drawPath(path);
    }
}

void TfrRichRuler::mousePressEvent(QMouseEvent* event) {
    m_drag = event->button() == Qt::LeftButton ? markerAt(event->position().toPoint()) : None;
}

void TfrRichRuler::mouseMoveEvent(QMouseEvent* event) {
    if (m_drag == None)
        return;
    const double x = std::clamp(event->position().x() - m_origin, 0.0, m_width);
    switch (m_drag) {
    case FirstLine:
        m_textIndent = x - m_left;
        break;
    case Left:
        m_left = std::min(x, std::max(0.0, m_width - m_right));
        m_textIndent = std::max(m_textIndent, -m_left);
        break;
    case Right:
        m_right = std::min(m_width - x, std::max(0.0, m_width - m_left));
        break;
    case None:
        break;
    }
    update();
    emit indentsChanged(m_textIndent, m_left, m_right);
}

void TfrRichRuler::mouseReleaseEvent(QMouseEvent*) { m_drag = None; }

// ---- the editor

TfrRichEditorForm::TfrRichEditorForm(const QTextDocument& document, TfrReport& report, QWidget* parent)
    : QDialog(parent), m_report(report), m_twipsPerPixel(richtext::TwipsPerInch / std::max(1, logicalDpiX())) {
    setWindowTitle(QStringLiteral("Rich Edit "));
    m_toolBar = new QToolBar;
    m_toolBar->setIconSize(QSize(16, 16));
    m_ruler = new TfrRichRuler;
    m_edit = new QTextEdit;
    // Pasted text comes without formats RTF does not keep (tables, pictures).
    m_edit->setAcceptRichText(false);

    connect(addAction(QStringLiteral("open"), QStringLiteral("design-open"), QStringLiteral("Открыть файл")),
            &QAction::triggered, this, &TfrRichEditorForm::openDialog);
    connect(addAction(QStringLiteral("save"), QStringLiteral("design-save"), QStringLiteral("Сохранить в файл")),
            &QAction::triggered, this, &TfrRichEditorForm::saveDialog);
    QAction* undo = addAction(QStringLiteral("undo"), QStringLiteral("design-undo"), QStringLiteral("Отменить"));
    undo->setEnabled(false);
    connect(undo, &QAction::triggered, m_edit, &QTextEdit::undo);
    connect(m_edit, &QTextEdit::undoAvailable, undo, &QAction::setEnabled);
    m_toolBar->addSeparator();

    const struct {
        const char16_t *name, *icon, *hint;
        void (*apply)(QTextCharFormat&, bool);
    } styles[] = {
        {u"bold", u"design-bold", u"Полужирный",
         [](QTextCharFormat& f, bool on) { f.setFontWeight(on ? QFont::Bold : QFont::Normal); }},
        {u"italic", u"design-italic", u"Курсив", [](QTextCharFormat& f, bool on) { f.setFontItalic(on); }},
        {u"underline", u"design-underline", u"Подчеркнутый",
         [](QTextCharFormat& f, bool on) { f.setFontUnderline(on); }},
    };
    for (const auto& s : styles) {
        QAction* a = addAction(QString::fromUtf16(s.name), QString::fromUtf16(s.icon), QString::fromUtf16(s.hint));
        a->setCheckable(true);
        connect(a, &QAction::toggled, this, [this, apply = s.apply](bool on) {
            if (m_showing)
                return;
            QTextCharFormat f;
            apply(f, on);
            mergeFormat(f);
        });
    }
    m_toolBar->addSeparator();

    auto* alignments = new QActionGroup(this);
    const struct {
        const char16_t *name, *icon, *hint;
        Qt::Alignment alignment;
    } aligns[] = {
        {u"left", u"design-text-left", u"Выровнять влево", Qt::AlignLeft},
        {u"center", u"design-text-center", u"Выровнять по центру", Qt::AlignHCenter},
        {u"right", u"design-text-right", u"Выровнять вправо", Qt::AlignRight},
    };
    for (const auto& al : aligns) {
        QAction* a = addAction(QString::fromUtf16(al.name), QString::fromUtf16(al.icon), QString::fromUtf16(al.hint));
        a->setCheckable(true);
        alignments->addAction(a);
        connect(a, &QAction::triggered, this, [this, alignment = al.alignment] {
            m_edit->setAlignment(alignment);
        });
    }
    QAction* bullets = addAction(QStringLiteral("bullets"), QStringLiteral("rich-bullets"), QStringLiteral("Маркеры"));
    bullets->setCheckable(true);
    connect(bullets, &QAction::triggered, this, &TfrRichEditorForm::toggleBullets);
    m_toolBar->addSeparator();

    m_font = new QFontComboBox;
    m_font->setToolTip(QStringLiteral("Шрифт"));
    m_font->setMaximumWidth(170);
    m_toolBar->addWidget(m_font);
    connect(m_font, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
        if (m_showing)
            return;
        QTextCharFormat f;
        f.setFontFamilies(QStringList{font.family()});
        mergeFormat(f);
    });
    m_size = new QComboBox;
    m_size->setEditable(true);
    m_size->setInsertPolicy(QComboBox::NoInsert);
    m_size->setToolTip(QStringLiteral("Размер шрифта"));
    m_size->setMaximumWidth(60);
    for (int size : kFontSizes)
        m_size->addItem(QString::number(size));
    m_toolBar->addWidget(m_size);
    auto applySize = [this](const QString& text) {
        bool ok = false;
        const double size = text.trimmed().toDouble(&ok);
        // What the RTF writer keeps: half points from 1 to 1638 points.
        if (m_showing || !ok || size < 1 || size > 1638)
            return;
        QTextCharFormat f;
        f.setFontPointSize(std::round(size * 2) / 2);
        mergeFormat(f);
    };
    connect(m_size, &QComboBox::textActivated, this, applySize);
    connect(m_size->lineEdit(), &QLineEdit::returnPressed, this,
            [this, applySize] { applySize(m_size->currentText()); });
    m_toolBar->addSeparator();

    askExpression = [this] { return frEditorPickers().expression(m_report, this); };
    askField = [this] { return frEditorPickers().field(m_report, this); };
    QAction* expression = addAction(QStringLiteral("expression"), QStringLiteral("rich-expression"),
                                    QStringLiteral("Вставить выражение"));
    connect(expression, &QAction::triggered, this, [this] {
        if (const auto e = askExpression())
            insertExpression(*e);
    });
    QAction* field = addAction(QStringLiteral("field"), QStringLiteral("rich-field"), QStringLiteral("Вставить поле БД"));
    field->setEnabled(!fieldReferences().isEmpty());
    connect(field, &QAction::triggered, this, [this] {
        if (const auto f = askField())
            insertField(*f);
    });
    m_toolBar->addSeparator();
    QAction* ok = addAction(QStringLiteral("ok"), QString(), QStringLiteral("ОК"));
    ok->setText(QStringLiteral("ОК"));
    connect(ok, &QAction::triggered, this, &QDialog::accept);
    QAction* cancel = addAction(QStringLiteral("cancel"), QString(), QStringLiteral("Отмена"));
    cancel->setText(QStringLiteral("Отмена"));
    connect(cancel, &QAction::triggered, this, &QDialog::reject);

    connect(m_ruler, &TfrRichRuler::indentsChanged, this, &TfrRichEditorForm::setIndents);
    connect(m_edit, &QTextEdit::cursorPositionChanged, this, &TfrRichEditorForm::showFormat);
    connect(m_edit, &QTextEdit::currentCharFormatChanged, this, &TfrRichEditorForm::showFormat);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_ruler);
    layout->addWidget(m_edit, 1);
    resize(720, 440);

    std::unique_ptr<QTextDocument> copy(document.clone());
    scaleLengths(*copy, 1 / m_twipsPerPixel);
    showDocument(std::move(copy));
}

TfrRichEditorForm::~TfrRichEditorForm() = default;

QAction* TfrRichEditorForm::addAction(const QString& name, const QString& icon, const QString& hint) {
    QAction* a = m_toolBar->addAction(icon.isEmpty() ? QIcon() : richIcon(icon), hint);
    a->setObjectName(name);
    a->setToolTip(hint);
    return a;
}

QAction* TfrRichEditorForm::action(const QString& name) const { return m_toolBar->findChild<QAction*>(name); }

void TfrRichEditorForm::showDocument(std::unique_ptr<QTextDocument> document) {
    document->setUndoRedoEnabled(true);
    m_edit->setDocument(document.get());
    m_document = std::move(document); // the one shown before goes now
    m_edit->moveCursor(QTextCursor::Start);
    showFormat();
}

void TfrRichEditorForm::mergeFormat(const QTextCharFormat& format) {
    m_edit->mergeCurrentCharFormat(format);
    m_edit->setFocus();
}

void TfrRichEditorForm::showFormat() {
    m_showing = true;
    const QTextCharFormat f = m_edit->currentCharFormat();
    action(QStringLiteral("bold"))->setChecked(f.fontWeight() >= QFont::Bold);
    action(QStringLiteral("italic"))->setChecked(f.fontItalic());
    action(QStringLiteral("underline"))->setChecked(f.fontUnderline());
    const QTextBlock block = m_edit->textCursor().block();
    const Qt::Alignment a = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    action(QStringLiteral("center"))->setChecked(a & Qt::AlignHCenter);
    action(QStringLiteral("right"))->setChecked(a & (Qt::AlignRight | Qt::AlignTrailing));
    action(QStringLiteral("left"))->setChecked(!(a & (Qt::AlignHCenter | Qt::AlignRight | Qt::AlignTrailing)));
    action(QStringLiteral("bullets"))->setChecked(isBullet(block));
    const QTextDocument& shown = *m_edit->document(); // also while m_edit takes a new one
    m_font->setCurrentFont(QFont(richtext::fontFamily(f, shown)));
    m_size->setCurrentText(sizeText(richtext::fontPointSize(f, shown)));
    const QTextBlockFormat b = block.blockFormat();
    m_ruler->setIndents(b.textIndent(), b.leftMargin(), b.rightMargin());
    m_showing = false;
}

void TfrRichEditorForm::placeRuler() {
    const QTextDocument& shown = *m_edit->document();
    const double margin = shown.documentMargin();
    const int origin = m_edit->viewport()->mapTo(this, QPoint(0, 0)).x() - m_ruler->x() + int(std::lround(margin)) -
                       m_edit->horizontalScrollBar()->value();
    // The document's width is its page: the text lies inside its margins.
    const double page = shown.textWidth() > 0 ? shown.textWidth() : m_edit->viewport()->width();
    m_ruler->setGeometryOfText(origin, page - 2 * margin, 567 / m_twipsPerPixel);
}

void TfrRichEditorForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeRuler();
}

void TfrRichEditorForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    placeRuler();
}

void TfrRichEditorForm::setIndents(double textIndent, double left, double right) {
    QTextCursor c = m_edit->textCursor();
    QTextBlockFormat f;
    f.setTextIndent(textIndent);
    f.setLeftMargin(left);
    f.setRightMargin(right);
    c.mergeBlockFormat(f);
}

void TfrRichEditorForm::toggleBullets() {
    QTextCursor c = m_edit->textCursor();
    const QTextBlock first = m_document->findBlock(c.selectionStart());
    const QTextBlock last = m_document->findBlock(c.selectionEnd());
    bool all = true;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        all = all && isBullet(b);
        if (b == last)
            break;
    }
    const double hang = kBulletHang / m_twipsPerPixel;
    c.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        QTextCursor bc(b);
        QTextBlockFormat f = b.blockFormat();
        if (all) {
            bc.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, int(kBullet.size()));
            bc.removeSelectedText();
            f.setLeftMargin(std::max(0.0, f.leftMargin() - hang));
            f.setTextIndent(0);
            bc.setBlockFormat(f);
        } else if (!isBullet(b)) {
            bc.insertText(kBullet);
            f.setLeftMargin(f.leftMargin() + hang);
            f.setTextIndent(-hang);
            bc.setBlockFormat(f);
        }
        if (b == last)
            break;
    }
    c.endEditBlock();
    showFormat();
}

void TfrRichEditorForm::insertExpression(const QString& expression) {
    m_edit->textCursor().insertText(frBracketed(expression));
}

void TfrRichEditorForm::insertField(const QString& reference) {
    m_edit->textCursor().insertText(u'[' + reference + u']');
}

QStringList TfrRichEditorForm::fieldReferences() const {
    QStringList references;
    const TfrDataDictionary& dictionary = m_report.dictionary();
    for (const QString& dataset : dictionary.datasetList())
        for (const QString& field : dictionary.fieldList(dataset))
            references << dataset + QStringLiteral(".\"") + field + u'"';
    return references;
}

bool TfrRichEditorForm::loadFile(const QString& fileName) {
    try {
        const QByteArray bytes = textfile::readFile(fileName, richtext::MaxRtfSize);
        auto document = std::make_unique<QTextDocument>();
        document->setUndoRedoEnabled(false);
        richtext::readRtf(bytes, *document);
        scaleLengths(*document, 1 / m_twipsPerPixel);
        showDocument(std::move(document));
        return true;
    } catch (const Exception& e) {
        m_report.engine().interaction().showError(e.message());
        return false;
    }
}

bool TfrRichEditorForm::saveFile(const QString& fileName) {
    try {
        std::unique_ptr<QTextDocument> copy(m_document->clone());
        scaleLengths(*copy, m_twipsPerPixel);
        textfile::writeAtomically(fileName, richtext::writeRtf(*copy));
        return true;
    } catch (const Exception& e) {
        m_report.engine().interaction().showError(e.message());
        return false;
    }
}

std::shared_ptr<QTextDocument> TfrRichEditorForm::twipsDocument() const {
    std::unique_ptr<QTextDocument> copy(m_document->clone());
    scaleLengths(*copy, m_twipsPerPixel);
    // Read back as the template will hold it.
    auto result = std::make_shared<QTextDocument>();
    result->setUndoRedoEnabled(false);
    richtext::readRtf(richtext::writeRtf(*copy), *result);
    return result;
}

void TfrRichEditorForm::accept() {
    try {
        m_edited = twipsDocument();
    } catch (const Exception& e) {
        m_report.engine().interaction().showError(e.message());
        return;
    }
    QDialog::accept();
}

void TfrRichEditorForm::openDialog() {
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                      QStringLiteral("Файлы RTF (*.rtf);;Все файлы (*)"));
    if (!file.isEmpty())
        loadFile(file);
}

void TfrRichEditorForm::saveDialog() {
    QString file = QFileDialog::getSaveFileName(this, QString(), QString(), QStringLiteral("Файлы RTF (*.rtf)"));
    if (file.isEmpty())
        return;
    if (!file.endsWith(QStringLiteral(".rtf"), Qt::CaseInsensitive))
        file += QStringLiteral(".rtf");
    saveFile(file);
}

bool frEditRich(TfrDesignDocument& document, TfrView& view, QWidget* parent) {
    auto* rich = frCast<TfrRichView>(&view);
    if (!rich || (view.restrictions & frrfDontEditContents))
        return false;
    TfrRichEditorForm form(rich->document(), document.report(), parent);
    if (form.exec() != QDialog::Accepted || !form.edited())
        return false;
    if (richtext::writeRtf(*form.edited()) == richtext::writeRtf(rich->document()))
        return false;
    document.recordChange({rich});
    rich->setDocument(form.edited());
    return true;
}

bool frToggleRichTextOnly(TfrDesignDocument& document) {
    const TfrView* first = nullptr;
    std::vector<TfrView*> changed;
    for (TfrView* v : document.selection()) {
        if (!frCast<TfrRichView>(v))
            continue;
        if (!first)
            first = v;
        if (!(v->restrictions & frrfDontModify))
            changed.push_back(v);
    }
    if (changed.empty())
        return false;
    const bool on = !first->flag(frflags::TextOnly);
    document.recordChange(changed);
    for (TfrView* v : changed)
        v->setFlag(frflags::TextOnly, on);
    return true;
}

TfrDesignerClassInfo frRichDesignerClass() {
    TfrDesignerClassInfo info{richIcon(QStringLiteral("addin-rich")), QStringLiteral("Вставить RichText объект"),
                              frEditRich};
    info.menuEntries.push_back({QStringLiteral("Только текст"),
                                [](const TfrView& view) { return view.flag(frflags::TextOnly); },
                                [](TfrDesignDocument& document) { frToggleRichTextOnly(document); }});
    return info;
}
