#pragma once

#include "report/addins/oleview.h"
#include "report/designer/designerclasses.h"

#include <QDialog>

class QLabel;
class QPushButton;
class TfrDesignDocument;

// "OLE объект". There is no object-linking service on this platform, so the
// editor cannot show, insert from a server or edit an embedded document; it
// says so, tells what the object holds, and offers what works without one:
// "&Вставить..." embeds a compound file, "&Сохранить в файл..." writes the
// held document's compound file out, "&Удалить" removes it. "&Закрыть" takes
// the result into the object, "Отмена" leaves it as it was.
class TfrOleEditorForm : public QDialog {
    Q_OBJECT
public:
    TfrOleEditorForm(TfrDesignDocument& document, const TfrOLEView& view, QWidget* parent = nullptr);
    void apply(TfrOLEView& view) const;

private:
    void insertFile();
    void saveFile();
    void showHeld();

    TfrDesignDocument& m_document;
    TfrOleDocument m_held;
    QLabel* m_state;
    QPushButton* m_save;
    QPushButton* m_remove;
};

// The tool-bar picture, hint and editor of the OLE object.
TfrDesignerClassInfo frOleDesignerInfo();
