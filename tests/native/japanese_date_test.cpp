#include <gtest/gtest.h>

#include "face/japanese_date.h"

namespace {

TEST(JapaneseDate, TooltipDateWithEraAndWeekday) {
    struct Case {
        int y, m, d;
        const char* text;
    } cases[] = {
        {2024, 5, 3, "2024年（令和6年）5月3日 金曜日"},
        {1989, 1, 7, "1989年（昭和64年）1月7日 土曜日"},
        {1989, 1, 8, "1989年（平成1年）1月8日 日曜日"},
        {2019, 4, 30, "2019年（平成31年）4月30日 火曜日"},
        {2019, 5, 1, "2019年（令和1年）5月1日 水曜日"},
        {1926, 12, 24, "1926年（大正15年）12月24日 金曜日"},
        {1926, 12, 25, "1926年（昭和1年）12月25日 土曜日"},
        {1912, 7, 29, "1912年（明治45年）7月29日 月曜日"},
        {1912, 7, 30, "1912年（大正1年）7月30日 火曜日"},
        {1868, 1, 1, "1868年（明治1年）1月1日 水曜日"},
        {2100, 12, 31, "2100年（令和82年）12月31日 金曜日"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, DateTooltipText(c.y, c.m, c.d));
}


}  // namespace
