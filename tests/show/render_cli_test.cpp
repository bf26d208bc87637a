// The offline renderer's command line: frames on the simulated clock, the loading screen,
// and the refusal of malformed arguments and script lines.
#include <gtest/gtest.h>

#include <filesystem>

#include "show_helpers.h"

namespace {

TEST(RenderCommandLine, WritesTheSnappedFrameAt640x480)
{
    const ShowRun run = renderShow("cli_snap", "--until 3000 --snap 1000");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(showFrame(run, "t1000.png").size(), std::size_t(framePixels));
    EXPECT_FALSE(std::filesystem::exists(run.outDir + "/f0.png"));
}

TEST(RenderCommandLine, EveryKthFrameIsNumberedFromTheFirst)
{
    const ShowRun run = renderShow("cli_every", "--fps 10 --until 1000 --every 4");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const char* name : {"f0.png", "f4.png", "f8.png"}) {
        EXPECT_TRUE(std::filesystem::exists(run.outDir + "/" + name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(run.outDir + "/f12.png"));
    EXPECT_FALSE(std::filesystem::exists(run.outDir + "/f3.png"));
}

TEST(RenderCommandLine, MalformedArgumentsEndWithCodeTwoAndNameTheProblem)
{
    const struct { const char* args; const char* named; } Cases[] = {
        {"--fps zero", "--fps"},
        {"--fps 0", "--fps"},
        {"--snap 10,x", "--snap"},
        {"--frobnicate 3", "--frobnicate"},
        {"--until", "--until"},
    };
    for (const auto& c : Cases) {
        const ShowRun run = renderShow("cli_bad", c.args);
        EXPECT_EQ(run.exitCode, 2) << c.args;
        EXPECT_NE(run.output.find(c.named), std::string::npos) << run.output;
    }
}

TEST(RenderCommandLine, MalformedScriptLinesEndWithCodeTwo)
{
    for (const char* line : {"100 jump", "x move 1 2", "100 move 1", "100 down middle", "100 key space",
                             "100 move 700 2", "100 close now", "menu+ close", "menu+-5 close", "menu+5x close"}) {
        const ShowRun run = renderShow("cli_script", "--until 200", std::string("# ok\n") + line + "\n");
        EXPECT_EQ(run.exitCode, 2) << line;
        EXPECT_NE(run.output.find("line 2"), std::string::npos) << run.output;
    }
}

// "menu+<ms>" counts from the menu's cue (41701 here), in the script and in --snap and --until.
TEST(RenderCommandLine, TimesMayCountFromTheMenu)
{
    const ShowRun run = renderShow("cli_menu", "--fps 10 --until menu+400 --snap menu+0,menu+300", "menu+200 key escape\n");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(run.outDir + "/t41701.png"));
    EXPECT_FALSE(std::filesystem::exists(run.outDir + "/t42001.png"));  // the escape came first
    const ShowRun help = renderShow("cli_help", "--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("usage: invite_render"), std::string::npos) << help.output;
}

TEST(RenderCommandLine, ScriptedEscapeEndsTheRunBeforeUntil)
{
    // The escape is handled in the pump of the frame at 400 ms, so that frame is never drawn.
    const ShowRun run = renderShow("cli_escape", "--until 60000 --snap 300,400", "400 key escape\n");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(run.outDir + "/t300.png"));
    EXPECT_FALSE(std::filesystem::exists(run.outDir + "/t400.png"));
}

}  // namespace
