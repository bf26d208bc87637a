#pragma once
// The organisers' own pictures: a PNG or JPEG of any size, read and fitted to the size the
// show draws it at.
#include <string>

#include "tools/assetgen/image.h"

constexpr int photoLargestSide = 16384;

// Reads a PNG or JPEG file (told apart by its first bytes) of at most 64 MB and 16384 pixels a
// side. False with `why` in words when it cannot.
bool readPhoto(const std::string& path, Image& picture, std::string& why);

// Scales the picture so that it covers width x height with its proportions kept, and crops
// what stands over evenly from both sides. `how` says what was done ("scaled from 1920x1080
// to 853x480, 106 columns cut off on the left and 107 on the right").
Image fitPhoto(const Image& picture, int width, int height, std::string& how);
