// Joysticks of the builds whose pads have a D-pad (desktop and browser): the multimedia
// interface's axis scale, how a D-pad joins the stick on it, and a pad's whole reading.
#pragma once

#include "app/input.hpp"
#include "seam/machine.hpp"

#include <cstdint>

namespace kueruma::driver {

// Axis readings run from 0 to this, centred in the middle.
inline constexpr std::uint32_t axisMax = 0xFFFF;

// A D-pad steers as the stick pushed all the way, on an axis where the stick itself is
// centred: the two combine, and a pushed stick is never overridden.
inline std::uint32_t withDpad(std::uint32_t axis, bool towardsZero, bool towardsMax) {
    if (axis < app::axisLowEdge || axis >= app::axisHighEdge) return axis;
    if (towardsZero) return 0;
    return towardsMax ? axisMax : axis;
}

// The D-pad's directions held.
struct Dpad {
    bool left = false;
    bool right = false;
    bool up = false;
    bool down = false;
};

// A pad's reading as the multimedia interface gives it: the stick's axes (`x`, `y`) with the
// D-pad joined, and a bit for each of the first 32 of `buttonCount` buttons `pressed(b)` holds.
template <class Pressed>
void readPad(seam::JoyInfoEx& info, std::uint32_t x, std::uint32_t y, const Dpad& dpad,
             int buttonCount, Pressed pressed) {
    info.dwXpos = withDpad(x, dpad.left, dpad.right);
    info.dwYpos = withDpad(y, dpad.up, dpad.down);
    std::uint32_t buttons = 0;
    for (int b = 0; b < buttonCount && b < 32; ++b) {
        if (pressed(b)) buttons |= std::uint32_t{1} << b;
    }
    info.dwButtons = buttons;
}

} // namespace kueruma::driver
