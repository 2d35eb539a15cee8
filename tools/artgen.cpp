// Writes the clock's artwork into a folder: artgen <folder>.
#include <cstdio>
#include <string>

#include "led_art.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: artgen <output folder>\n");
        return 2;
    }
    for (const ArtFile& file : DrawAllArtwork()) {
        const std::string path = std::string(argv[1]) + "/" + file.name;
        if (!WriteFileBytes(path, file.bytes)) {
            std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
