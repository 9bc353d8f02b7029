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
        const char* skipped; // the numbers the message names, "" for no message
    } cases[] = {
        {"1,3,5-12", 10, TfrPageParity::All, {1, 3, 5, 6, 7, 8, 9, 10}, "11-12"},
        {"5-", 7, TfrPageParity::All, {5, 6, 7}, ""},
        {"", 5, TfrPageParity::Even, {2, 4}, ""},
        {"", 5, TfrPageParity::Odd, {1, 3, 5}, ""},
        {"", 0, TfrPageParity::All, {}, ""},
        {" 2 , 1 ,2", 3, TfrPageParity::All, {1, 2}, ""}, // report order, each page once
        {"3-1", 5, TfrPageParity::All, {}, ""},
        {"1-5", 5, TfrPageParity::Even, {2, 4}, ""},
        {"0,6,2", 5, TfrPageParity::All, {2}, "0, 6"},
        {"4-2000000000", 5, TfrPageParity::All, {4, 5}, "6-2000000000"},
        {"1-2000000000", 6, TfrPageParity::All, {1, 2, 3, 4, 5, 6}, "7-2000000000"}, // every page is there
        {"0-3,7-7", 5, TfrPageParity::All, {1, 2, 3}, "0, 7"},
        {"0-9", 5, TfrPageParity::Odd, {1, 3, 5}, "0, 6-9"},
        {"1,,3,", 3, TfrPageParity::All, {1, 3}, ""},
        {"7-", 5, TfrPageParity::All, {}, ""}, // "7-5": nothing, the second is smaller
    };
    for (const auto& c : cases) {
        const TfrPageSelection s = frSelectPages(QString::fromUtf8(c.list), c.count, c.parity);
        EXPECT_EQ(numbers(s), c.pages) << c.list;
        if (*c.skipped) {
            ASSERT_EQ(s.messages.size(), 1) << c.list;
            EXPECT_EQ(s.messages[0], QStringLiteral("В отчёте %1 стр.; пропущены номера вне отчёта: %2")
                                         .arg(c.count)
                                         .arg(QString::fromUtf8(c.skipped)))
                << c.list;
        } else {
            EXPECT_TRUE(s.messages.isEmpty()) << c.list;
        }
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
