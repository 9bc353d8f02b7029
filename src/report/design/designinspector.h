#pragma once

#include "report/model/objects.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class TfrDesignDocument;
class TfrEngine;

// What the object inspector shows of the selection and how a text entered in
// it becomes a property value, without widgets. Values are shown and entered
// as the property's kind word says: text, integer, decimal with two decimals,
// "True"/"False", a colour by its constant name or "$" and six hexadecimal
// digits, an enumeration by its value name, a length in the designer's
// display units (always pixels on dialog pages).

// One line of the inspector.
struct TfrInspectorRow {
    const TfrPropRec* property = nullptr; // as the first selected object defines it
    QString caption;                      // its name, or its Russian name
    QString text;                         // the value shown; empty when the objects differ
    bool uniform = true;                  // every selected object holds that value
};

// The properties the inspector lists for the selection, in the first object's
// table order: with one object all it lists; with several those every object
// lists, except those that apply to one object only. Nothing without a
// selection.
std::vector<TfrInspectorRow> frInspectorRows(const TfrDesignDocument& doc);

// A property value as the inspector shows it.
QString frInspectorText(const TfrDesignDocument& doc, const TfrPropRec& property, const TVariant& value);
// The value an entered text stands for; throws Exception (with the message
// the user sees) when the text is not a value of the property's kind.
TVariant frInspectorValue(const TfrDesignDocument& doc, const TfrPropRec& property, const QString& text);
// Sets the property on every selected object from an entered text (one undo
// entry, through the document's setProperty); false, with the reason in the
// document's refusal(), when it cannot apply. A text that is not a value of
// the kind throws as frInspectorValue does.
bool frInspectorApply(TfrDesignDocument& doc, const QString& property, const QString& text);

// A length written with its units ("10mm", "0.5in", "36px"; "мм" and "дюйм"
// too) in report pixels, by the inspector's conversions; nothing when the
// text names no units. Throws Exception when the number before them is not one.
std::optional<std::int32_t> frLengthWithUnits(const QString& text);

// Whether the inspector's value of a property is entered in place (the
// properties with only an editor are changed through it).
bool frInspectorEditable(const TfrPropRec& property);
// The names of the engine's colour constants ("clAqua" ...), for the colour list.
QStringList frColorNames(const TfrEngine& engine);
// The Russian name of a property, or the name itself when it has none.
QString frLocalizedPropName(const QString& name);
