#include "report/addins/widgets/addineditors.h"

#include "report/addins/barcodeview.h"
#include "report/addins/widgets/barcodeeditor.h"

void frRegisterProgramAddInEditors() {
    // One line per add-in class with an editor.
    frRegisterDesignerClass(TfrBarCodeView::classInfo(), frBarcodeDesignerInfo());
}
