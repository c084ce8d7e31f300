#include "files/record/state_hash.hpp"

#include <charconv>
#include <cstring>

namespace kueruma::record {

namespace {

class Fnv1a64 {
  public:
    void byte(std::uint8_t b) {
        hash_ ^= b;
        hash_ *= 0x100000001b3ULL;
    }
    void u64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) byte(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void i32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) byte(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    void flag(bool v) { byte(v ? 1 : 0); }
    // The double's bits (the browser build's library has no std::bit_cast).
    void real(double v) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        u64(bits);
    }
    template <class Array> void reals(const Array& values) {
        for (double v : values) real(v);
    }
    std::uint64_t value() const { return hash_; }

  private:
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

} // namespace

std::uint64_t stateHash(const game::PlayState& state) {
    Fnv1a64 h;
    const game::GameState& gs = state.gameState;
    h.i32(gs.blockCount);
    h.i32(gs.screen);
    h.real(gs.groundY);
    h.real(gs.scrollStep);
    for (std::uint8_t key :
         {gs.input.left, gs.input.up, gs.input.right, gs.input.down, gs.input.x, gs.input.z}) {
        h.byte(key);
    }
    h.real(gs.goalX);
    h.i32(gs.clearPoint);
    h.flag(gs.running);
    h.flag(gs.allCleared);
    h.i32(gs.stageIndex);
    h.real(gs.scrollX);
    h.flag(gs.scoreFlash);

    const figure::Figure& f = state.figure;
    h.reals(std::array{f.posX, f.posY, f.velX, f.runAccel, f.velY, f.gravity, f.maxRunSpeed,
                       f.pivotSpan, f.bodyAngle, f.spin});
    for (std::int32_t v : {f.jumpState, f.pose, f.walkCounter, f.kickTimer, f.health, f.score,
                           f.combo, f.bestCombo}) {
        h.i32(v);
    }
    h.reals(std::array{f.boxX, f.boxY, f.boxWidth, f.boxHeight, f.limbBase, f.hipA, f.hipB, f.kneeA,
                       f.kneeB, f.shoulderA, f.shoulderB, f.elbowA, f.elbowB, f.segment});
    h.reals(f.jointX);
    h.reals(f.jointY);

    for (const world::Block& block : state.blockPool) {
        h.flag(block.active);
        h.reals(std::array{block.x, block.y, block.width, block.height, block.angle});
    }
    return h.value();
}

std::string hashText(std::uint64_t hash) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) text[static_cast<std::size_t>(i)] = digits[hash & 15];
    return text;
}

bool readHashText(std::string_view text, std::uint64_t& hash) {
    if (text.size() != 16) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), hash, 16);
    return error == std::errc{} && end == text.data() + text.size();
}

} // namespace kueruma::record
