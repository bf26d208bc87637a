// assetgen: writes every embedded file of the invitation and its soundtrack from the party's
// content file.
//   assetgen [--content FILE] [--without-soundtrack] DIR
//                                  all resources, resources.list, the headers, STEM.nfo
//                                  and STEM.mp3 (unless left out; STEM is [files] stem)
//   assetgen [--content FILE] --check            only checks the content file; "ok" when right
//   assetgen [--content FILE] --contact-sheet FILE.png   every picture on one sheet
//   assetgen [--content FILE] --web-facts FILE.json      the web page's title, description
//                                  and the pages' texts as HTML
//   assetgen --test-track FILE.mp3 SECS          a short tone with a tick each second
//   assetgen --hits FILE [--until SECONDS]      the strongest onsets of a WAV, FLAC, OGG or
//                                  MP3 file (of its start only, with --until), for cues
//   assetgen --help                              this usage
// Exit codes: 0 done, 1 a file could not be written, the folder's soundtrack is not one
// assetgen wrote, or the fonts are missing, 2 a wrong command line, 3 the content file was
// rejected (nothing was written).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/assetgen/catalogue.h"
#include "tools/assetgen/content.h"
#include "tools/assetgen/content_fit.h"
#include "tools/assetgen/party_check.h"
#include "tools/assetgen/soundtrack.h"
#include "tools/assetgen/music.h"
#include "tools/assetgen/text.h"
#include "tools/assetgen/web_facts.h"
#include "tools/assetgen/writers.h"

namespace {

constexpr int ExitWriteFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitContentRejected = 3;

void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: assetgen [--content FILE] [--without-soundtrack] DIR\n"
                 "       assetgen [--content FILE] --check\n"
                 "       assetgen [--content FILE] --contact-sheet FILE.png\n"
                 "       assetgen [--content FILE] --web-facts FILE.json\n"
                 "       assetgen --test-track FILE.mp3 SECONDS\n"
                 "       assetgen --hits FILE [--until SECONDS]   (FILE: WAV, FLAC, OGG or MP3)\n"
                 "The content file is %s unless given.\n",
                 DefaultContentFile);
}

int usage()
{
    printUsage(stderr);
    return ExitUsage;
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
        return ExitWriteFailed;
    }
    return 0;
}

struct Command {
    std::string contentFile = DefaultContentFile;
    std::string folder;
    std::string contactSheet;
    std::string webFacts;
    bool check = false;
    bool withSoundtrack = true;
};

bool parseCommand(int argc, char** argv, Command& command)
{
    for (int k = 1; k < argc; ++k) {
        const std::string word = argv[k];
        if (word == "--content" && k + 1 < argc) command.contentFile = argv[++k];
        else if (word == "--contact-sheet" && k + 1 < argc) command.contactSheet = argv[++k];
        else if (word == "--web-facts" && k + 1 < argc) command.webFacts = argv[++k];
        else if (word == "--check") command.check = true;
        else if (word == "--without-soundtrack") command.withSoundtrack = false;
        else if (!word.empty() && word[0] != '-' && command.folder.empty()) command.folder = word;
        else return false;
    }
    const int actions = int(!command.folder.empty()) + int(!command.contactSheet.empty()) + int(command.check) +
                        int(!command.webFacts.empty());
    return actions == 1 && (command.withSoundtrack || !command.folder.empty());
}

// Loads and checks the content file, printing every problem and warning found.
bool readContent(const std::string& file, PartyContent& content)
{
    std::vector<ContentError> errors;
    checkPartyFile(file, content, errors);
    for (const ContentError& error : errors) std::fprintf(stderr, "%s\n", formatError(file, error).c_str());
    const int problems = problemCount(errors);
    if (problems == 0) return true;
    std::fprintf(stderr, "assetgen: %s has %d problem%s; nothing was written\n", escapeControls(file).c_str(),
                 problems, problems == 1 ? "" : "s");
    return false;
}

int printHits(const std::string& path, double until)
{
    Bytes bytes;
    std::string why;
    if (!readSoundtrackFile(path, bytes, &why)) {
        std::fprintf(stderr, "assetgen: %s\n", escapeControls(why).c_str());
        return ExitWriteFailed;
    }
    DecodedSound sound = decodeSound(bytes);
    if (!sound.ok || sound.channels < 1 || sound.channels > 2) {
        std::fprintf(stderr, "assetgen: %s: %s\n", escapeControls(path).c_str(),
                     sound.ok ? "only mono and stereo files can be searched" : sound.problem.c_str());
        return ExitWriteFailed;
    }
    const double seconds = sound.lengthMs() / 1000.0;
    if (until > 0 && until * sound.sampleRate < double(sound.mono.size()))
        sound.mono.resize(std::size_t(until * sound.sampleRate));
    std::printf("# the strongest onsets of %s (%s, %.1f s long", escapeControls(path).c_str(),
                soundFormatName(sound.format), seconds);
    if (until > 0 && until < seconds) std::printf(", its first %.1f s", until);
    std::printf("): time, strength\n");
    for (const Hit& hit : findHits(sound.mono, sound.sampleRate, 24))
        std::printf("%9.3f s  %5.1f\n", hit.seconds, hit.strength);
    return 0;
}

// --hits FILE [--until SECONDS], in either order after --hits.
int hitsCommand(int argc, char** argv)
{
    std::string file;
    double until = 0;
    for (int k = 2; k < argc; ++k) {
        const std::string word = argv[k];
        if (word == "--until" && k + 1 < argc) {
            char* end = nullptr;
            until = std::strtod(argv[++k], &end);
            if (*end != '\0' || !(until > 0)) return usage();
        } else if (file.empty() && !word.empty() && word[0] != '-') {
            file = word;
        } else {
            return usage();
        }
    }
    return file.empty() ? usage() : printHits(file, until);
}

// What the command asks for, from content that passed its checks. A writer that fails on a
// line of the content names that line; any other failure names the file it was writing.
int writeOutputs(const Command& command, const PartyContent& content)
{
    const std::string output = !command.contactSheet.empty() ? command.contactSheet
                               : !command.webFacts.empty()   ? command.webFacts
                                                             : command.folder;
    try {
        if (!command.contactSheet.empty()) return writeContactSheet(command.contactSheet, content) ? 0 : ExitWriteFailed;
        if (!command.webFacts.empty()) {
            if (writeWebFacts(command.webFacts, content)) return 0;
            std::fprintf(stderr, "assetgen: cannot write %s\n", escapeControls(command.webFacts).c_str());
            return ExitWriteFailed;
        }
        if (!command.folder.empty())
            return writeAllResources(command.folder, content, command.withSoundtrack) ? 0 : ExitWriteFailed;
    } catch (const LineFailure& failure) {
        const ContentError error{failure.origin.line, failure.origin.field,
                                 std::string("cannot be written into ") + output + ": " + failure.what()};
        std::fprintf(stderr, "%s\n", formatError(command.contentFile, error).c_str());
        return ExitWriteFailed;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "assetgen: %s: cannot write %s: %s\n", escapeControls(command.contentFile).c_str(),
                     escapeControls(output).c_str(), failure.what());
        return ExitWriteFailed;
    }
    std::printf("%s: ok\n", command.contentFile.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        printUsage(stdout);
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "--test-track") return writeTestTrack(argv[2], argv[3]);
    if (argc >= 3 && std::string(argv[1]) == "--hits") return hitsCommand(argc, argv);
    Command command;
    if (!parseCommand(argc, argv, command)) return usage();
    if (!openFaces()) {
        std::fprintf(stderr, "assetgen: the DejaVu fonts are missing (fonts-dejavu-core)\n");
        return ExitWriteFailed;
    }
    PartyContent content;
    const int result = readContent(command.contentFile, content) ? writeOutputs(command, content) : ExitContentRejected;
    closeFaces();
    return result;
}
