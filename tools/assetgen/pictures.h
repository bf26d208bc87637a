#pragma once
// Every picture of the show, painted upright (top row first) at its embedded size.
#include <string>

#include "tools/assetgen/image.h"

// Deterministic value noise in 0..1; the seed picks an independent field.
double valueNoise(double x, double y, unsigned seed);
double fractalNoise(double x, double y, unsigned seed, int octaves);

Image paintBackdrop();                       // 640x480, the intro's space scene
// 640x480: the logo and the clock's hint in the top strip, button slots, dark page area.
Image paintMenu(const std::string& logo, const std::string& clockHint);
Image paintButton(const std::string& label, bool hovered);  // 176x18
Image paintPlate(const std::string& caption);               // 359x17, bright text on black
Image paintLoading();                        // 125x41
Image paintLoaderTile();                     // 16x16
Image paintPointer();                        // 10x10, tip at the top-left
Image paintBubble(int frame);                // 17x17, frames 0..7 of one pulse
