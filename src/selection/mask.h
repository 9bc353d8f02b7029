#pragma once

#include <QString>
#include <QStringView>

// Wildcard match of a value against a filter mask: "*" any run of characters,
// "?" any one character, letter case ignored (code page 1251 letters included).
// The algorithm is deliberately simple and kept exactly as the selection has
// always used it:
//  - equal texts match; a mask of only "*" matches anything;
//  - otherwise an empty text or mask never matches;
//  - a "*" followed by a tail without "*" compares that tail with the end of
//    the whole text; a "*" followed by "part*" finds the first occurrence of
//    part from the current position;
//  - mask characters left over after the text is used up are accepted when the
//    mask ends with "*" ("AB?*" matches "AB").
bool MatchesMask(QStringView text, QStringView mask);

// A mask compiled once for many texts (the same result as MatchesMask).
class TCompiledMask {
public:
    TCompiledMask() = default;
    explicit TCompiledMask(const QString& mask);
    bool matches(QStringView text) const;
    bool matchesEverything() const { return m_all; }

private:
    QString m_mask;      // as given
    QString m_upper;     // "**" collapsed, upper case
    bool m_all = true;
};

// Field k (from 1) of a text separated by sep: the characters after the
// (k-1)-th separator and before the k-th one (or the end). Field 1 is the text
// before the first separator; a field beyond the last separator is empty.
QStringView delimitedField(QStringView text, QChar sep, int k);

// Trimming as the settings file and the filter use it: blanks and control
// characters (codes up to 32).
QStringView trimBlanks(QStringView text);
QStringView trimBlanksRight(QStringView text);
