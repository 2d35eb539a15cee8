// Splitting a text at a separator. Portable.
#pragma once
#include <string_view>
#include <vector>

// The pieces between the separators, empty ones included: n separators give n + 1 pieces.
inline std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return pieces;
        start = end + 1;
    }
}
