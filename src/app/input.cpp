#include "app/input.hpp"

#include "seam/machine.hpp"

namespace kueruma::app {

using game::JoystickSlot;

bool joystickUsable(unsigned deviceId) {
    return deviceId < seam::joystickDeviceCount() &&
           seam::joystickProbe(deviceId) == seam::joyNoError;
}

void detectJoysticks(JoystickSlot* slots, int count) {
    for (int i = 0; i < count; ++i) {
        JoystickSlot& slot = slots[i];
        slot.present = 0;
        slot.deviceId = -1;
        for (unsigned j = 0; j < seam::joystickDeviceCount(); ++j) {
            if (!joystickUsable(j)) continue;
            bool taken = false;
            for (int k = 0; k < i; ++k) {
                if (slots[k].deviceId == static_cast<int>(j)) taken = true;
            }
            if (!taken) {
                slot.deviceId = static_cast<int>(j);
                slot.present = 1;
                break;
            }
        }
    }
}

namespace {

// A joystick that stops answering (unplugged mid-stage) must not keep its last direction or
// button held for ever, so a failed reading releases everything on that slot.
void releaseAll(JoystickSlot& slot) {
    slot.up = slot.down = slot.left = slot.right = 0;
    slot.buttons.fill(0);
}

} // namespace

void pollJoysticks(JoystickSlot* slots, int count) {
    for (int i = 0; i < count; ++i) {
        JoystickSlot& slot = slots[i];
        if (slot.present == 0) continue;
        seam::JoyInfoEx info{};
        info.dwSize = sizeof(seam::JoyInfoEx);
        info.dwFlags = seam::joyReturnX | seam::joyReturnY | seam::joyReturnButtons;
        if (seam::joystickRead(static_cast<unsigned>(slot.deviceId), info) != seam::joyNoError) {
            releaseAll(slot);
            continue;
        }
        slot.up = info.dwYpos < axisLowEdge;
        slot.down = info.dwYpos >= axisHighEdge;
        slot.left = info.dwXpos < axisLowEdge;
        slot.right = info.dwXpos >= axisHighEdge;
        for (unsigned j = 0; j < 8; ++j) slot.buttons[j] = (info.dwButtons >> j) & 1U;
    }
}

void sampleInput(game::GameState& gs) {
    pollJoysticks(gs.joysticks.data(), static_cast<int>(gs.joysticks.size()));
    gs.input = {};
    auto key = [](int vk) -> std::uint8_t { return seam::asyncKeyState(vk) != 0 ? 1 : 0; };
    gs.input.left = key(seam::keyLeft);
    gs.input.up = key(seam::keyUp);
    gs.input.right = key(seam::keyRight);
    gs.input.down = key(seam::keyDown);
    gs.input.x = key(seam::keyX);
    gs.input.z = key(seam::keyZ);
    for (const JoystickSlot& slot : gs.joysticks) {
        if (slot.left) gs.input.left = 1;
        if (slot.up) gs.input.up = 1;
        if (slot.right) gs.input.right = 1;
        if (slot.down) gs.input.down = 1;
        if (slot.buttons[0]) gs.input.x = 1;
        if (slot.buttons[1]) gs.input.z = 1;
    }
}

} // namespace kueruma::app
