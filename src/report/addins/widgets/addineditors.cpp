#include "report/addins/widgets/addineditors.h"

void frRegisterProgramAddInEditors() {
    // One line per add-in class with an editor.
}
