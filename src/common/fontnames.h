#pragma once

// Fonts that report and document texts name and the metric-compatible fonts
// (fonts-liberation) that stand in for them, so that texts measure the same
// as where they were written. Text measurers install them as font
// substitutions before they measure.
namespace fontnames {

struct TFontSubstitute {
    const char16_t* name;
    const char16_t* substitute;
};

inline constexpr TFontSubstitute Substitutes[] = {
    {u"Arial", u"Liberation Sans"},
    {u"Arial Cyr", u"Liberation Sans"},
    {u"Arial Narrow", u"Liberation Sans Narrow"},
    {u"Helvetica", u"Liberation Sans"},
    {u"MS Sans Serif", u"Liberation Sans"},
    {u"Tahoma", u"Liberation Sans"},
    {u"Verdana", u"Liberation Sans"},
    {u"Times New Roman", u"Liberation Serif"},
    {u"Times New Roman Cyr", u"Liberation Serif"},
    {u"Courier New", u"Liberation Mono"},
    {u"Courier New Cyr", u"Liberation Mono"},
};

} // namespace fontnames
