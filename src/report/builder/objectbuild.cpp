#include "report/builder/objectbuild.h"

#include "common/exception.h"
#include "report/builder/memoprint.h"
#include "report/model/buildstate.h"

namespace {

// The copy of an object that its prints write.
struct TPrintImage {
    std::unique_ptr<TfrView> view;
};

} // namespace

TfrView& TfrObjectBuilder::printImage(const TfrView& view, const TfrPrintPlace& place, TfrPrintContext& c) {
    TPrintImage& image = c.state.objectState<TPrintImage>(view);
    if (!image.view) {
        const TfrObjectClass& cls = view.objectClass();
        if (!cls.create)
            throw Exception(QStringLiteral("Объект %1 класса %2 не может быть выведен").arg(view.name(), cls.className));
        image.view = cls.create();
    }
    TfrView& out = *image.view;
    out.assign(view);
    out.setName(view.name());
    out.left = place.left ? *place.left : view.left + place.dx;
    out.top = place.top ? *place.top : view.top + place.dy;
    if (place.width)
        out.width = *place.width;
    if (place.bandAlign)
        out.bandAlign = *place.bandAlign;
    if (view.tag.contains(u'[') && c.expandTag)
        out.tag = c.expandTag(view.tag, const_cast<TfrView&>(view));
    return out;
}

void TfrObjectBuilder::print(TfrView& view, const TfrPrintPlace& place, bool, TfrPrintContext& c) const {
    if (c.loadDataField)
        c.loadDataField(view);
    if (c.beforePrint) {
        QStringList text = view.memo;
        c.beforePrint(view, text);
    }
    if (c.runScript)
        c.runScript(view);
    if (view.visible && c.output)
        c.output(printImage(view, place, c));
}

void TfrObjectBuilder::skip(TfrView& view, TfrPrintContext& c) const {
    if (c.runScript)
        c.runScript(view);
}

const TfrObjectBuilder& frObjectBuilder(const TfrView& view) {
    static const TfrObjectBuilder plain;
    static const TfrMemoBuilder memo;
    static const TfrLineBuilder line;
    for (const TfrObjectClass* c = &view.objectClass(); c; c = c->base) {
        if (c->builder)
            return *c->builder;
        if (c->kind == gtMemo)
            return memo;
        if (c->kind == gtLine)
            return line;
    }
    return plain;
}
