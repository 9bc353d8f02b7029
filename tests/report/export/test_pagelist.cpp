// Page lists typed by the user, with odd and even pages.

#include "report/export/pagelist.h"

#include <gtest/gtest.h>

namespace {

std::vector<int> numbers(const TfrPageSelection& s) {
    std::vector<int> out;
    for (int i : s.pages)
        out.push_back(i + 1);
    return out;
}

TEST(PageList, SelectsThePagesOfTheList) {
    const struct {
        const char* list;
        int count;
        TfrPageParity parity;
        std::vector<int> pages;
        bool message;
    } cases[] = {
        {"1,3,5-12", 10, TfrPageParity::All, {1, 3, 5, 6, 7, 8, 9, 10}, true},
        {"5-", 7, TfrPageParity::All, {5, 6, 7}, false},
        {"", 5, TfrPageParity::Even, {2, 4}, false},
        {"", 5, TfrPageParity::Odd, {1, 3, 5}, false},
        {"", 0, TfrPageParity::All, {}, false},
        {" 2 , 1 ,2", 3, TfrPageParity::All, {1, 2}, false}, // report order, each page once
        {"3-1", 5, TfrPageParity::All, {}, false},
        {"1-5", 5, TfrPageParity::Even, {2, 4}, false},
        {"0,6,2", 5, TfrPageParity::All, {2}, true},
        {"4-2000000000", 5, TfrPageParity::All, {4, 5}, true},
        {"1,,3,", 3, TfrPageParity::All, {1, 3}, false},
        {"7-", 5, TfrPageParity::All, {}, false}, // "7-5": nothing, the second is smaller
    };
    for (const auto& c : cases) {
        const TfrPageSelection s = frSelectPages(QString::fromUtf8(c.list), c.count, c.parity);
        EXPECT_EQ(numbers(s), c.pages) << c.list;
        EXPECT_EQ(!s.messages.isEmpty(), c.message) << c.list;
        EXPECT_TRUE(frPageListError(QString::fromUtf8(c.list)).isEmpty()) << c.list;
    }
}

TEST(PageList, RefusesTextsThatAreNoList) {
    for (const char* list : {"a", "1-2-3", "-5", "1;2", "99999999999", "+3", "1.5", "1-x", "١"}) {
        EXPECT_THROW(frSelectPages(QString::fromUtf8(list), 10), EPageListError) << list;
        EXPECT_FALSE(frPageListError(QString::fromUtf8(list)).isEmpty()) << list;
    }
    EXPECT_THROW(frSelectPages(QString(kMaxPageListLength + 1, u'1'), 10), EPageListError);
}

} // namespace
