// The About box's version line and caption.
#include "about/about_box.h"

#include <cstdio>

std::string VersionLine(unsigned major, unsigned minor, unsigned revision) {
    char text[64];
    std::snprintf(text, sizeof text, "%u.%02u.%04u", major, minor, revision);
    return std::string("バージョン ") + text;
}

std::string AboutCaption(const std::string& title) { return title + " のバージョン情報"; }
