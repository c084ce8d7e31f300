#include "host/overlay/overlay.hpp"

#include "raster/font.hpp"
#include "raster/pause_mark.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

namespace kueruma::overlay {

namespace {

using settings::Action;

// The main page's rows, in their order.
enum Item {
    scaleItem,
    fullscreenItem,
    volumeItem,
    muteItem,
    flashingItem,
    practiceItem,
    keysItem,
    resetItem,
    closeItem,
    itemCount
};

constexpr std::array<std::string_view, itemCount> itemLabels{
    "Scale",       "Fullscreen",        "Volume", "Mute", "Reduced flashing", "Practice",
    "Change keys", "Reset to defaults", "Close"};
constexpr std::array<std::string_view, itemCount> itemHints{
    "Left/Right: the window's scale (auto: the largest that fits)",
    "Enter: the window fills the screen, or not",
    "Left/Right: louder or quieter",
    "Enter: no sound at all, or sound",
    "Enter: softer hit and clear flashes",
    "Enter: rewind with Backspace, from the next start",
    "Enter: choose an action, then press its new key or pad button",
    "Enter: every setting back to its default",
    "Enter or Esc: back to the game"};
constexpr std::array<std::string_view, settings::actionCount> actionLabels{
    "Left", "Right", "Up", "Down", "Jump", "Kick", "Give up", "Pause"};

constexpr std::size_t backRow = settings::actionCount;

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : " ") + name;
    return out;
}

std::string onOff(bool on) {
    return on ? "on" : "off";
}

// The picture's measures, in the client area's pixels.
constexpr int lineHeight = 20;
constexpr int titleScale = 2;
constexpr int margin = 14;
constexpr int panelWidth = 440;
constexpr int messageLines = 2;
constexpr std::uint8_t panelGrey = 16;
constexpr std::uint8_t borderGrey = 170;
constexpr std::uint8_t textGrey = 215;
constexpr std::uint8_t hintGrey = 150;
constexpr std::uint8_t cursorGrey = 235;

void fill(raster::Framebuffer& out, int left, int top, int width, int height, std::uint8_t grey) {
    for (int y = std::max(top, 0); y < std::min(top + height, out.height()); ++y) {
        for (int x = std::max(left, 0); x < std::min(left + width, out.width()); ++x) {
            out.set(x, y, grey);
        }
    }
}

// `text` cut into lines no wider than `width` at its spaces, at most `count` of them (the last
// one cut short when the text is longer).
std::vector<std::string> wrapped(std::string_view text, int width, int count) {
    std::vector<std::string> lines(1);
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        std::string& line = lines.back();
        const std::string longer =
            line.empty() ? std::string(word) : line + " " + std::string(word);
        if (raster::textWidth(longer, 1) <= width || line.empty()) {
            line = longer;
        } else if (static_cast<int>(lines.size()) < count) {
            lines.emplace_back(word);
        } else {
            break;
        }
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    for (std::string& line : lines) {
        while (line.size() > 1 && raster::textWidth(line, 1) > width) line.pop_back();
    }
    return lines;
}

} // namespace

Overlay::Overlay(const settings::Settings& current, int largestScale)
    : settings_(current), largestScale_(std::max(largestScale, 1)) {
    explain();
}

void Overlay::explain() {
    if (page_ == Page::main) {
        message_ = itemHints[static_cast<std::size_t>(cursor_)];
    } else if (static_cast<std::size_t>(cursor_) == backRow) {
        message_ = "Enter or Esc: back to the settings";
    } else {
        message_ = "Enter: press the new key or pad button for " +
                   std::string(actionLabels[static_cast<std::size_t>(cursor_)]);
    }
}

Outcome Overlay::press(Input input) {
    if (waiting_) {
        if (input != Input::back) return Outcome::none;
        waiting_ = false;
        const auto action = static_cast<std::size_t>(cursor_);
        message_ = std::string(actionLabels[action]) + " keeps " + joined(settings_.keys[action]);
        return Outcome::none;
    }
    const int rowCount = page_ == Page::main ? itemCount : static_cast<int>(backRow) + 1;
    if (input == Input::up || input == Input::down) {
        cursor_ = (cursor_ + (input == Input::up ? rowCount - 1 : 1)) % rowCount;
        explain();
        return Outcome::none;
    }
    return page_ == Page::main ? pressMain(input) : pressKeys(input);
}

Outcome Overlay::pressMain(Input input) {
    const settings::Settings before = settings_;
    const bool choose = input == Input::choose;
    const bool sideways = input == Input::left || input == Input::right;
    const int step = input == Input::left ? -1 : 1;
    if (input == Input::back) return Outcome::closed;
    switch (cursor_) {
    case scaleItem: {
        // 0 stands for "auto": the largest scale that fits.
        const int now = std::min(settings_.scale.value_or(0), largestScale_);
        const int next =
            choose ? (now + 1) % (largestScale_ + 1) : std::clamp(now + step, 0, largestScale_);
        if (choose || sideways) settings_.scale = next == 0 ? std::nullopt : std::optional(next);
        break;
    }
    case fullscreenItem:
        settings_.fullscreen = settings_.fullscreen != (choose || sideways);
        break;
    case volumeItem:
        if (sideways) {
            settings_.volume =
                std::clamp(settings_.volume + step * volumeStep, 0, settings::maxVolume);
        }
        break;
    case muteItem:
        settings_.mute = settings_.mute != (choose || sideways);
        break;
    case flashingItem:
        settings_.reducedFlashing = settings_.reducedFlashing != (choose || sideways);
        break;
    case practiceItem:
        settings_.practice = settings_.practice != (choose || sideways);
        if (settings_.practice != before.practice) {
            message_ = std::string("Practice ") + (settings_.practice ? "on" : "off") +
                       " from the next start";
        }
        break;
    case keysItem:
        if (choose || input == Input::right) {
            page_ = Page::keys;
            cursor_ = 0;
            explain();
        }
        break;
    case resetItem:
        if (choose) {
            settings_ = settings::Settings{};
            message_ = "Every setting is back to its default";
        }
        break;
    default:
        if (choose) return Outcome::closed;
        break;
    }
    return settings_ == before ? Outcome::none : Outcome::changed;
}

Outcome Overlay::pressKeys(Input input) {
    if (input == Input::back || (input == Input::choose && cursor_ == static_cast<int>(backRow))) {
        page_ = Page::main;
        cursor_ = keysItem;
        explain();
    } else if (input == Input::choose) {
        waiting_ = true;
        const auto action = static_cast<std::size_t>(cursor_);
        message_ = "Press the new key or pad button for " + std::string(actionLabels[action]) +
                   " (Esc: keep " + joined(settings_.keys[action]) + ")";
    }
    return Outcome::none;
}

Outcome Overlay::bindKey(std::string_view name) {
    return bind(name, true);
}

Outcome Overlay::bindButton(std::string_view name) {
    return bind(name, false);
}

Outcome Overlay::bind(std::string_view name, bool key) {
    if (!waiting_) return Outcome::none;
    const auto action = static_cast<Action>(cursor_);
    const std::string label(actionLabels[static_cast<std::size_t>(cursor_)]);
    settings::Bindings& bindings = key ? settings_.keys : settings_.buttons;
    const settings::Bindings before = bindings;
    if (!settings::rebind(bindings, action, name,
                          key ? settings::keyNames() : settings::buttonNames())) {
        message_ = (name.empty() ? std::string("That key") : std::string(name)) +
                   " cannot be bound; press another (Esc: keep what " + label + " has)";
        return Outcome::none;
    }
    waiting_ = false;
    message_ = label + " is " + joined(bindings[static_cast<std::size_t>(cursor_)]);
    for (std::size_t other = 0; other < settings::actionCount; ++other) {
        if (other != static_cast<std::size_t>(cursor_) && bindings[other] != before[other]) {
            message_ += "; " + std::string(actionLabels[other]) + " is " + joined(bindings[other]);
        }
    }
    // On to the next action, so the keys can be changed one after another.
    ++cursor_;
    return bindings == before ? Outcome::none : Outcome::changed;
}

std::vector<Overlay::Row> Overlay::page() const {
    std::vector<Row> out;
    if (page_ == Page::keys) {
        for (std::size_t a = 0; a < settings::actionCount; ++a) {
            const bool asked = waiting_ && static_cast<std::size_t>(cursor_) == a;
            out.push_back({std::string(actionLabels[a]), asked ? "press a key..."
                                                               : joined(settings_.keys[a]) + " / " +
                                                                     joined(settings_.buttons[a])});
        }
        out.push_back({"Back", ""});
        return out;
    }
    for (std::size_t item = 0; item < itemCount; ++item) {
        std::string value;
        switch (item) {
        case scaleItem:
            value = "< " + (settings_.scale ? std::to_string(*settings_.scale) : "auto") + " >";
            break;
        case fullscreenItem:
            value = onOff(settings_.fullscreen);
            break;
        case volumeItem:
            value = "< " + std::to_string(settings_.volume) + " >";
            break;
        case muteItem:
            value = onOff(settings_.mute);
            break;
        case flashingItem:
            value = onOff(settings_.reducedFlashing);
            break;
        case practiceItem:
            value = onOff(settings_.practice);
            break;
        default:
            break;
        }
        out.push_back({std::string(itemLabels[item]), value});
    }
    return out;
}

std::vector<std::string> Overlay::rows() const {
    std::vector<std::string> out;
    const std::vector<Row> rows = page();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out.push_back((static_cast<int>(i) == cursor_ ? "> " : "  ") + rows[i].label +
                      (rows[i].value.empty() ? "" : ": " + rows[i].value));
    }
    return out;
}

void Overlay::draw(const raster::Framebuffer& game, raster::Framebuffer& out) const {
    raster::dim(game, out);
    const std::vector<Row> rows = page();
    const int width = std::min(panelWidth, out.width());
    const int titleHeight = raster::font::cellHeight * titleScale;
    const int height = margin + titleHeight + margin + static_cast<int>(rows.size()) * lineHeight +
                       margin + messageLines * lineHeight + margin;
    const int left = (out.width() - width) / 2;
    const int top = std::max((out.height() - height) / 2, 0);
    fill(out, left, top, width, height, borderGrey);
    fill(out, left + 2, top + 2, width - 4, height - 4, panelGrey);
    const std::string_view title = page_ == Page::main ? "SETTINGS" : "KEYS / PAD";
    raster::drawText(out, title, left + (width - raster::textWidth(title, titleScale)) / 2,
                     top + margin, titleScale, cursorGrey);
    int y = top + margin + titleHeight + margin;
    const int inner = width - 2 * margin;
    for (std::size_t i = 0; i < rows.size(); ++i, y += lineHeight) {
        const bool here = static_cast<int>(i) == cursor_;
        if (here) fill(out, left + margin / 2, y - 2, width - margin, lineHeight, cursorGrey);
        const std::uint8_t grey = here ? panelGrey : textGrey;
        raster::drawText(out, rows[i].label, left + margin, y, 1, grey);
        const std::vector<std::string> value = wrapped(rows[i].value, inner / 2, 1);
        raster::drawText(out, value.front(),
                         left + width - margin - raster::textWidth(value.front(), 1), y, 1, grey);
    }
    y += margin;
    for (const std::string& line : wrapped(message_, inner, messageLines)) {
        raster::drawText(out, line, left + margin, y, 1, hintGrey);
        y += lineHeight;
    }
}

} // namespace kueruma::overlay
