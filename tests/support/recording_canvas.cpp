#include "support/recording_canvas.hpp"

namespace kueruma::support {

seam::Pen RecordingCanvas::createPen(int width, int grey) {
    pens_.push_back({width, grey});
    ++created_;
    calls.push_back({CanvasCall::CreatePen, width, grey});
    return pens_.size();
}

seam::Pen RecordingCanvas::selectPen(seam::Pen pen) {
    calls.push_back({CanvasCall::SelectPen, static_cast<int>(pen)});
    const seam::Pen previous = selected_;
    selected_ = pen;
    return previous;
}

void RecordingCanvas::deletePen(seam::Pen pen) {
    ++deleted_;
    calls.push_back({CanvasCall::DeletePen, static_cast<int>(pen)});
}

std::vector<CanvasCall> RecordingCanvas::texts() const {
    std::vector<CanvasCall> out;
    int grey = 0;
    for (const CanvasCall& call : calls) {
        if (call.kind == CanvasCall::TextGrey) grey = call.a;
        if (call.kind == CanvasCall::Text) {
            CanvasCall text = call;
            text.c = grey;
            out.push_back(text);
        }
    }
    return out;
}

std::vector<CanvasCall> RecordingCanvas::segments(int width, int grey) const {
    std::vector<CanvasCall> out;
    seam::Pen current = 0;
    int x = 0;
    int y = 0;
    for (const CanvasCall& call : calls) {
        switch (call.kind) {
        case CanvasCall::SelectPen:
            current = static_cast<seam::Pen>(call.a);
            break;
        case CanvasCall::MoveTo:
            x = call.a;
            y = call.b;
            break;
        case CanvasCall::LineTo:
            if (current >= 1 && current <= pens_.size() && pens_[current - 1].width == width &&
                pens_[current - 1].grey == grey) {
                out.push_back({CanvasCall::LineTo, x, y, call.a, call.b});
            }
            x = call.a;
            y = call.b;
            break;
        default:
            break;
        }
    }
    return out;
}

} // namespace kueruma::support
