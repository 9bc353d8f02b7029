#include "grid/collation.h"

#include "common/cp1251.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <cstring>
#include <numeric>

#ifdef OSTRAND_GRID_ICU
#include <unicode/ucol.h>
#endif

namespace gridcollation {
namespace {

QCollator& collator() {
    static QCollator c{QLocale(QStringLiteral("ru_RU"))};
    return c;
}

int rawCompare(QByteArrayView a, QByteArrayView b) {
    const int c = std::memcmp(a.data(), b.data(), std::size_t(std::min(a.size(), b.size())));
    if (c != 0)
        return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

#ifdef OSTRAND_GRID_ICU
// The same collation as QCollator("ru_RU") (which sits on ICU here), used
// directly so that sort keys land in one buffer instead of one heap object each.
UCollator* icuCollator() {
    static UCollator* c = [] {
        UErrorCode err = U_ZERO_ERROR;
        UCollator* coll = ucol_open("ru_RU", &err);
        return U_FAILURE(err) ? nullptr : coll;
    }();
    return c;
}
#endif

// Sorting entry: sixteen key bytes, big-endian, taken after the prefix that all
// keys share, decide most comparisons without touching the key buffer.
struct Entry {
    std::uint64_t high;
    std::uint64_t low;
    std::uint32_t index;
};

std::uint64_t bytesAt(const unsigned char* key, qsizetype len, qsizetype from) {
    std::uint64_t p = 0;
    for (qsizetype i = from; i < from + 8; ++i)
        p = (p << 8) | (i < len ? key[i] : 0);
    return p;
}

} // namespace

int compare(QStringView a, QStringView b) {
    const int c = collator().compare(a, b);
    if (c != 0)
        return c;
    return a.compare(b, Qt::CaseSensitive);
}

std::vector<std::uint32_t> rank(const std::vector<QByteArrayView>& texts) {
    const std::size_t n = texts.size();
    std::vector<std::uint32_t> ranks(n);
    if (n == 0)
        return ranks;

    // Sort keys of all texts, back to back, each followed by a zero byte.
    std::vector<unsigned char> keys;
    std::vector<qsizetype> keyStart(n + 1);
    // Keys run to about twice the text length plus a few bytes.
    qsizetype textBytes = 0;
    for (const auto& t : texts)
        textBytes += t.size();
    keys.reserve(std::size_t(textBytes) * 2 + n * 8);
    std::vector<char16_t> utf16;

#ifdef OSTRAND_GRID_ICU
    UCollator* icu = icuCollator();
#else
    void* icu = nullptr;
#endif
    for (std::size_t i = 0; i < n; ++i) {
        keyStart[i] = qsizetype(keys.size());
        const QByteArrayView t = texts[i];
        utf16.resize(std::size_t(t.size()));
        for (qsizetype k = 0; k < t.size(); ++k)
            utf16[std::size_t(k)] = cp1251::toChar(static_cast<unsigned char>(t[k])).unicode();
        if (icu) {
#ifdef OSTRAND_GRID_ICU
            unsigned char buf[1024];
            int len = ucol_getSortKey(icu, reinterpret_cast<const UChar*>(utf16.data()), int(utf16.size()), buf,
                                      int(sizeof buf));
            if (len > int(sizeof buf)) {
                const std::size_t at = keys.size();
                keys.resize(at + std::size_t(len));
                ucol_getSortKey(icu, reinterpret_cast<const UChar*>(utf16.data()), int(utf16.size()), keys.data() + at,
                                len);
            } else {
                keys.insert(keys.end(), buf, buf + len);
            }
            // The key's own terminating zero is part of len; drop it, it is added below.
            if (!keys.empty() && std::size_t(keyStart[i]) < keys.size() && keys.back() == 0)
                keys.pop_back();
#endif
        }
        keys.push_back(0);
    }
    keyStart[n] = qsizetype(keys.size());

    // Length of the prefix shared by all keys (texts of one column often start
    // alike); the entries hold the bytes after it.
    qsizetype common = keyStart[1] - keyStart[0] - 1;
    for (std::size_t i = 1; i < n && common > 0; ++i) {
        const unsigned char* a = keys.data() + keyStart[0];
        const unsigned char* b = keys.data() + keyStart[i];
        const qsizetype len = std::min(common, keyStart[i + 1] - keyStart[i] - 1);
        qsizetype k = 0;
        while (k < len && a[k] == b[k])
            ++k;
        common = k;
    }
    std::vector<Entry> entries(n);
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char* key = keys.data() + keyStart[i];
        const qsizetype len = keyStart[i + 1] - keyStart[i] - 1;
        entries[i] = Entry{bytesAt(key, len, common), bytesAt(key, len, common + 8), std::uint32_t(i)};
    }

    if (icu) {
        std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
            if (a.high != b.high)
                return a.high < b.high;
            if (a.low != b.low)
                return a.low < b.low;
            const int c = std::strcmp(reinterpret_cast<const char*>(keys.data() + keyStart[a.index] + common),
                                      reinterpret_cast<const char*>(keys.data() + keyStart[b.index] + common));
            if (c != 0)
                return c < 0;
            return rawCompare(texts[a.index], texts[b.index]) < 0;
        });
    } else {
        // Without direct access to the collation library: one QCollator key per
        // text, compared through the collator.
        std::vector<QCollatorSortKey> qkeys;
        qkeys.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            qkeys.push_back(collator().sortKey(cp1251::decode(texts[i])));
        std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
            const int c = qkeys[a.index].compare(qkeys[b.index]);
            if (c != 0)
                return c < 0;
            return rawCompare(texts[a.index], texts[b.index]) < 0;
        });
    }
    // Equal texts sort next to each other and share a rank.
    std::uint32_t r = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && rawCompare(texts[entries[i].index], texts[entries[i - 1].index]) != 0)
            ++r;
        ranks[entries[i].index] = r;
    }
    return ranks;
}

} // namespace gridcollation
