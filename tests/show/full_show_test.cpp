// A whole headless show from the first frame through every screen of the menu to the exit
// button: the run ends with code 0 at the click, and no frame after it is drawn. Built with
// the sanitizers, the same run also proves the show free of leaks and memory faults.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "show_helpers.h"

namespace {

std::string fullShowScript()
{
    std::ifstream in(std::string(INVITE_SOURCE_DIR) + "/tests/show/full_show.script");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(FullShow, VisitsEveryScreenAndQuitsByTheExitButton)
{
    const std::string script = fullShowScript();
    ASSERT_FALSE(script.empty());
    const ShowRun run = renderShow("full_show", "--until 60000 --snap 45600,54900,55100", script);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto page2 = showFrame(run, "t45600.png");
    const auto menu = showFrame(run, "t54900.png");
    ASSERT_FALSE(page2.empty());
    ASSERT_FALSE(menu.empty());
    EXPECT_NE(page2, menu);
    // The click at 55000 ends the run in that frame: nothing later is shown.
    EXPECT_FALSE(std::filesystem::exists(run.outDir + "/t55100.png"));
}

}  // namespace
