#include "report/addins/widgets/addineditors.h"

#include "report/addins/chart.h"
#include "report/addins/widgets/charteditor.h"

void frRegisterProgramAddInEditors() {
    // One line per add-in class with an editor.
    frRegisterDesignerClass(TfrChartView::classInfo(), frChartDesignerClass());
}
