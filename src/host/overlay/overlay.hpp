// The settings overlay: the small menu a player opens over the paused game to change the
// window's scale, fullscreen, the volume, mute, reduced flashing, practice and the keys, or to
// go back to the defaults. What each choice does to the settings, and the menu's picture, drawn
// over the dimmed game into a picture of its own (never into the game's frames). Portable: a
// front end only hands it the player's presses and shows its picture.
#pragma once

#include "files/settings/settings.hpp"
#include "raster/framebuffer.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace kueruma::overlay {

// The player's presses: the arrow keys or D-pad, Enter or the pad's bottom button, Esc or the
// pad's right button.
enum class Input { up, down, left, right, choose, back };

// What a press came to, for the front end.
enum class Outcome {
    none,    // only the overlay itself changed (its cursor, its page, its message)
    changed, // the settings changed: apply and save them
    closed,  // the player is done: close the overlay
};

// The volume's step on the left and right presses.
inline constexpr int volumeStep = 10;

class Overlay {
  public:
    // Opens on `current`; the scale goes from 1 to `largestScale` (what fits the screen).
    Overlay(const settings::Settings& current, int largestScale);

    Outcome press(Input input);
    // A key (or pad button) the player pressed while the overlay waits for one: its name among
    // settings::keyNames() (buttonNames()), empty for a key that has none.
    Outcome bindKey(std::string_view name);
    Outcome bindButton(std::string_view name);
    // It waits for the new key of an action.
    bool waiting() const { return waiting_; }

    const settings::Settings& settings() const { return settings_; }
    // The rows shown, label and value, the cursor's row first marked with "> ".
    std::vector<std::string> rows() const;
    // The line under the rows: what the chosen row does, or what the last choice did.
    const std::string& message() const { return message_; }

    // `out` becomes `game` dimmed with the overlay over it, centred (`out` takes `game`'s size).
    void draw(const raster::Framebuffer& game, raster::Framebuffer& out) const;

  private:
    enum class Page { main, keys };
    struct Row {
        std::string label;
        std::string value;
    };
    std::vector<Row> page() const;
    Outcome pressMain(Input input);
    Outcome pressKeys(Input input);
    Outcome bind(std::string_view name, bool key);
    void explain();

    settings::Settings settings_;
    int largestScale_;
    Page page_ = Page::main;
    int cursor_ = 0;
    bool waiting_ = false;
    std::string message_;
};

} // namespace kueruma::overlay
