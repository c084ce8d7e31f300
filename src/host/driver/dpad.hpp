// Joysticks of the builds whose pads have a D-pad (desktop and browser): the multimedia
// interface's axis scale, and how a D-pad joins the stick on it.
#pragma once

#include "app/input.hpp"

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

} // namespace kueruma::driver
