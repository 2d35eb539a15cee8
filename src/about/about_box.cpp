// The About box's version line and caption.
#include "about/about_box.h"

#include <cstdio>

std::string VersionLine(Language language, unsigned major, unsigned minor, unsigned revision) {
    char text[64];
    std::snprintf(text, sizeof text, "%u.%02u.%04u", major, minor, revision);
    return Words(language, Text::AboutVersion, {text});
}

std::string AboutCaption(Language language, const std::string& title) { return Words(language, Text::AboutCaption, {title}); }
