#include "report/designer/designerclasses.h"

#include "report/model/objectclass.h"

#include <unordered_map>

namespace {

std::unordered_map<const TfrObjectClass*, TfrDesignerClassInfo>& registry() {
    static std::unordered_map<const TfrObjectClass*, TfrDesignerClassInfo> classes;
    return classes;
}

} // namespace

void frRegisterDesignerClass(const TfrObjectClass& objectClass, TfrDesignerClassInfo info) {
    registry()[&objectClass] = std::move(info);
}

const TfrDesignerClassInfo* frDesignerClass(const TfrObjectClass& objectClass) {
    const auto it = registry().find(&objectClass);
    return it == registry().end() ? nullptr : &it->second;
}

const std::function<bool(TfrDesignDocument&, TfrView&, QWidget*)>* frDesignerEditor(const TfrObjectClass& objectClass) {
    for (const TfrObjectClass* c = &objectClass; c; c = c->base)
        if (const TfrDesignerClassInfo* info = frDesignerClass(*c); info && info->editor)
            return &info->editor;
    return nullptr;
}
