// RecordingCanvas: every drawing call kept in order with the pen width and line style in force.
#include "base/recording_canvas.h"

namespace movexa {

namespace {
using Call = RecordingCanvas::Call;
using Op = RecordingCanvas::Op;
Call Make(Op op, double x1 = 0, double y1 = 0, double x2 = 0, double y2 = 0, Rgb colour = {}) {
  Call call{op, 0, 0, 0, 0, {}, 1, {}, LineStyle::kSolid, {}, 1.0, {}, {}};
  call.x1 = x1;
  call.y1 = y1;
  call.x2 = x2;
  call.y2 = y2;
  call.colour = colour;
  return call;
}
}  // namespace

void RecordingCanvas::Add(Call call) {
  call.penWidth = penWidth_;
  if (call.op != Op::kLineStyle) call.lineStyle = lineStyle_;
  calls_.push_back(std::move(call));
}

void RecordingCanvas::SetScale(double x1, double y1, double x2, double y2) {
  transform_.Set(x1, y1, x2, y2, width_, height_);
  Add(Make(Op::kScale, x1, y1, x2, y2));
}
void RecordingCanvas::SetPenWidth(int pixels) {
  penWidth_ = pixels < 1 ? 1 : pixels;
  Add(Make(Op::kPenWidth, static_cast<double>(penWidth_)));
}
void RecordingCanvas::SetBackColor(Rgb colour) {
  Add(Make(Op::kBackColor, 0, 0, 0, 0, colour));
}
void RecordingCanvas::Clear() {
  Add(Make(Op::kClear));
}
void RecordingCanvas::Line(double x1, double y1, double x2, double y2, Rgb colour) {
  Add(Make(Op::kLine, x1, y1, x2, y2, colour));
}
void RecordingCanvas::Box(double x1, double y1, double x2, double y2, Rgb colour) {
  Add(Make(Op::kBox, x1, y1, x2, y2, colour));
}
void RecordingCanvas::FilledBox(double x1, double y1, double x2, double y2, Rgb colour) {
  Add(Make(Op::kFilledBox, x1, y1, x2, y2, colour));
}
void RecordingCanvas::Circle(double x, double y, double radius, Rgb colour, bool filled) {
  Add(Make(filled ? Op::kFilledCircle : Op::kCircle, x, y, radius, 0, colour));
}
void RecordingCanvas::Point(double x, double y, Rgb colour) {
  Add(Make(Op::kPoint, x, y, x, y, colour));
}
void RecordingCanvas::Text(double x, double y, std::string_view text, Rgb colour) {
  PlaceText(x, y, text, colour, TextStyle{});
}

void RecordingCanvas::SetLineStyle(LineStyle style) {
  lineStyle_ = style;
  Call call = Make(Op::kLineStyle);
  call.lineStyle = style;
  Add(std::move(call));
}

void RecordingCanvas::Polyline(std::span<const CanvasPoint> points, Rgb colour) {
  Call call = Make(Op::kPolyline);
  call.colour = colour;
  call.points.assign(points.begin(), points.end());
  Add(std::move(call));
}

void RecordingCanvas::FilledPolygon(std::span<const CanvasPoint> points, Rgb colour,
                                    double opacity) {
  Call call = Make(Op::kFilledPolygon);
  call.colour = colour;
  call.points.assign(points.begin(), points.end());
  call.opacity = opacity;
  Add(std::move(call));
}

void RecordingCanvas::PlaceText(double x, double y, std::string_view text, Rgb colour,
                                const TextStyle& style) {
  Call call = Make(Op::kText, x, y, x, y, colour);
  call.text = std::string(text);
  call.textStyle = style;
  const double size = style.sizePx > 0 ? style.sizePx : kDefaultTextPx;
  call.textBox =
      PlacedTextBounds(transform_.X(x), transform_.Y(y),
                       kCharWidth * size * Utf8Length(ValidUtf8(text)), kLineHeight * size, style);
  Add(std::move(call));
}

TextExtent RecordingCanvas::MeasureText(std::string_view text, const TextStyle& style) const {
  const double size = style.sizePx > 0 ? style.sizePx : kDefaultTextPx;
  return {transform_.XUnits(kCharWidth * size * Utf8Length(ValidUtf8(text))),
          transform_.YUnits(kLineHeight * size)};
}

void RecordingCanvas::SetClip(double x1, double y1, double x2, double y2) {
  Add(Make(Op::kClip, x1, y1, x2, y2));
}
void RecordingCanvas::ResetClip() {
  Add(Make(Op::kResetClip));
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
  return Make(Op::kScale);
}

}  // namespace movexa
