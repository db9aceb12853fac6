// RecordingCanvas: every drawing call kept in order with the pen width in force.
#include "base/recording_canvas.h"

namespace movexa {

void RecordingCanvas::Add(Call call) {
  call.penWidth = penWidth_;
  calls_.push_back(std::move(call));
}

void RecordingCanvas::SetScale(double x1, double y1, double x2, double y2) {
  Add({Op::kScale, x1, y1, x2, y2, {}, 1, {}});
}
void RecordingCanvas::SetPenWidth(int pixels) {
  penWidth_ = pixels < 1 ? 1 : pixels;
  Add({Op::kPenWidth, static_cast<double>(penWidth_), 0, 0, 0, {}, 1, {}});
}
void RecordingCanvas::SetBackColor(Rgb colour) { Add({Op::kBackColor, 0, 0, 0, 0, colour, 1, {}}); }
void RecordingCanvas::Clear() { Add({Op::kClear, 0, 0, 0, 0, {}, 1, {}}); }
void RecordingCanvas::Line(double x1, double y1, double x2, double y2, Rgb colour) {
  Add({Op::kLine, x1, y1, x2, y2, colour, 1, {}});
}
void RecordingCanvas::Box(double x1, double y1, double x2, double y2, Rgb colour) {
  Add({Op::kBox, x1, y1, x2, y2, colour, 1, {}});
}
void RecordingCanvas::FilledBox(double x1, double y1, double x2, double y2, Rgb colour) {
  Add({Op::kFilledBox, x1, y1, x2, y2, colour, 1, {}});
}
void RecordingCanvas::Circle(double x, double y, double radius, Rgb colour, bool filled) {
  Add({filled ? Op::kFilledCircle : Op::kCircle, x, y, radius, 0, colour, 1, {}});
}
void RecordingCanvas::Point(double x, double y, Rgb colour) {
  Add({Op::kPoint, x, y, x, y, colour, 1, {}});
}
void RecordingCanvas::Text(double x, double y, std::string_view text, Rgb colour) {
  Add({Op::kText, x, y, x, y, colour, 1, std::string(text)});
}

std::vector<RecordingCanvas::Call> RecordingCanvas::Where(
    const std::function<bool(const Call&)>& match) const {
  std::vector<Call> out;
  for (const Call& c : calls_)
    if (match(c)) out.push_back(c);
  return out;
}
std::vector<RecordingCanvas::Call> RecordingCanvas::Of(Op op) const {
  return Where([op](const Call& c) { return c.op == op; });
}
std::vector<RecordingCanvas::Call> RecordingCanvas::Of(Op op, Rgb colour) const {
  return Where([op, colour](const Call& c) { return c.op == op && c.colour == colour; });
}
std::vector<std::string> RecordingCanvas::Texts() const {
  std::vector<std::string> out;
  for (const Call& c : calls_)
    if (c.op == Op::kText) out.push_back(c.text);
  return out;
}
RecordingCanvas::Call RecordingCanvas::LastScale() const {
  for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
    if (it->op == Op::kScale) return *it;
  return {Op::kScale, 0, 0, 0, 0, {}, 1, {}};
}

}  // namespace movexa
