#pragma once

#include "report/design/designsettings.h"

#include <QDialog>
#include <QImage>
#include <QStringList>
#include <optional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;

// "Новая секция": the band types, those the page takes enabled (the first of
// them chosen).
class TfrBandTypeForm : public QDialog {
    Q_OBJECT
public:
    TfrBandTypeForm(const std::vector<int>& offered, QWidget* parent = nullptr);
    int chosen() const;
    QRadioButton* button(int type) const;
    // Shows the dialog; nothing when it is cancelled.
    static std::optional<int> choose(const std::vector<int>& offered, QWidget* parent);

private:
    QButtonGroup* m_group;
};

// "Опции": the designer's settings.
class TfrDesignerOptionsForm : public QDialog {
    Q_OBJECT
public:
    TfrDesignerOptionsForm(const TfrDesignerSettings& settings, QWidget* parent = nullptr);
    TfrDesignerSettings settings() const;

private:
    TfrDesignerSettings m_settings;
    QButtonGroup* m_grid;
    QButtonGroup* m_units;
    QButtonGroup* m_position;
    QCheckBox *m_showGrid, *m_alignGrid, *m_contents, *m_editAfterInsert, *m_bandTitles, *m_colored,
        *m_localized, *m_disableUndo, *m_highlight, *m_defaultFont;
    QComboBox *m_textFont, *m_scriptFont;
    QSpinBox *m_textSize, *m_scriptSize;
};

// "Новый отчет" from a template: the *.frt files of a folder with their
// descriptions and pictures.
class TfrTemplateListForm : public QDialog {
    Q_OBJECT
public:
    TfrTemplateListForm(const QString& folder, QWidget* parent = nullptr);
    // The chosen file, or empty.
    QString chosen() const;

private:
    void showCurrent();
    QListWidget* m_list;
    QLabel* m_picture;
    QLabel* m_description;
    QStringList m_files;
    std::vector<QStringList> m_descriptions;
    std::vector<QImage> m_pictures;
};

// "Новый шаблон": the description of a template file and its picture.
class TfrNewTemplateForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrNewTemplateForm(QWidget* parent = nullptr);
    QStringList description() const;
    QImage picture() const { return m_image; }

private:
    QPlainTextEdit* m_text;
    QLabel* m_picture;
    QImage m_image;
};
