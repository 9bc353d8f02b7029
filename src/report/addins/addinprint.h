#pragma once

#include "report/builder/objectbuild.h"

// The build behaviour of add-in objects whose prepared copy shows what their
// first line stands for (a barcode's code, a check box's value). Printing
// goes as for every object: the data field is loaded, OnBeforePrint is
// raised and the object's script runs on the working text (the memo, as
// OnBeforePrint and the script leave it); an invisible object is not written.
// The copy (Tag expanded) gets the working text, which `prepare` turns into
// what the prepared page shows, and is written.
class TfrAddInPrinter : public TfrObjectBuilder {
public:
    void print(TfrView& view, const TfrPrintPlace& place, bool part, TfrPrintContext& context) const override;

protected:
    // Turns the copy's working text into its printed form; `view` is the
    // object printed (expressions are evaluated for it). Errors fail the build.
    virtual void prepare(TfrView& view, TfrView& image, TfrPrintContext& context) const = 0;
};
