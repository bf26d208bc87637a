// assetgen: writes every embedded file of the invitation and its soundtrack.
//   assetgen DIR                          all resources, resources.list and zura5inv.mp3
//   assetgen --contact-sheet FILE.png     every picture on one sheet
//   assetgen --test-track FILE.mp3 SECS   a short tone with a tick each second
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/music.h"
#include "tools/assetgen/text.h"
#include "tools/assetgen/writers.h"

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: assetgen DIR | --contact-sheet FILE.png | --test-track FILE.mp3 SECONDS\n");
    return 2;
}

int writeTestTrack(const std::string& path, const char* secondsText)
{
    char* end = nullptr;
    double seconds = std::strtod(secondsText, &end);
    if (*end != '\0' || !(seconds > 0 && seconds <= 600)) return usage();
    StereoTrack track = composeTestTrack(seconds);
    normalisePeak(track, 0.7);
    if (!writeBytes(path, encodeMp3(track))) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--test-track") return writeTestTrack(argv[2], argv[3]);
    if (!openFaces()) {
        std::fprintf(stderr, "assetgen: the DejaVu fonts are missing (fonts-dejavu-core)\n");
        return 1;
    }
    int result;
    if (argc == 3 && std::string(argv[1]) == "--contact-sheet")
        result = writeContactSheet(argv[2]) ? 0 : 1;
    else if (argc == 2 && argv[1][0] != '-')
        result = writeAllResources(argv[1]) ? 0 : 1;
    else
        result = usage();
    closeFaces();
    return result;
}
