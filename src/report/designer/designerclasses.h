#pragma once

#include <QIcon>
#include <QString>
#include <functional>
#include <vector>

class QWidget;
class TfrDesignDocument;
class TfrView;
struct TfrObjectClass;

// Opens an editor over `parent` on an object of the document; it records an
// undo entry of kind change (TfrDesignDocument::recordChange) before it
// changes the object, and returns true when it did.
using TfrDesignerEditor = std::function<bool(TfrDesignDocument& document, TfrView& view, QWidget* parent)>;

// What the designer window knows of an object class besides the engine: the
// picture and hint of its button on the object tool bar and its editor. The
// add-in libraries register their classes here; built-in classes get their
// editors here as the editors are written.
struct TfrDesignerClassInfo {
    QIcon icon;
    QString hint; // "Вставить штрихкод"
    // The object's editor (the edit command, and the inspector's button of
    // properties without an editor of their own).
    TfrDesignerEditor editor;
    // Entries the class adds to the page's context menu while one of its
    // objects is selected.
    struct MenuEntry {
        QString caption; // "Только текст"
        // Whether the entry shows a check mark, asked of the first selected
        // object of the class.
        std::function<bool(const TfrView& view)> checked;
        // Runs the entry on the document's selection (one undo entry).
        std::function<void(TfrDesignDocument& document)> run;
    };
    std::vector<MenuEntry> menuEntries = {};
};

// Registers (or replaces) what the designer knows of a class; classes are
// process-wide constants, and so is this registry.
void frRegisterDesignerClass(const TfrObjectClass& objectClass, TfrDesignerClassInfo info);
// What is registered for the class itself, or null.
const TfrDesignerClassInfo* frDesignerClass(const TfrObjectClass& objectClass);
// The editor of an object's class, or of the nearest base class with one.
const TfrDesignerEditor* frDesignerEditor(const TfrObjectClass& objectClass);

// Editors of single properties ("Tag", "Restrictions", "DisplayFormat" ...)
// for the inspector's edit buttons, keyed by property name for every class
// that has the property; `objectClass` limits one to a class and the classes
// derived from it. Registering again replaces; registering an empty editor
// removes the property's editor for that class.
void frRegisterPropertyEditor(const QString& property, TfrDesignerEditor editor, const TfrObjectClass* objectClass = nullptr);
// What the inspector's button of a property opens on an object of a class:
// the property's own editor, else the class's editor (frDesignerEditor).
const TfrDesignerEditor* frDesignerPropertyEditor(const TfrObjectClass& objectClass, const QString& property);
