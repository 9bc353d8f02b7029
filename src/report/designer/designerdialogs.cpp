#include "report/designer/designerdialogs.h"
#include "report/designer/editorparts.h"

#include "common/textfile.h"
#include "report/model/constants.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QRadioButton* radio(QButtonGroup* group, QLayout* layout, const QString& caption, int id, bool checked) {
    auto* b = new QRadioButton(caption);
    group->addButton(b, id);
    b->setChecked(checked);
    layout->addWidget(b);
    return b;
}

} // namespace

// ---------------------------------------------------------------- band types

TfrBandTypeForm::TfrBandTypeForm(const std::vector<int>& offered, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfrBandTypeForm"));
    setWindowTitle(QStringLiteral("Новая секция"));
    m_group = new QButtonGroup(this);
    auto* box = new QGroupBox(QStringLiteral("Тип секции"), this);
    auto* grid = new QGridLayout(box);
    bool first = true;
    for (int type = btReportTitle; type <= btChild; ++type) {
        auto* b = new QRadioButton(frBandName(type), box);
        b->setObjectName(QStringLiteral("band%1").arg(type));
        const bool enabled = std::find(offered.begin(), offered.end(), type) != offered.end();
        b->setEnabled(enabled);
        if (enabled && first) {
            b->setChecked(true);
            first = false;
        }
        m_group->addButton(b, type);
        grid->addWidget(b, type % 11, type / 11);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(frOkCancelButtons(*this));
}

int TfrBandTypeForm::chosen() const { return m_group->checkedId(); }
QRadioButton* TfrBandTypeForm::button(int type) const { return qobject_cast<QRadioButton*>(m_group->button(type)); }

std::optional<int> TfrBandTypeForm::choose(const std::vector<int>& offered, QWidget* parent) {
    TfrBandTypeForm form(offered, parent);
    if (form.exec() != QDialog::Accepted || form.chosen() < 0)
        return std::nullopt;
    return form.chosen();
}

// ---------------------------------------------------------------- options

TfrDesignerOptionsForm::TfrDesignerOptionsForm(const TfrDesignerSettings& s, QWidget* parent)
    : QDialog(parent), m_settings(s) {
    setObjectName(QStringLiteral("TfrDesOptionsForm"));
    setWindowTitle(QStringLiteral("Опции"));
    auto* tabs = new QTabWidget(this);

    auto* gridPage = new QWidget;
    auto* gridLayout = new QVBoxLayout(gridPage);
    auto* sizes = new QGroupBox(QStringLiteral("Размер сетки"));
    auto* sizesLayout = new QVBoxLayout(sizes);
    m_grid = new QButtonGroup(this);
    radio(m_grid, sizesLayout, QStringLiteral("&4 точки"), 4, s.gridSize == 4);
    radio(m_grid, sizesLayout, QStringLiteral("&8 точек"), 8, s.gridSize == 8);
    radio(m_grid, sizesLayout, QStringLiteral("1&8 точек (5 мм)"), 18, s.gridSize == 18);
    gridLayout->addWidget(sizes);
    m_showGrid = new QCheckBox(QStringLiteral("&Показывать сетку"));
    m_showGrid->setChecked(s.gridShow);
    m_alignGrid = new QCheckBox(QStringLiteral("&Выравнивать по сетке"));
    m_alignGrid->setChecked(s.gridAlign);
    gridLayout->addWidget(m_showGrid);
    gridLayout->addWidget(m_alignGrid);
    gridLayout->addStretch();
    tabs->addTab(gridPage, QStringLiteral("Сетка"));

    auto* objectPage = new QWidget;
    auto* objectLayout = new QVBoxLayout(objectPage);
    m_contents = new QCheckBox(QStringLiteral("Показывать &содержимое при перемещении"));
    m_contents->setChecked(s.selectionMode != 0);
    m_editAfterInsert = new QCheckBox(QStringLiteral("&Редактировать после вставки"));
    m_editAfterInsert->setChecked(s.editAfterInsert);
    m_bandTitles = new QCheckBox(QStringLiteral("Показывать &заголовки секций"));
    m_bandTitles->setChecked(s.bandTitles);
    for (QCheckBox* c : {m_contents, m_editAfterInsert, m_bandTitles})
        objectLayout->addWidget(c);
    auto* units = new QGroupBox(QStringLiteral("Единицы измерения"));
    auto* unitsLayout = new QHBoxLayout(units);
    m_units = new QButtonGroup(this);
    for (TfrUnits u : {TfrUnits::Pixels, TfrUnits::Millimetres, TfrUnits::Inches})
        radio(m_units, unitsLayout, frUnitsName(u), int(u), s.units == u);
    objectLayout->addWidget(units);
    auto* position = new QGroupBox(QStringLiteral("Положение страницы"));
    auto* positionLayout = new QHBoxLayout(position);
    m_position = new QButtonGroup(this);
    radio(m_position, positionLayout, QStringLiteral("Слева"), 3, s.pagePosition == 3);
    radio(m_position, positionLayout, QStringLiteral("По центру"), 5, s.pagePosition == 5);
    radio(m_position, positionLayout, QStringLiteral("Справа"), 4, s.pagePosition == 4);
    objectLayout->addWidget(position);
    objectLayout->addStretch();
    tabs->addTab(objectPage, QStringLiteral("Объекты"));

    auto* otherPage = new QWidget;
    auto* otherLayout = new QVBoxLayout(otherPage);
    m_colored = new QCheckBox(QStringLiteral("Цветные кнопки"));
    m_colored->setChecked(!s.grayButtons);
    m_localized = new QCheckBox(QStringLiteral("Русские имена свойств"));
    m_localized->setChecked(s.localizedPropNames);
    m_disableUndo = new QCheckBox(QStringLiteral("Не запоминать действия для отмены"));
    m_disableUndo->setChecked(s.disableUndo);
    m_highlight = new QCheckBox(QStringLiteral("Подсветка синтаксиса в редакторе текста"));
    m_highlight->setChecked(s.syntaxHighlight);
    m_defaultFont = new QCheckBox(QStringLiteral("Текст в редакторе шрифтом объекта"));
    m_defaultFont->setChecked(s.useDefaultFont);
    for (QCheckBox* c : {m_colored, m_localized, m_disableUndo, m_highlight, m_defaultFont})
        otherLayout->addWidget(c);
    auto* fonts = new QFormLayout;
    const QStringList families = QFontDatabase::families();
    auto fontRow = [&](const QString& caption, const QString& name, int size, QComboBox*& combo, QSpinBox*& spin) {
        combo = new QComboBox;
        combo->setEditable(true);
        combo->addItems(families);
        combo->setCurrentText(name);
        spin = new QSpinBox;
        spin->setRange(1, 72);
        spin->setValue(size);
        auto* row = new QHBoxLayout;
        row->addWidget(combo, 1);
        row->addWidget(spin);
        fonts->addRow(caption, row);
    };
    fontRow(QStringLiteral("Шрифт текста:"), s.textFontName, s.textFontSize, m_textFont, m_textSize);
    fontRow(QStringLiteral("Шрифт скрипта:"), s.scriptFontName, s.scriptFontSize, m_scriptFont, m_scriptSize);
    otherLayout->addLayout(fonts);
    otherLayout->addStretch();
    tabs->addTab(otherPage, QStringLiteral("Прочее"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(frOkCancelButtons(*this));
}

TfrDesignerSettings TfrDesignerOptionsForm::settings() const {
    TfrDesignerSettings s = m_settings;
    s.gridSize = m_grid->checkedId() > 0 ? m_grid->checkedId() : s.gridSize;
    s.gridShow = m_showGrid->isChecked();
    s.gridAlign = m_alignGrid->isChecked();
    s.selectionMode = m_contents->isChecked() ? 1 : 0;
    s.editAfterInsert = m_editAfterInsert->isChecked();
    s.bandTitles = m_bandTitles->isChecked();
    s.units = TfrUnits(std::max(0, m_units->checkedId()));
    s.pagePosition = m_position->checkedId() > 0 ? m_position->checkedId() : s.pagePosition;
    s.grayButtons = !m_colored->isChecked();
    s.localizedPropNames = m_localized->isChecked();
    s.disableUndo = m_disableUndo->isChecked();
    s.syntaxHighlight = m_highlight->isChecked();
    s.useDefaultFont = m_defaultFont->isChecked();
    s.textFontName = m_textFont->currentText();
    s.textFontSize = m_textSize->value();
    s.scriptFontName = m_scriptFont->currentText();
    s.scriptFontSize = m_scriptSize->value();
    return s;
}

// ---------------------------------------------------------------- templates

TfrTemplateListForm::TfrTemplateListForm(const QString& folder, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfrTemplForm"));
    setWindowTitle(QStringLiteral("Новый отчет"));
    m_list = new QListWidget(this);
    m_picture = new QLabel(this);
    m_picture->setFixedSize(160, 160);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFrameShape(QFrame::StyledPanel);
    m_description = new QLabel(this);
    m_description->setWordWrap(true);
    // Only the descriptions and pictures are read here.
    TfrEngine engine;
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("*.frt")}, QDir::Files, QDir::Name)) {
        TfrReport scratch(engine);
        QStringList description;
        QImage picture;
        try {
            if (!scratch.loadTemplate(file.filePath(), description, picture, false))
                continue;
        } catch (const std::exception&) {
            continue;
        }
        m_files << file.filePath();
        m_descriptions.push_back(description);
        m_pictures.push_back(picture);
        m_list->addItem(file.completeBaseName());
    }
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { showCurrent(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* side = new QVBoxLayout;
    side->addWidget(m_picture);
    side->addWidget(m_description, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(frOkCancelButtons(*this));
    if (!m_files.isEmpty())
        m_list->setCurrentRow(0);
    resize(480, 320);
}

void TfrTemplateListForm::showCurrent() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= int(m_files.size()))
        return;
    const QImage& picture = m_pictures[std::size_t(row)];
    m_picture->setPixmap(picture.isNull() ? QPixmap()
                                          : QPixmap::fromImage(picture.scaled(m_picture->size(), Qt::KeepAspectRatio)));
    m_description->setText(m_descriptions[std::size_t(row)].join(u'\n'));
}

QString TfrTemplateListForm::chosen() const {
    const int row = m_list->currentRow();
    return row >= 0 && row < int(m_files.size()) ? m_files[row] : QString();
}


TfrNewTemplateForm::TfrNewTemplateForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfrTemplNewForm"));
    setWindowTitle(QStringLiteral("Новый шаблон"));
    m_text = new QPlainTextEdit(this);
    m_picture = new QLabel(this);
    m_picture->setFixedSize(120, 120);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFrameShape(QFrame::StyledPanel);
    auto* load = new QPushButton(QStringLiteral("&Рисунок..."), this);
    connect(load, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                          QStringLiteral("Рисунки BMP (*.bmp)"));
        if (file.isEmpty())
            return;
        const std::optional<QByteArray> bytes = textfile::readBytes(file, textfile::MaxTextSize);
        QImage image;
        if (bytes && image.loadFromData(*bytes, "BMP")) {
            m_image = image;
            m_picture->setPixmap(QPixmap::fromImage(image.scaled(m_picture->size(), Qt::KeepAspectRatio)));
        }
    });
    auto* side = new QVBoxLayout;
    side->addWidget(m_picture);
    side->addWidget(load);
    side->addStretch();
    auto* top = new QHBoxLayout;
    auto* descriptionBox = new QVBoxLayout;
    descriptionBox->addWidget(frBuddyLabel(QStringLiteral("&Описание:"), m_text));
    descriptionBox->addWidget(m_text);
    top->addLayout(descriptionBox, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(frOkCancelButtons(*this));
}

QStringList TfrNewTemplateForm::description() const { return textfile::splitLines(m_text->toPlainText()); }
