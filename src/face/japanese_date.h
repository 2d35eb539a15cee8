// The date as the face's tooltip shows it: "yyyy年（ggge年）m月d日 aaaa". Portable.
#pragma once
#include <string>

struct JapaneseEra {
    const char* name;  // UTF-8
    int year;          // year of the era, 1 in the year it began
};

// The era of a date of the common era, with the start dates Windows uses. Dates before
// Meiji have no era: the name is empty and the year is the common-era year.
JapaneseEra EraOf(int year, int month, int day);

// The tooltip text in UTF-8.
std::string DateTooltipText(int year, int month, int day);
