#include "selection/mask.h"

#include "common/cp1251.h"

namespace {

QString collapseStars(QStringView mask) {
    QString out;
    out.reserve(mask.size());
    for (QChar c : mask)
        if (c != u'*' || out.isEmpty() || out.back() != u'*')
            out += c;
    return out;
}

// Compares pattern (with "?" for any character) with text at position pos.
bool equalAt(QStringView text, qsizetype pos, QStringView pattern) {
    for (qsizetype j = 0; j < pattern.size(); ++j)
        if (pattern[j] != u'?' && pattern[j] != text[pos + j])
            return false;
    return true;
}

// The walk over upper-cased text and a collapsed, upper-cased mask, both non-empty.
bool matchCore(QStringView text, QStringView mask) {
    const qsizetype n = text.size();
    const qsizetype m = mask.size();
    qsizetype i = 0;
    qsizetype k = 0;
    while (i < n && k < m) {
        const QChar c = mask[k];
        if (c == text[i] || c == u'?') {
            ++i;
            ++k;
        } else if (c == u'*') {
            const QStringView rest = mask.mid(k + 1);
            const qsizetype star = rest.indexOf(u'*');
            if (star < 0) {
                // The tail of the mask against the end of the whole text.
                if (rest.isEmpty())
                    return true;
                if (rest.size() > n)
                    return false;
                return equalAt(text, n - rest.size(), rest);
            }
            const QStringView part = rest.left(star);
            k += 1 + star; // onto the next "*"
            qsizetype found = -1;
            for (qsizetype p = i; p + part.size() <= n; ++p)
                if (equalAt(text, p, part)) {
                    found = p;
                    break;
                }
            if (found < 0)
                return false;
            i = found + part.size();
        } else {
            return false;
        }
    }
    if (i < n)
        return false;
    if (k < m && mask[m - 1] != u'*')
        return false;
    return true;
}

} // namespace

bool MatchesMask(QStringView text, QStringView mask) {
    if (text == mask)
        return true;
    const QString collapsed = collapseStars(mask);
    if (collapsed == u"*")
        return true;
    const QString t = cp1251::toUpper(text);
    const QString mk = cp1251::toUpper(collapsed);
    if (t.isEmpty() || mk.isEmpty())
        return false;
    return matchCore(t, mk);
}

TCompiledMask::TCompiledMask(const QString& mask) : m_mask(mask) {
    const QString collapsed = collapseStars(mask);
    m_all = collapsed == u"*";
    m_upper = cp1251::toUpper(collapsed);
}

bool TCompiledMask::matches(QStringView text) const {
    if (m_all || text == m_mask)
        return true;
    if (text.isEmpty() || m_upper.isEmpty())
        return false;
    return matchCore(cp1251::toUpper(text), m_upper);
}

QStringView delimitedField(QStringView text, QChar sep, int k) {
    qsizetype start = 0;
    for (int f = 1; f < k; ++f) {
        const qsizetype at = text.indexOf(sep, start);
        if (at < 0)
            return QStringView();
        start = at + 1;
    }
    const qsizetype end = text.indexOf(sep, start);
    return text.mid(start, end < 0 ? text.size() - start : end - start);
}

QStringView trimBlanks(QStringView text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b].unicode() <= 32)
        ++b;
    while (e > b && text[e - 1].unicode() <= 32)
        --e;
    return text.mid(b, e - b);
}

QStringView trimBlanksRight(QStringView text) {
    qsizetype e = text.size();
    while (e > 0 && text[e - 1].unicode() <= 32)
        --e;
    return text.left(e);
}
