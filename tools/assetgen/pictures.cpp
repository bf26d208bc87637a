#include "tools/assetgen/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/assetgen/text.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

std::uint32_t hash2(int x, int y, unsigned seed)
{
    std::uint32_t h = std::uint32_t(x) * 0x8DA6B343u ^ std::uint32_t(y) * 0xD8163841u ^
                      (seed + 1) * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x85EBCA6Bu;
    h ^= h >> 16;
    return h;
}

double smooth(double t) { return t * t * (3 - 2 * t); }

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

Pixel scaleColour(double r, double g, double b) { return rgbf(clamp01(r), clamp01(g), clamp01(b)); }

// A small fixed-seed generator for scattering stars.
struct Scatter {
    std::uint32_t state;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / double(1u << 24);
    }
};

// Stars everywhere except inside the circle (cx, cy, r), where a planet hides them.
void scatterStars(Image& image, unsigned seed, int count, double brightness, double cx, double cy,
                  double r)
{
    Scatter rng{seed};
    for (int k = 0; k < count; ++k) {
        int x = int(rng.next() * image.width);
        int y = int(rng.next() * image.height);
        double b = brightness * (0.3 + 0.7 * rng.next() * rng.next());
        double tint = rng.next();
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r) continue;
        addPixel(image, x, y, scaleColour(b * (0.8 + 0.2 * tint), b * 0.85, b * (1.0 - 0.2 * tint)));
    }
}

}  // namespace

double valueNoise(double x, double y, unsigned seed)
{
    int xi = int(std::floor(x));
    int yi = int(std::floor(y));
    double fx = smooth(x - xi);
    double fy = smooth(y - yi);
    auto at = [&](int dx, int dy) { return (hash2(xi + dx, yi + dy, seed) >> 8) / double(1u << 24); };
    double top = at(0, 0) + (at(1, 0) - at(0, 0)) * fx;
    double bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * fx;
    return top + (bottom - top) * fy;
}

double fractalNoise(double x, double y, unsigned seed, int octaves)
{
    double sum = 0;
    double weight = 0.5;
    double total = 0;
    for (int k = 0; k < octaves; ++k) {
        sum += valueNoise(x, y, seed + unsigned(k) * 17) * weight;
        total += weight;
        x = x * 2.03 + 5.1;
        y = y * 2.03 + 1.7;
        weight *= 0.5;
    }
    return sum / total;
}

Image paintBackdrop()
{
    Image image = makeImage(640, 480);
    // A planet's dark disc low on the right, lit on its upper rim, and a violet nebula
    // drifting across the upper left. Everything stays dim so the additive layers read.
    const double planetX = 500, planetY = 700, planetR = 330;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            double u = x / 640.0, v = y / 480.0;
            double cloud = fractalNoise(u * 4, v * 3, 11, 6);
            double wisps = fractalNoise(u * 9 + 3, v * 7, 29, 5);
            double band = std::exp(-std::pow((v - 0.35 + 0.25 * u - 0.1 * cloud) / 0.22, 2));
            double density = std::pow(clamp01((cloud - 0.35) * 2.2), 2) * band;
            double teal = std::pow(clamp01(fractalNoise(u * 5 + 7, v * 4, 61, 5) - 0.45) * 2, 2) * band;
            double r = 0.012 + density * (0.20 + 0.12 * wisps);
            double g = 0.010 + density * (0.06 + 0.07 * wisps) + teal * 0.10;
            double b = 0.030 + density * (0.28 + 0.10 * (1 - wisps)) + teal * 0.12;
            double dx = x - planetX, dy = y - planetY;
            double dist = std::sqrt(dx * dx + dy * dy);
            if (dist < planetR) {
                double depth = (planetR - dist) / planetR;
                double surface = fractalNoise(x / 60.0, y / 25.0, 47, 4);
                double rim = std::exp(-depth * 28) * clamp01(-dy / planetR + 0.2);
                r = 0.010 + 0.015 * surface + rim * 0.35;
                g = 0.012 + 0.020 * surface + rim * 0.22;
                b = 0.025 + 0.030 * surface + rim * 0.45;
            } else {
                double halo = std::exp(-(dist - planetR) / 18.0) * clamp01(-dy / planetR + 0.3);
                r += halo * 0.18;
                g += halo * 0.12;
                b += halo * 0.30;
            }
            image.pixels[std::size_t(y) * 640 + x] = scaleColour(r, g, b);
        }
    scatterStars(image, 5, 260, 0.35, planetX, planetY, planetR);
    return image;
}

Image paintMenu(const std::string& logo, const std::string& clockHint)
{
    Image image = makeImage(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            double n = fractalNoise(x / 90.0, y / 70.0, 73, 4);
            double glow = y < 85 ? 0.05 + 0.05 * std::exp(-std::pow((x - 320) / 220.0, 2)) : 0.0;
            double side = (x < 30 || x > 609) ? 0.02 + 0.03 * n : 0.0;
            image.pixels[std::size_t(y) * 640 + x] =
                scaleColour(0.012 + 0.012 * n + glow * 0.5 + side, 0.010 + 0.01 * n + glow * 0.3,
                            0.030 + 0.025 * n + glow + side * 1.5);
        }
    // Logo and hint in the top strip, which is the clock's hotspot.
    for (int k = 0; k < 4; ++k)
        drawCentred(image, Face::SansBold, 52, 320 + 2 - k, 58 + 2 - k, logo,
                    rgb(40 + 50 * k, 20 + 40 * k, 90 + 55 * k));
    drawCentred(image, Face::SansBold, 52, 320, 56, logo, rgb(235, 225, 255));
    drawCentred(image, Face::Sans, 11, 320, 78, clockHint, rgb(120, 140, 190));
    fillRect(image, 20, 88, 600, 1, rgb(60, 50, 120));
    fillRect(image, 20, 89, 600, 1, rgb(25, 20, 55));
    // Faint frames around the five button slots: the buttons are pasted inside them, and
    // the pages are later added over the same area, so the frames stay barely visible.
    const int slotTops[] = {121, 156, 193, 232, 283};
    for (int top : slotTops) frameRect(image, 230, top - 2, 180, 22, rgb(16, 14, 38));
    // Thin rails just outside the page area keep its inside quiet.
    fillRect(image, 26, 100, 1, 370, rgb(40, 35, 90));
    fillRect(image, 613, 100, 1, 370, rgb(40, 35, 90));
    return image;
}

Image paintButton(const std::string& label, bool hovered)
{
    Image image = makeImage(176, 18);
    for (int y = 0; y < 18; ++y) {
        double shade = 1.0 - std::abs(y - 8.5) / 12.0;
        Pixel base = hovered ? scaleColour(0.30 * shade, 0.22 * shade, 0.62 * shade)
                             : scaleColour(0.06 * shade, 0.05 * shade, 0.16 * shade);
        fillRect(image, 0, y, 176, 1, base);
    }
    frameRect(image, 0, 0, 176, 18, hovered ? rgb(210, 200, 255) : rgb(50, 45, 110));
    drawCentred(image, Face::SansBold, 11, 88, 13, label,
                hovered ? rgb(255, 255, 255) : rgb(170, 170, 200));
    if (hovered && textWidth(Face::SansBold, 11, label) < 130) {
        drawString(image, Face::SansBold, 11, 6, 13, "\xE2\x96\xB6", rgb(255, 220, 120));
        drawString(image, Face::SansBold, 11, 160, 13, "\xE2\x97\x80", rgb(255, 220, 120));
    }
    return image;
}

Image paintPlate(const std::string& caption)
{
    // Drawn at four times the size and reduced, so the caption's edges are smooth and the
    // brightest strokes reach full white (dim pixels vanish at the plate's low fade levels).
    constexpr int Scale = 4;
    Image big = makeImage(359 * Scale, 17 * Scale);
    drawCentred(big, Face::SansBold, 13 * Scale, 359 * Scale / 2, 13 * Scale, caption,
                rgb(255, 255, 255));
    Image plate = makeImage(359, 17);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 359; ++x) {
            int sum = 0;
            for (int dy = 0; dy < Scale; ++dy)
                for (int dx = 0; dx < Scale; ++dx)
                    sum += channelOf(big.pixels[std::size_t(y * Scale + dy) * big.width + x * Scale + dx], 0);
            double cover = sum / (255.0 * Scale * Scale);
            double t = y / 16.0;  // a cool gradient from pale blue at the top to warm white
            plate.pixels[std::size_t(y) * 359 + x] =
                scaleColour(cover * (0.75 + 0.25 * t), cover * (0.85 + 0.1 * t), cover);
        }
    return plate;
}

Image paintLoading()
{
    Image image = makeImage(125, 41);
    drawCentred(image, Face::SansBold, 16, 62, 22, "LOADING", rgb(200, 200, 240));
    fillRect(image, 0, 29, 125, 12, rgb(14, 12, 34));
    frameRect(image, 0, 28, 125, 13, rgb(60, 55, 130));
    return image;
}

Image paintLoaderTile()
{
    Image image = makeImage(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            double v = 1.0 - std::abs(y - 7.5) / 9.0;
            double edge = (x == 0 || x == 15) ? 0.5 : 1.0;
            image.pixels[std::size_t(y) * 16 + x] =
                scaleColour(0.35 * v * edge, 0.50 * v * edge, 0.95 * v * edge);
        }
    return image;
}

Image paintPointer()
{
    // '#' dark outline, 'o' white body; the tip is the top-left pixel.
    static const char* const Shape[10] = {
        "#.........", "##........", "#o#.......", "#oo#......", "#ooo#.....",
        "#oooo#....", "#ooo###...", "#o##o#....", "##..#o#...", "#....##...",
    };
    Image image = makeImage(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            char c = Shape[y][x];
            image.pixels[std::size_t(y) * 10 + x] =
                c == '#' ? rgb(40, 30, 90) : c == 'o' ? rgb(250, 250, 255) : 0;
        }
    return image;
}

Image paintBubble(int frame)
{
    Image image = makeImage(17, 17);
    double phase = frame / 8.0 * 2 * Pi;
    double radius = 5.0 + 1.6 * std::sin(phase);
    double brightness = 0.75 + 0.25 * std::cos(phase);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 17; ++x) {
            double dx = x - 8, dy = y - 8;
            double d = std::sqrt(dx * dx + dy * dy);
            double ring = std::exp(-std::pow((d - radius) / 1.1, 2));
            double shine = std::exp(-(std::pow(dx + 2, 2) + std::pow(dy + 2, 2)) / 2.5) * 0.6;
            double core = std::exp(-d * d / 3.0) * 0.25;
            double v = (ring + (d < radius ? shine + core : 0)) * brightness;
            if (d > 8.4) v = 0;
            image.pixels[std::size_t(y) * 17 + x] = scaleColour(v * 0.55, v * 0.75, v);
        }
    return image;
}
