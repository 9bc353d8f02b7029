#include "report/designer/designerclasses.h"

#include "report/model/objectclass.h"

#include <QString>
#include <unordered_map>
#include <vector>

namespace {

std::unordered_map<const TfrObjectClass*, TfrDesignerClassInfo>& registry() {
    static std::unordered_map<const TfrObjectClass*, TfrDesignerClassInfo> classes;
    return classes;
}

struct PropertyEditor {
    QString property;
    const TfrObjectClass* objectClass;
    TfrDesignerEditor editor;
};

std::vector<PropertyEditor>& propertyEditors() {
    static std::vector<PropertyEditor> editors;
    return editors;
}

bool derivesFrom(const TfrObjectClass& objectClass, const TfrObjectClass* base) {
    for (const TfrObjectClass* c = &objectClass; c; c = c->base)
        if (c == base)
            return true;
    return !base;
}

} // namespace

void frRegisterDesignerClass(const TfrObjectClass& objectClass, TfrDesignerClassInfo info) {
    registry()[&objectClass] = std::move(info);
}

const TfrDesignerClassInfo* frDesignerClass(const TfrObjectClass& objectClass) {
    const auto it = registry().find(&objectClass);
    return it == registry().end() ? nullptr : &it->second;
}

const TfrDesignerEditor* frDesignerEditor(const TfrObjectClass& objectClass) {
    for (const TfrObjectClass* c = &objectClass; c; c = c->base)
        if (const TfrDesignerClassInfo* info = frDesignerClass(*c); info && info->editor)
            return &info->editor;
    return nullptr;
}

void frRegisterPropertyEditor(const QString& property, TfrDesignerEditor editor, const TfrObjectClass* objectClass) {
    auto& editors = propertyEditors();
    for (auto it = editors.begin(); it != editors.end(); ++it)
        if (it->objectClass == objectClass && it->property.compare(property, Qt::CaseInsensitive) == 0) {
            if (editor)
                it->editor = std::move(editor);
            else
                editors.erase(it);
            return;
        }
    if (!editor)
        return;
    editors.push_back({property, objectClass, std::move(editor)});
}

const TfrDesignerEditor* frDesignerPropertyEditor(const TfrObjectClass& objectClass, const QString& property) {
    // The editor registered for the nearest class wins over one for every class.
    const TfrDesignerEditor* found = nullptr;
    int foundDepth = -1;
    for (const PropertyEditor& e : propertyEditors()) {
        if (e.property.compare(property, Qt::CaseInsensitive) != 0 || !derivesFrom(objectClass, e.objectClass))
            continue;
        int depth = 0;
        for (const TfrObjectClass* c = e.objectClass; c; c = c->base)
            ++depth;
        if (depth > foundDepth) {
            found = &e.editor;
            foundDepth = depth;
        }
    }
    return found ? found : frDesignerEditor(objectClass);
}
