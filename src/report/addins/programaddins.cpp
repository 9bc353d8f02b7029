#include "report/addins/programaddins.h"

#include "report/addins/chart.h"
#include "report/addins/richview.h"
#include "report/model/engine.h"
#include "report/model/objectclass.h"

#include <initializer_list>

void frRegisterProgramAddIns(TfrEngine& engine) {
    // One line per class, in the order the designer offers them.
    const std::initializer_list<const TfrObjectClass*> classes = {
        &TfrChartView::classInfo(),
        &TfrRichView::classInfo(),
    };
    for (const TfrObjectClass* c : classes)
        engine.registerClass(*c);
}
