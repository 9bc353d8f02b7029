#include "report/addins/programaddins.h"

#include "report/addins/barcodeview.h"
#include "report/addins/chart.h"
#include "report/addins/oleview.h"
#include "report/addins/richview.h"
#include "report/addins/roundrect.h"
#include "report/addins/shapes.h"
#include "report/controls/controls.h"
#include "report/model/engine.h"
#include "report/model/objectclass.h"

#include <initializer_list>

void frRegisterProgramAddIns(TfrEngine& engine) {
    // One line per class, in the order the designer offers them.
    const std::initializer_list<const TfrObjectClass*> classes = {
        &TfrBarCodeView::classInfo(),
        &TfrShapeView::classInfo(),
        &TfrCheckBoxView::classInfo(),
        &TfrRoundRectView::classInfo(),
        &TfrOLEView::classInfo(),
        &TfrChartView::classInfo(),
        &TfrRichView::classInfo(),
    };
    for (const TfrObjectClass* c : classes)
        engine.registerClass(*c);
    for (const TfrObjectClass* c : frControlClasses())
        engine.registerClass(*c);
}
