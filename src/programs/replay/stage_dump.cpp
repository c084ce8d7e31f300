#include "programs/replay/stage_dump.hpp"

#include "world/stages.hpp"

#include <cstdio>

namespace kueruma::replay {

namespace {

void appendNumber(std::string& out, double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    out += buffer;
}

} // namespace

std::string stagesJson() {
    std::string out = "{\"stages\":[";
    for (int s = 0; s < world::stageCount; ++s) {
        const world::StageData& stage = world::stageData(s);
        if (s > 0) out += ',';
        out += "{\"goalX\":";
        appendNumber(out, stage.goalX);
        out += ",\"clearPoint\":" + std::to_string(stage.clearPoint) + ",\"blocks\":[";
        for (int k = 0; k < world::poolSize; ++k) {
            const world::BlockRow& r = stage.rows[static_cast<std::size_t>(k)];
            if (k > 0) out += ',';
            out += '[';
            const double values[5] = {r.x, r.y, r.width, r.height, r.angle};
            for (int v = 0; v < 5; ++v) {
                if (v > 0) out += ',';
                appendNumber(out, values[v]);
            }
            out += ']';
        }
        out += "]}";
    }
    out += "]}\n";
    return out;
}

} // namespace kueruma::replay
