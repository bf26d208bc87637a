// What the loading sequence relies on: a missing embedded file stops the run with its
// message on standard error and code 1, and every file the loading table names is compiled in.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "assets/resources.h"

namespace {

// Runs extractResource in a child process; returns its exit code and what it printed on
// standard error.
int extractInChild(const char* name, std::string& printed)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDERR_FILENO);
        close(pipeEnds[0]);
        extractResource(name);
        _exit(99);
    }
    close(pipeEnds[1]);
    char buffer[256];
    ssize_t n = 0;
    while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) printed.append(buffer, std::size_t(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MissingResource, SaysWhichOnStandardErrorAndEndsWithOne)
{
    std::string printed;
    EXPECT_EQ(extractInChild("DATA_NOT_THERE_TGA", printed), 1);
    EXPECT_EQ(printed, "Error: Can't get the resource DATA_NOT_THERE_TGA: the program was built without it\n");

    printed.clear();
    EXPECT_EQ(extractInChild("DATA_MENU_JPG", printed), 99);
    EXPECT_EQ(printed, "");
}

TEST(EmbeddedFiles, EveryNameTheLoadingTableReadsIsPresent)
{
    const char* const Names[] = {
        "DATA_FONTS_RAW", "DATA_LOADING_TGA", "DATA_LOADER_TGA", "DATA_MOUSE_TGA",
        "DATA_BUBBLE0_TGA", "DATA_BUBBLE7_TGA", "DATA_SELECT1A_TGA", "DATA_SELECT5B_TGA",
        "DATA_1_TGA", "DATA_2_TGA", "DATA_3_TGA", "DATA_4_TGA", "DATA_6_TGA", "DATA_8_TGA",
        "DATA_9_TGA", "DATA_ZSPHERE_ASC", "DATA_MORA01BACK_JPG", "DATA_MENU_JPG",
        "DATA_PAGE1_PCX", "DATA_PAGE4_PCX",
    };
    for (const char* name : Names) EXPECT_NE(findResource(name), nullptr) << name;
    EXPECT_EQ(findResource("DATA_5_TGA"), nullptr);
    EXPECT_EQ(EmbeddedResourceCount, 36u);
}

}  // namespace
