#include "report/addins/widgets/addineditors.h"

#include "report/addins/chart.h"
#include "report/addins/richview.h"
#include "report/addins/widgets/charteditor.h"
#include "report/addins/widgets/richeditor.h"

void frRegisterProgramAddInEditors() {
    // One line per add-in class with an editor.
    frRegisterDesignerClass(TfrChartView::classInfo(), frChartDesignerClass());
    frRegisterDesignerClass(TfrRichView::classInfo(), frRichDesignerClass());
}
