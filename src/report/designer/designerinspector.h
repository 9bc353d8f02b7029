#pragma once

#include <QWidget>
#include <vector>

class QTableWidget;
class TfrDesignDocument;
struct TfrPropRec;

// The object inspector: the properties of the designer's selection in two
// columns (name, value), each value edited by its kind (report/design/
// designinspector.h): a line for texts, numbers and lengths (Enter or leaving
// the line applies, Esc puts the shown value back), a list for booleans,
// enumerations and colours (a colour may also be typed as "$" and six
// hexadecimal digits), and a button for properties edited by the object's
// editor. Every applied value is one undo entry; changed() then tells the
// designer to bring itself up to date.
class TfrInspector : public QWidget {
    Q_OBJECT
public:
    TfrInspector(TfrDesignDocument& document, QWidget* parent = nullptr);

    // Shows the selection as the document holds it now: the values in place
    // when the same properties are listed, else the lines anew.
    void refresh();
    QTableWidget* table() const { return m_table; }
    // The editor of a property's value (by its table name), or null.
    QWidget* valueEditor(const QString& property) const;

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    QWidget* makeEditor(const TfrPropRec& property);
    void showValues();
    void apply(const QString& property, const QString& text);
    void openEditor(const QString& property);

    TfrDesignDocument& m_doc;
    QTableWidget* m_table = nullptr;
    std::vector<const TfrPropRec*> m_shown;
    std::vector<QString> m_texts; // the values as last shown
    bool m_updating = false;
};
