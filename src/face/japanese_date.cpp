// The era and the tooltip's date text.
#include "face/japanese_date.h"

#include <chrono>

namespace {

struct EraStart {
    int year, month, day;
    const char* name;
};

// Newest first.
constexpr EraStart kEras[] = {
    {2019, 5, 1, "令和"}, {1989, 1, 8, "平成"}, {1926, 12, 25, "昭和"}, {1912, 7, 30, "大正"}, {1868, 1, 1, "明治"},
};

constexpr const char* kWeekdays[] = {"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};

}  // namespace

JapaneseEra EraOf(int year, int month, int day) {
    const int key = year * 10000 + month * 100 + day;
    for (const EraStart& era : kEras)
        if (key >= era.year * 10000 + era.month * 100 + era.day) return {era.name, year - era.year + 1};
    return {"", year};
}

std::string DateTooltipText(int year, int month, int day) {
    using namespace std::chrono;
    const JapaneseEra era = EraOf(year, month, day);
    const weekday wd{sys_days{std::chrono::year{year} / month / day}};
    return std::to_string(year) + "年（" + era.name + std::to_string(era.year) + "年）" + std::to_string(month) + "月" +
           std::to_string(day) + "日 " + kWeekdays[wd.c_encoding()];
}
