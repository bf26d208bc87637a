// Speed and memory figures: the loading sequence and one frame of every phase of the show,
// next to the floor of any frame (a clear and one full-frame copy), and the peak resident
// memory of a whole headless show.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/headless.h"
#include "base/input.h"
#include "app/loading.h"
#include "app/timeline.h"
#include "assets/asc.h"
#include "render/backdrop.h"
#include "render/mesh.h"
#include "scenes/sphere.h"
#include "scenes/menu.h"

namespace {

std::vector<Pixel> benchFrame(framePixels);
std::vector<Pixel> benchPicture(framePixels, 0x203040);

void loadOnce(LoadedAssets& assets)
{
    progressX = 0;
    buildRowOffsets();
    showLoadingScreen(assets);
    loadAssets(assets);
}

// The assets every frame benchmark draws with, loaded once for the process.
const LoadedAssets& sharedAssets()
{
    static bool loaded = false;
    if (!loaded) {
        loadOnce(loadedAssets);
        loaded = true;
    }
    return loadedAssets;
}

void clearFrame(Pixel* frame)
{
    std::memset(frame, 0, framePixels * sizeof(Pixel));
}

void BM_Baseline(benchmark::State& state)
{
    for (auto _ : state) {
        clearFrame(benchFrame.data());
        std::memcpy(benchFrame.data(), benchPicture.data(), framePixels * sizeof(Pixel));
        benchmark::DoNotOptimize(benchFrame.data());
        benchmark::ClobberMemory();
    }
}

void BM_Loading(benchmark::State& state)
{
    for (auto _ : state) {
        LoadedAssets assets{};
        loadOnce(assets);
        releaseBuffers(assets);
    }
}

// The bench's frame, kept from one pass to the next as the console keeps its frame.
Frame keepBenchFrame()
{
    forgetKeptFrame();
    return keepFrame(benchFrame.data());
}

// One frame of the timeline at `time` with `screen` open (the intro and the menu follow the
// time), drawn as the frame loop draws it.
void runPhase(benchmark::State& state, std::int32_t time, Screen screen)
{
    const LoadedAssets& assets = sharedAssets();
    menuFlags = MenuFlags{};
    menuFlags.crossfadeLevel = 0;
    if (pageOpen(screen)) {
        menuFlags.screen = screen;
        menuFlags.page3Scroll = 300;
    }
    inputState = InputState{};
    inputState.mouseX = 300;
    inputState.mouseY = 160;
    keepBenchFrame();
    for (auto _ : state) {
        runTimeline(keepFrame(benchFrame.data()), time, assets);
        benchmark::DoNotOptimize(benchFrame.data());
        benchmark::ClobberMemory();
    }
}

// The first seven crossfade frames, before the level settles at 0: levels 7 down to 1, each
// a picture other than the one before, so none is only put back where it was drawn over.
void BM_CrossfadeFlash(benchmark::State& state)
{
    const LoadedAssets& assets = sharedAssets();
    menuFlags = MenuFlags{};
    keepBenchFrame();
    int level = 7;
    for (auto _ : state) {
        menuFlags.crossfadeLevel = level;
        level = level == 1 ? 7 : level - 1;
        runTimeline(keepFrame(benchFrame.data()), 41701, assets);
        benchmark::DoNotOptimize(benchFrame.data());
        benchmark::ClobberMemory();
    }
}

// The globe's passes on the show's model turning from frame to frame: the turn alone, the
// turn and the whole sort of every face, and the turn and the show's drawing of the filled
// faces, then with the wire. The drawing sorts only as far as the faces it draws need.
enum class GlobePasses { turn, sort, fill, wire };

void runGlobe(benchmark::State& state, GlobePasses last)
{
    sharedAssets();
    Mesh& mesh = sceneMesh;
    SphereState sphere;
    mesh.fillLit = 1;
    mesh.wireLit = 0;
    mesh.fillRed = mesh.fillGreen = mesh.fillBlue = 64;
    mesh.wireRed = mesh.wireGreen = mesh.wireBlue = 16;
    for (auto _ : state) {
        turnSphere(mesh, sphere);
        placeSphere(mesh);
        if (last == GlobePasses::sort) prepareFaces(mesh);
        if (last >= GlobePasses::fill) {
            projectSphere(mesh);
            prepareAndDrawMesh(benchFrame.data(), mesh, 1, last == GlobePasses::wire);
        }
        benchmark::DoNotOptimize(benchFrame.data());
        benchmark::ClobberMemory();
    }
}

void BM_GlobeTurn(benchmark::State& state) { runGlobe(state, GlobePasses::turn); }
void BM_GlobeSort(benchmark::State& state) { runGlobe(state, GlobePasses::sort); }
void BM_GlobeFill(benchmark::State& state) { runGlobe(state, GlobePasses::fill); }
void BM_GlobeWire(benchmark::State& state) { runGlobe(state, GlobePasses::wire); }

void BM_Intro(benchmark::State& state) { runPhase(state, 30000, Screen::intro); }
void BM_Crossfade(benchmark::State& state) { runPhase(state, 42000, Screen::menu); }
void BM_Menu(benchmark::State& state) { runPhase(state, 50000, Screen::menu); }
void BM_Page3(benchmark::State& state) { runPhase(state, 50000, Screen::page3); }
void BM_ClockPage(benchmark::State& state) { runPhase(state, 50000, Screen::clock); }

// Every benchmark in the order of the closing table; the guarded phases are held to at most
// guardRatio times the baseline.
struct BenchPhase {
    const char* name;
    void (*run)(benchmark::State&);
    benchmark::TimeUnit unit;
    bool guarded;
};

constexpr BenchPhase BenchPhases[] = {
    {"BM_Baseline", BM_Baseline, benchmark::kMicrosecond, false},
    {"BM_Intro", BM_Intro, benchmark::kMicrosecond, true},
    {"BM_CrossfadeFlash", BM_CrossfadeFlash, benchmark::kMicrosecond, true},
    {"BM_Crossfade", BM_Crossfade, benchmark::kMicrosecond, true},
    {"BM_Menu", BM_Menu, benchmark::kMicrosecond, true},
    {"BM_Page3", BM_Page3, benchmark::kMicrosecond, true},
    {"BM_ClockPage", BM_ClockPage, benchmark::kMicrosecond, true},
    {"BM_GlobeTurn", BM_GlobeTurn, benchmark::kMicrosecond, false},
    {"BM_GlobeSort", BM_GlobeSort, benchmark::kMicrosecond, false},
    {"BM_GlobeFill", BM_GlobeFill, benchmark::kMicrosecond, false},
    {"BM_GlobeWire", BM_GlobeWire, benchmark::kMicrosecond, false},
    {"BM_Loading", BM_Loading, benchmark::kMillisecond, false},
};

constexpr double guardRatio = 1.5;

// A median's wall-clock and processor time, in microseconds.
struct Median {
    double wall = 0;
    double processor = 0;
};

// Collects the medians so that the closing table can set every phase against the baseline.
class MedianTable : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                const double perMicrosecond = benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e-6;
                medians[run.run_name.function_name] = {run.GetAdjustedRealTime() / perMicrosecond,
                                                       run.GetAdjustedCPUTime() / perMicrosecond};
            }
        }
    }
    std::map<std::string, Median> medians;
};

// Runs a whole headless show (the intro, the menu and every page) as a child process and
// returns its peak resident memory in kilobytes.
long showPeakKilobytes(const char* self)
{
    std::string render = self;
    render = render.substr(0, render.find_last_of('/') + 1) + "invite_render";
    const char script[] = "/tmp/invite_bench_show.txt";
    std::FILE* file = std::fopen(script, "w");
    if (file == nullptr) return -1;
    std::fputs("42500 move 300 125\n42600 down left\n42700 up left\n43000 down right\n43100 up right\n"
               "43500 move 300 200\n43600 down left\n43700 up left\n44000 key pagedown\n"
               "44500 down left\n44600 up left\n45000 move 300 40\n45100 down left\n45200 up left\n",
               file);
    std::fclose(file);
    const pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        execl(render.c_str(), render.c_str(), "--until", "50000", "--script", script, "--out",
              "/tmp/invite_bench_out", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) < 0) return -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

// Each phase against the baseline by wall clock and by processor time (on a machine shared
// with other work the processor time is the steadier), then the guard's verdict by both.
void printTable(const std::map<std::string, Median>& medians, long peakKb)
{
    const auto baseline = medians.find("BM_Baseline");
    if (baseline == medians.end()) return;
    const Median base = baseline->second;
    std::printf("\n%-16s %12s %10s %14s\n", "phase", "median (us)", "x baseline", "processor x");
    double worstWall = 0;
    double worstProcessor = 0;
    int guarded = 0;
    for (const BenchPhase& phase : BenchPhases) {
        const auto found = medians.find(phase.name);
        if (found == medians.end()) continue;
        const Median m = found->second;
        std::printf("%-16s %12.1f %10.2f %14.2f\n", phase.name + 3, m.wall, m.wall / base.wall,
                    m.processor / base.processor);
        if (!phase.guarded) continue;
        ++guarded;
        worstWall = std::max(worstWall, m.wall / base.wall);
        worstProcessor = std::max(worstProcessor, m.processor / base.processor);
    }
    if (guarded > 0) {
        std::printf("\nevery phase at most %.1fx the baseline: %s by wall clock (worst %.2f), %s by processor time "
                    "(worst %.2f)\n",
                    guardRatio, worstWall <= guardRatio ? "yes" : "NO", worstWall,
                    worstProcessor <= guardRatio ? "yes" : "NO", worstProcessor);
    }
    if (peakKb >= 0) std::printf("\npeak resident memory of a headless show: %.1f MB\n", peakKb / 1024.0);
}

}  // namespace

int main(int argc, char** argv)
{
    // Five repetitions unless the command line asks for another number: a later flag wins.
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=5";
    args.insert(args.begin() + 1, repetitions);
    argc = int(args.size());
    args.push_back(nullptr);
    argv = args.data();
    for (const BenchPhase& phase : BenchPhases) {
        benchmark::RegisterBenchmark(phase.name, phase.run)->ReportAggregatesOnly(true)->Unit(phase.unit);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianTable table;
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    printTable(table.medians, showPeakKilobytes(argv[0]));
    return 0;
}
