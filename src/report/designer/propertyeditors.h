#pragma once

// The editors of single properties that the object inspector's buttons open
// on every class that has the property: the font of texts and the database
// field an object is bound to. Registered with the designer's class registry
// (frRegisterPropertyEditor) by frRegisterPropertyEditors, which the
// designer window calls before it first opens.
void frRegisterPropertyEditors();
