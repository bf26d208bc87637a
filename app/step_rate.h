#pragma once
// The show's one rate: it steps, draws and presents 60 times a second of music, and the
// simulated music of the headless seams moves 1/60 s a read.
#include <cstdint>

constexpr std::int32_t stepsPerSecond = 60;
