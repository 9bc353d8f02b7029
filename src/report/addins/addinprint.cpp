#include "report/addins/addinprint.h"

void TfrAddInPrinter::print(TfrView& view, const TfrPrintPlace& place, bool, TfrPrintContext& c) const {
    if (c.loadDataField)
        c.loadDataField(view);
    QStringList text = view.memo;
    if (c.beforePrint)
        c.beforePrint(view, text);
    if (c.runScript) {
        const QStringList before = view.memo;
        c.runScript(view);
        if (view.memo != before)
            text = view.memo;
    }
    if (!view.visible)
        return;
    TfrView& image = printImage(view, place, c);
    image.memo = text;
    prepare(view, image, c);
    if (c.output)
        c.output(image);
}
