#include "report/addins/widgets/addineditors.h"

#include "report/icons/icons.h"

#include "report/addins/barcodeview.h"
#include "report/addins/chart.h"
#include "report/addins/oleview.h"
#include "report/addins/richview.h"
#include "report/addins/roundrect.h"
#include "report/addins/shapes.h"
#include "report/addins/widgets/barcodeeditor.h"
#include "report/addins/widgets/charteditor.h"
#include "report/addins/widgets/checkboxeditor.h"
#include "report/addins/widgets/oleeditor.h"
#include "report/addins/widgets/richeditor.h"
#include "report/addins/widgets/roundrecteditor.h"
#include "report/addins/widgets/shapeeditor.h"

void frRegisterProgramAddInEditors() {
    // One line per add-in class with an editor.
    frRegisterDesignerClass(TfrBarCodeView::classInfo(), frBarcodeDesignerInfo());
    frRegisterDesignerClass(TfrShapeView::classInfo(), frShapeDesignerInfo());
    frRegisterDesignerClass(TfrCheckBoxView::classInfo(), frCheckBoxDesignerInfo());
    frRegisterDesignerClass(TfrRoundRectView::classInfo(), frRoundRectDesignerInfo());
    frRegisterDesignerClass(TfrOLEView::classInfo(), frOleDesignerInfo());
    frRegisterDesignerClass(TfrChartView::classInfo(), frChartDesignerClass());
    frRegisterDesignerClass(TfrRichView::classInfo(), frRichDesignerClass());
}

QIcon frAddInIcon(const QString& name) {
    // The resources of a static library are registered when first asked for.
    static const bool registered = [] {
        Q_INIT_RESOURCE(addinicons);
        return true;
    }();
    (void)registered;
    return frReportIcon(name);
}
