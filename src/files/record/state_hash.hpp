// A fingerprint of the play state, the same on every compiler and front end: FNV-1a (64 bits)
// over the state's fields one by one, each as fixed-width little-endian bytes and doubles by
// their bits, never over a struct's memory (its padding and layout differ between machines).
#pragma once

#include "game/play_state.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace kueruma::record {

// What the rules and the score depend on. Left out: the menus' cursors and entered digits and
// the joysticks found (a stage's run started by --stage never saw them), the debris' fade (a
// paint the window system asks for counts it down, and no recording holds those paints), and
// what is only kept to save work (the blocks' prepared forms, the figure's cached turn).
std::uint64_t stateHash(const game::PlayState& state);

// 16 lower-case hexadecimal digits.
std::string hashText(std::uint64_t hash);
// False unless `text` is 16 hexadecimal digits.
bool readHashText(std::string_view text, std::uint64_t& hash);

} // namespace kueruma::record
