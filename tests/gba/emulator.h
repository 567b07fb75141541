// Runs a ROM headless in mGBA and hands back the frame the GBA shows.
#pragma once

#include "pictures.h"

#include <string>

// Key bits for `held_keys`, as the GBA's key register numbers them.
constexpr unsigned key_right = 1u << 4, key_down = 1u << 7;

// Boots the ROM with mGBA's built-in BIOS, runs `frames` frames with the keys `held_keys` held
// down throughout, and fills `frame` with the last one. False, with `why` set, when the emulator
// cannot load or run it.
bool capture_frame(const std::string &rom, int frames, unsigned held_keys, Frame &frame,
                   std::string &why);
