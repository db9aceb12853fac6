// PictureBox: Canvas over a QImage; the widget paints the image as it is.
#include "ui/common/picture_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "base/canvas_text.h"

namespace movexa::ui {

namespace {
QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }
bool Finite(QPointF p) {
  return std::isfinite(p.x()) && std::isfinite(p.y());
}
}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  image_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  image_.fill(ToQColor(back_));
  transform_.Set(0, 0, 1, 1, image_.width(), image_.height());
}

void PictureBox::SetScale(double x1, double y1, double x2, double y2) {
  // A hidden widget gets its resize event only when shown: take its present size now, so a
  // picture drawn before the first show already has the size it will be shown at.
  SyncImageSize();
  transform_.Set(x1, y1, x2, y2, image_.width(), image_.height());
}
void PictureBox::SetPenWidth(int pixels) { penWidth_ = std::max(1, pixels); }
void PictureBox::SetBackColor(Rgb colour) { back_ = colour; }

void PictureBox::Clear() {
  image_.fill(ToQColor(back_));
  update();
}

void PictureBox::Begin(QPainter& p) {
  p.begin(&image_);
  if (clip_) p.setClipRect(*clip_);
}

QPen PictureBox::Pen(Rgb colour) const {
  QPen pen(ToQColor(colour), penWidth_);
  if (lineStyle_ != LineStyle::kSolid) {
    pen.setDashPattern({lineStyle_ == LineStyle::kDashed ? 5.0 : 1.0, 3.0});
    pen.setCapStyle(Qt::FlatCap);
  }
  return pen;
}

QRectF PictureBox::PixelRect(double x1, double y1, double x2, double y2) const {
  const QPointF a(transform_.X(x1), transform_.Y(y1));
  const QPointF b(transform_.X(x2), transform_.Y(y2));
  return QRectF(a, b).normalized();
}

void PictureBox::Line(double x1, double y1, double x2, double y2, Rgb colour) {
  QPainter p;
  Begin(p);
  p.setPen(Pen(colour));
  p.drawLine(QPointF(transform_.X(x1), transform_.Y(y1)),
             QPointF(transform_.X(x2), transform_.Y(y2)));
  update();
}

void PictureBox::Box(double x1, double y1, double x2, double y2, Rgb colour) {
  QPainter p;
  Begin(p);
  p.setPen(Pen(colour));
  p.setBrush(Qt::NoBrush);
  p.drawRect(PixelRect(x1, y1, x2, y2));
  update();
}

void PictureBox::FilledBox(double x1, double y1, double x2, double y2, Rgb colour) {
  QPainter p;
  Begin(p);
  // Edges included: the fill covers the outline a pen of width 1 would draw.
  QRectF r = PixelRect(x1, y1, x2, y2);
  r.setRight(r.right() + 1);
  r.setBottom(r.bottom() + 1);
  p.fillRect(r, ToQColor(colour));
  update();
}

void PictureBox::Circle(double x, double y, double radius, Rgb colour, bool filled) {
  QPainter p;
  Begin(p);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Pen(colour));
  p.setBrush(filled ? QBrush(ToQColor(colour)) : QBrush(Qt::NoBrush));
  const double r = transform_.XLength(radius);
  p.drawEllipse(QPointF(transform_.X(x), transform_.Y(y)), r, r);
  update();
}

void PictureBox::Point(double x, double y, Rgb colour) {
  QPainter p;
  Begin(p);
  p.setPen(QPen(ToQColor(colour), penWidth_));
  p.drawPoint(QPointF(transform_.X(x), transform_.Y(y)));
  update();
}

void PictureBox::Text(double x, double y, std::string_view text, Rgb colour) {
  QPainter p;
  Begin(p);
  p.setPen(ToQColor(colour));
  p.setFont(font());
  const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const QFontMetrics fm(font());
  p.drawText(QPointF(transform_.X(x), transform_.Y(y) + fm.ascent()), s);
  update();
}

void PictureBox::Polyline(std::span<const CanvasPoint> points, Rgb colour) {
  // A point that is not finite ends one run of segments; the next run starts after it.
  QPainterPath path;
  bool open = false;
  for (const CanvasPoint& pt : points) {
    const QPointF q(transform_.X(pt.x), transform_.Y(pt.y));
    if (!Finite(q)) {
      open = false;
      continue;
    }
    if (open) {
      path.lineTo(q);
    } else {
      path.moveTo(q);
      open = true;
    }
  }
  if (path.isEmpty()) return;
  QPainter p;
  Begin(p);
  p.setRenderHint(QPainter::Antialiasing, true);
  QPen pen = Pen(colour);
  if (lineStyle_ == LineStyle::kSolid) pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  update();
}

void PictureBox::FilledPolygon(std::span<const CanvasPoint> points, Rgb colour, double opacity) {
  if (points.size() < 3) return;
  QPolygonF polygon;
  for (const CanvasPoint& pt : points) {
    const QPointF q(transform_.X(pt.x), transform_.Y(pt.y));
    if (!Finite(q)) return;
    polygon << q;
  }
  QColor fill = ToQColor(colour);
  fill.setAlphaF(std::isfinite(opacity) ? static_cast<float>(std::clamp(opacity, 0.0, 1.0)) : 1.0f);
  QPainter p;
  Begin(p);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPolygon(polygon, Qt::WindingFill);
  update();
}

QFont PictureBox::Font(const TextStyle& style) const {
  QFont f = font();
  if (style.sizePx > 0)
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(std::min(style.sizePx, 1000.0)))));
  f.setBold(style.bold);
  return f;
}

void PictureBox::PlaceText(double x, double y, std::string_view text, Rgb colour,
                           const TextStyle& style) {
  const QPointF anchor(transform_.X(x), transform_.Y(y));
  if (!Finite(anchor)) return;
  const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const QFont f = Font(style);
  const QFontMetricsF fm(f);
  const CanvasPoint o = TextBoxOffset(style, fm.horizontalAdvance(s), fm.ascent() + fm.descent());
  QPainter p;
  Begin(p);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.setPen(ToQColor(colour));
  p.setFont(f);
  p.translate(anchor);
  if (std::isfinite(style.angleDegrees)) p.rotate(-style.angleDegrees);
  p.drawText(QPointF(o.x, o.y + fm.ascent()), s);
  update();
}

TextExtent PictureBox::MeasureText(std::string_view text, const TextStyle& style) const {
  const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const QFontMetricsF fm(Font(style));
  return {transform_.XUnits(fm.horizontalAdvance(s)),
          transform_.YUnits(fm.ascent() + fm.descent())};
}

void PictureBox::SetClip(double x1, double y1, double x2, double y2) {
  const QRectF r = PixelRect(x1, y1, x2, y2);
  if (std::isfinite(r.left() + r.right() + r.top() + r.bottom())) clip_ = r;
}

bool PictureBox::SaveImage(const QString& path) const { return image_.save(path); }

QPointF PictureBox::ToLogical(const QPointF& pos) const {
  const double w = std::max(1, image_.width());
  const double h = std::max(1, image_.height());
  return {transform_.x1() + pos.x() / w * (transform_.x2() - transform_.x1()),
          transform_.y1() + pos.y() / h * (transform_.y2() - transform_.y1())};
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, image_);
}

void PictureBox::resizeEvent(QResizeEvent*) {
  if (SyncImageSize()) emit Resized();
}

bool PictureBox::SyncImageSize() {
  const QSize size(std::max(1, width()), std::max(1, height()));
  if (size == image_.size()) return false;
  QImage next(size, QImage::Format_RGB32);
  next.fill(ToQColor(back_));
  {
    QPainter p(&next);
    p.drawImage(0, 0, image_);
  }
  image_ = std::move(next);
  transform_.Resize(image_.width(), image_.height());
  return true;
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
  const QPointF l = ToLogical(e->position());
  emit MousePressed(e->button(), l.x(), l.y());
}
void PictureBox::mouseMoveEvent(QMouseEvent* e) {
  const QPointF l = ToLogical(e->position());
  emit MouseMoved(e->buttons(), l.x(), l.y());
}
void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
  const QPointF l = ToLogical(e->position());
  emit MouseReleased(e->button(), l.x(), l.y());
}
void PictureBox::mouseDoubleClickEvent(QMouseEvent* e) {
  const QPointF l = ToLogical(e->position());
  emit DoubleClicked(e->button(), l.x(), l.y());
}

}  // namespace movexa::ui
