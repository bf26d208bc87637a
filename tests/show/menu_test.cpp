// The menu in the running show: crossfade, pages opened by clicks, scrolling by keys, the
// clock page and the exit button, driven through the offline renderer's input script.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scenes/menu.h"
#include "scenes/pages.h"
#include "show/show_helpers.h"

namespace {

std::vector<std::uint8_t> resourceFile(const std::string& name)
{
    std::ifstream in(std::string(INVITE_REFERENCE_RESOURCES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A page picture read straight from its file by the run-length rule, without the program's
// decoder: from byte 128, a byte with both top bits set repeats the byte after it as many
// times as its low six bits say, any other byte is one index; an index picks three bytes of
// the palette that ends the file.
std::vector<Pixel> pagePicture(int page)
{
    const std::vector<std::uint8_t> file = resourceFile("page" + std::to_string(page + 1) + ".pcx");
    const std::size_t count = std::size_t(pageWidth) * pageHeights[page];
    std::vector<Pixel> pixels;
    if (file.size() < 128 + 768) return pixels;
    const std::uint8_t* palette = file.data() + file.size() - 768;
    const auto colourOf = [palette](std::uint8_t index) {
        return Pixel(palette[3 * index]) << 16 | Pixel(palette[3 * index + 1]) << 8 | palette[3 * index + 2];
    };
    for (std::size_t at = 128; pixels.size() < count && at < file.size();) {
        const std::uint8_t byte = file[at++];
        const int repeats = byte >= 0xC0 ? byte - 0xC0 : 1;
        const std::uint8_t index = byte >= 0xC0 ? file[at++] : byte;
        for (int k = 0; k < repeats && pixels.size() < count; ++k) pixels.push_back(colourOf(index));
    }
    return pixels;
}

// The menu picture decoded by the JPEG library directly, as red-green-blue bytes.
std::vector<Pixel> menuPicture()
{
    const std::vector<std::uint8_t> file = resourceFile("menu.jpg");
    std::vector<std::uint8_t> rgb(std::size_t(framePixels) * 3);
    tjhandle handle = tjInitDecompress();
    const int failed = tjDecompress2(handle, file.data(), file.size(), rgb.data(), screenWidth, 0,
                                     screenHeight, TJPF_RGB, 0);
    tjDestroy(handle);
    std::vector<Pixel> pixels;
    if (failed != 0) return pixels;
    for (std::size_t k = 0; k < std::size_t(framePixels); ++k) {
        pixels.push_back(Pixel(rgb[3 * k]) << 16 | Pixel(rgb[3 * k + 1]) << 8 | rgb[3 * k + 2]);
    }
    return pixels;
}

// A 176x18 button image: little-endian pixels after the 18-byte header, bottom row first.
std::vector<Pixel> buttonPicture(const std::string& name)
{
    const std::vector<std::uint8_t> file = resourceFile(name);
    std::vector<Pixel> pixels(std::size_t(buttonWidth) * buttonHeight, 0);
    for (std::size_t k = 0; k < pixels.size() && 18 + 4 * k + 3 < file.size(); ++k) {
        const std::uint8_t* p = file.data() + 18 + 4 * k;
        pixels[k] = Pixel(p[0]) | Pixel(p[1]) << 8 | Pixel(p[2]) << 16;
    }
    return pixels;
}

bool inAnyButton(int x, int y)
{
    if (x < buttonLeft || x >= buttonLeft + buttonWidth) return false;
    for (int top : MenuButtonTops) {
        if (y >= top && y < top + buttonHeight) return true;
    }
    return false;
}

// A left click at (x, y) pressed at time t and released 10 ms later.
std::string clickAt(int t, int x, int y)
{
    return std::to_string(t) + " move " + std::to_string(x) + " " + std::to_string(y) + "\n" +
           std::to_string(t) + " down left\n" + std::to_string(t + 10) + " up left\n";
}

std::string rightClickAt(int t)
{
    return std::to_string(t) + " down right\n" + std::to_string(t + 10) + " up right\n";
}

std::string keyAt(int t, const char* key)
{
    return std::to_string(t) + " key " + key + "\n";
}

// One run walks the whole menu: each page, scrolling, the clock page, then the exit button.
struct MenuShow : ::testing::Test {
    static inline ShowRun run;
    static inline std::vector<Pixel> menu;

    static void SetUpTestSuite()
    {
        std::string script = "# menu untouched until 44100\n";
        script += clickAt(44100, 300, 130) + rightClickAt(44250);                          // page 1
        script += clickAt(44300, 300, 165) + keyAt(44450, "pagedown") + rightClickAt(44550);  // page 2
        script += clickAt(44600, 300, 200) + keyAt(44750, "pagedown") + keyAt(44750, "pagedown") +
                  keyAt(44750, "pagedown") + keyAt(44850, "escape");  // page 3
        script += clickAt(44900, 300, 240) + rightClickAt(45050);  // page 4
        script += clickAt(45100, 320, 40) + rightClickAt(45250);   // clock page
        script += clickAt(45300, 300, 290);                        // exit
        run = renderShow("menu_walk", "--fps 100 --start 44000 --until 47000 "
                                      "--snap 44050,44200,44400,44500,44700,44800,45000,45200,46000",
                         script);
        menu = showFrame(run, "t44050.png");
    }

    // Outside the page's rectangle the frame is the menu; inside, the menu plus the page
    // rows from firstRow (the buttons are not drawn while a page is open, so skipped).
    static void expectPage(const std::vector<Pixel>& frame, int page, int firstRow, int rows)
    {
        ASSERT_FALSE(frame.empty());
        ASSERT_FALSE(menu.empty());
        const std::vector<Pixel> image = pagePicture(page);
        ASSERT_EQ(image.size(), std::size_t(pageWidth) * pageHeights[page]);
        int mismatches = 0;
        for (int y = 0; y < screenHeight && mismatches < 5; ++y) {
            for (int x = 0; x < screenWidth && mismatches < 5; ++x) {
                const bool onPage = x >= 30 && x < 30 + pageWidth && y >= 100 && y < 100 + rows;
                if (onPage && inAnyButton(x, y)) continue;
                Pixel expected = pixelAt(menu, x, y);
                if (onPage) {
                    const Pixel v = image[std::size_t(firstRow + y - 100) * pageWidth + x - 30];
                    if (v != 0) expected = addSaturated(expected, v);
                }
                if (pixelAt(frame, x, y) != expected) {
                    ++mismatches;
                    ADD_FAILURE() << "page " << page + 1 << " at (" << x << ", " << y << ")";
                }
            }
        }
    }
};

TEST_F(MenuShow, ButtonsOpenTheirPagesOverTheMenu)
{
    expectPage(showFrame(run, "t44200.png"), 0, 0, 378);
    expectPage(showFrame(run, "t44400.png"), 1, 0, 380);
    expectPage(showFrame(run, "t44700.png"), 2, 0, 380);
    expectPage(showFrame(run, "t45000.png"), 3, 0, 307);
}

TEST_F(MenuShow, PageDownScrollsToTheClampedRow)
{
    expectPage(showFrame(run, "t44500.png"), 1, 150, 380);
    expectPage(showFrame(run, "t44800.png"), 2, 893, 380);
}

TEST_F(MenuShow, ClockPageShowsItsTextsAndTheSphere)
{
    const std::vector<Pixel> clock = showFrame(run, "t45200.png");
    ASSERT_FALSE(clock.empty());
    ASSERT_FALSE(menu.empty());
    auto whiteIn = [&](int x1, int x2, int y1, int y2) {
        int count = 0;
        for (int y = y1; y <= y2; ++y) {
            for (int x = x1; x <= x2; ++x) count += pixelAt(clock, x, y) == 0xFFFFFF;
        }
        return count;
    };
    EXPECT_GT(whiteIn(37, 200, 466, 473), 50) << "the long date";
    EXPECT_GT(whiteIn(270, 340, 101, 108), 30) << "the label";
    EXPECT_GT(whiteIn(347, 375, 101, 108), 5) << "the count";
    EXPECT_GT(whiteIn(575, 632, 466, 473), 30) << "the time";

    // Away from the texts and the button rectangles, whatever differs from the menu is the
    // sphere drawn over the page.
    int sphere = 0;
    for (int y = 111; y < 465; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            if (!inAnyButton(x, y)) sphere += pixelAt(clock, x, y) != pixelAt(menu, x, y);
        }
    }
    EXPECT_GT(sphere, 1000);
}

TEST_F(MenuShow, ExitButtonEndsTheRunWithCodeZero)
{
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_FALSE(std::filesystem::exists(run.outDir + "/t46000.png")) << "the run went on after the exit button";
}

TEST_F(MenuShow, TapsWhosePressAndReleaseShareAFrameOpenAndLeaveAPage)
{
    // Press and release at the same millisecond reach the same message pump, as a quick tap
    // on a touchpad or a synthetic click do.
    const std::string script = "44100 move 300 130\n44100 down left\n44100 up left\n"
                               "44250 down right\n44250 up right\n44260 move 620 300\n";
    const ShowRun taps = renderShow("menu_taps", "--fps 100 --start 44000 --until 44400 --snap 44200,44300", script);
    ASSERT_EQ(taps.exitCode, 0) << taps.output;
    expectPage(showFrame(taps, "t44200.png"), 0, 0, 378);
    EXPECT_EQ(showFrame(taps, "t44300.png"), menu) << "the right tap did not return to the menu";
}

TEST(MenuExit, FrameOfTheClickIsNotPresented)
{
    // Frames 0..9 read 44000..44090 ms; the press reaches the frame of 44100, which quits.
    const ShowRun run = renderShow("menu_exit", "--fps 100 --start 44000 --until 45000 --every 1",
                                   clickAt(44100, 300, 290));
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(std::filesystem::exists(run.outDir + "/f9.png"));
    EXPECT_FALSE(std::filesystem::exists(run.outDir + "/f10.png"));
}

TEST(MenuCrossfade, FirstFrameAt41701IsSevenEighthsTowardWhite)
{
    // The show steps every 1/60 s: from 41700 the passes read 41700, 41716, 41733, ...
    const ShowRun run = renderShow("menu_crossfade", "--start 41700 --until 41860 "
                                                     "--snap 41700,41716,41833,41850");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::vector<Pixel> intro = showFrame(run, "t41700.png");
    const std::vector<Pixel> first = showFrame(run, "t41716.png");
    const std::vector<Pixel> eighth = showFrame(run, "t41833.png");
    const std::vector<Pixel> ninth = showFrame(run, "t41850.png");
    ASSERT_FALSE(intro.empty() || first.empty() || eighth.empty() || ninth.empty());

    EXPECT_EQ(eighth, ninth) << "from the eighth frame the level holds at 0";
    EXPECT_NE(intro, first);
    int mismatches = 0;
    for (int y = 0; y < screenHeight && mismatches < 5; ++y) {
        for (int x = 0; x < screenWidth && mismatches < 5; ++x) {
            const Pixel base = pixelAt(eighth, x, y);
            Pixel expected = base;  // the buttons stay at full brightness
            if (!inAnyButton(x, y)) {
                expected = 0;
                for (int shift : {16, 8, 0}) expected |= ((255 * 7 + (base >> shift & 0xFF)) / 8) << shift;
            }
            if (pixelAt(first, x, y) != expected) {
                ++mismatches;
                ADD_FAILURE() << "(" << x << ", " << y << ")";
            }
        }
    }
}


// Started at 44000, the first frame is the crossfade's first level (seven eighths toward
// white, the buttons over it); the next pass's frame (44016) is the plain menu picture with
// the buttons.
TEST(MenuCrossfade, LastCrossfadeFrameIs44000AndThePlainMenuFollows)
{
    const ShowRun run = renderShow("menu_44000", "--start 44000 --until 44020 --snap 44000,44016");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::vector<Pixel> crossfade = showFrame(run, "t44000.png");
    const std::vector<Pixel> plain = showFrame(run, "t44016.png");
    const std::vector<Pixel> picture = menuPicture();
    ASSERT_FALSE(crossfade.empty() || plain.empty() || picture.empty());
    std::vector<Pixel> buttons[buttonCount];
    for (int b = 0; b < buttonCount; ++b) buttons[b] = buttonPicture("select" + std::to_string(b + 1) + "a.tga");

    int mismatches = 0;
    for (int y = 0; y < screenHeight && mismatches < 5; ++y) {
        for (int x = 0; x < screenWidth && mismatches < 5; ++x) {
            const Pixel base = pixelAt(picture, x, y);
            Pixel towardWhite = 0;
            for (int shift : {16, 8, 0}) towardWhite |= ((255 * 7 + (base >> shift & 0xFF)) / 8) << shift;
            Pixel expectedPlain = base;
            Pixel expectedCrossfade = towardWhite;
            for (int b = 0; b < buttonCount; ++b) {
                const int top = MenuButtonTops[b];
                if (x < buttonLeft || x >= buttonLeft + buttonWidth || y < top || y >= top + buttonHeight) continue;
                const Pixel shown = buttons[b][std::size_t(buttonHeight - 1 - (y - top)) * buttonWidth + x - buttonLeft];
                expectedPlain = expectedCrossfade = shown;
            }
            if (pixelAt(plain, x, y) != expectedPlain || pixelAt(crossfade, x, y) != expectedCrossfade) {
                ++mismatches;
                ADD_FAILURE() << "(" << x << ", " << y << ") at 44000 " << std::hex << pixelAt(crossfade, x, y)
                              << " not " << expectedCrossfade << ", at 44001 " << pixelAt(plain, x, y)
                              << " not " << expectedPlain;
            }
        }
    }
}

}  // namespace
