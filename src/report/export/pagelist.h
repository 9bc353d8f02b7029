#pragma once

#include "common/exception.h"

#include <QString>
#include <QStringList>
#include <vector>

// Which pages of a report a printout or an export takes: a page list typed by
// the user ("1,3,5-12", "5-") and odd or even pages only.
enum class TfrPageParity { All = 0, Odd = 1, Even = 2 };

struct TfrPageSelection {
    // 0-based page indexes, ascending, each once.
    std::vector<int> pages;
    // The page numbers of the list that the report does not have (they are
    // skipped), as numbers and ranges of them; empty when all were there.
    QStringList messages;
};

// A page list that is not a list.
class EPageListError : public Exception {
public:
    using Exception::Exception;
};

// The longest page list accepted.
inline constexpr qsizetype kMaxPageListLength = 4096;

// The pages a list selects from a report of `pageCount` pages. Spaces are
// ignored; an empty list means every page; a list ending with "-" runs to the
// last page. Items are separated by ","; an item is a page number or two
// joined by "-" (every page from the first to the second, none when the
// second is smaller). Numbers outside 1..pageCount are skipped with a
// message. Throws EPageListError, saying what is wrong, for anything else.
TfrPageSelection frSelectPages(const QString& list, int pageCount, TfrPageParity parity = TfrPageParity::All);

// Why a text is not a page list; empty when it is one.
QString frPageListError(const QString& list);
