#pragma once
// Runs the offline renderer as a separate process and reads back the frames it wrote.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "render/primitives.h"
#include "tools/png_writer.h"

struct ShowRun {
    int exitCode = -1;
    std::string outDir;
    std::string output;  // standard output and error of the run
};

// A fresh output folder for one run. The process id keeps apart the runs of tests that the
// test runner starts side by side, each in its own process.
inline std::string showOutDir(const std::string& name)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "invite_show" /
                                      (name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

// Runs `invite_render <args> --out DIR` (the script, when given, is written to DIR/script.txt
// and passed with --script), from the reference party's resources folder, whose files the
// renderer of the tests embeds. `renderer` may name another build of it.
inline ShowRun renderShow(const std::string& name, const std::string& args,
                          const std::string& script = "", const std::string& renderer = INVITE_RENDER)
{
    ShowRun run;
    run.outDir = showOutDir(name);
    std::string command = renderer + " " + args + " --out " + run.outDir;
    if (!script.empty()) {
        const std::string scriptPath = run.outDir + "/script.txt";
        std::ofstream(scriptPath) << script;
        command += " --script " + scriptPath;
    }
    const std::string log = run.outDir + "/log.txt";
    command = "cd " + std::string(INVITE_REFERENCE_RESOURCES) + " && " + command + " >" + log + " 2>&1";
    const int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(log);
    run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return run;
}

// A 640x480 frame written by the run; empty when missing.
inline std::vector<Pixel> showFrame(const ShowRun& run, const std::string& file)
{
    std::vector<Pixel> pixels;
    int width = 0;
    int height = 0;
    if (!readPng(run.outDir + "/" + file, pixels, width, height)) return {};
    if (width != screenWidth || height != screenHeight) return {};
    return pixels;
}

inline Pixel pixelAt(const std::vector<Pixel>& frame, int x, int y)
{
    return frame[std::size_t(y) * screenWidth + x];
}
