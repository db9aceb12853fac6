// PictureBox: a picture control that implements the core's Canvas over a persistent QImage.
// Core drawing functions draw into the image; the widget only copies the image to the screen,
// so a covered window repaints without redrawing and what was drawn stays until drawn over
// (copy mode, persistent drawing). Mouse events are reported in the picture's logical
// coordinates, as the core's hit tests expect them.
#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "base/canvas.h"

namespace movexa::ui {

class PictureBox : public QWidget, public Canvas {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // Canvas
  void SetScale(double x1, double y1, double x2, double y2) override;
  void SetPenWidth(int pixels) override;
  void SetBackColor(Rgb colour) override;
  void Clear() override;
  void Line(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Box(double x1, double y1, double x2, double y2, Rgb colour) override;
  void FilledBox(double x1, double y1, double x2, double y2, Rgb colour) override;
  void Circle(double x, double y, double radius, Rgb colour, bool filled) override;
  void Point(double x, double y, Rgb colour) override;
  void Text(double x, double y, std::string_view text, Rgb colour) override;
  int WidthPx() const override { return image_.width(); }
  int HeightPx() const override { return image_.height(); }

  // Plot calls: anti-aliased, text in the widget's font family at the style's pixel size.
  void SetLineStyle(LineStyle style) override { lineStyle_ = style; }
  void Polyline(std::span<const CanvasPoint> points, Rgb colour) override;
  void FilledPolygon(std::span<const CanvasPoint> points, Rgb colour, double opacity) override;
  void PlaceText(double x, double y, std::string_view text, Rgb colour,
                 const TextStyle& style) override;
  TextExtent MeasureText(std::string_view text, const TextStyle& style) const override;
  void SetClip(double x1, double y1, double x2, double y2) override;
  void ResetClip() override { clip_.reset(); }

  // The picture as drawn (for exports and screenshots).
  const QImage& image() const { return image_; }
  // Saves the picture; the format follows the file name's extension (.bmp, .png, ...).
  bool SaveImage(const QString& path) const;
  // Logical coordinates of a widget position.
  QPointF ToLogical(const QPointF& widgetPos) const;

  QSize sizeHint() const override { return {320, 240}; }

 Q_SIGNALS:
  // Mouse events in logical coordinates; `button` is Qt::LeftButton, Qt::RightButton, ...
  void MousePressed(Qt::MouseButton button, double x, double y);
  void MouseMoved(Qt::MouseButtons buttons, double x, double y);
  void MouseReleased(Qt::MouseButton button, double x, double y);
  void DoubleClicked(Qt::MouseButton button, double x, double y);
  // The widget changed size; the image has been resized (old drawing kept at the top-left,
  // the rest in the back colour): owners redraw in the new size.
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // Resizes the image to the widget (old drawing kept at the top-left); true when it changed.
  bool SyncImageSize();
  QRectF PixelRect(double x1, double y1, double x2, double y2) const;
  // A painter on the image with the clip in force.
  void Begin(QPainter& painter);
  // The pen of the pen width and line style in force.
  QPen Pen(Rgb colour) const;
  QFont Font(const TextStyle& style) const;

  QImage image_;
  CanvasTransform transform_;
  int penWidth_ = 1;
  Rgb back_ = colors::kWhite;
  LineStyle lineStyle_ = LineStyle::kSolid;
  std::optional<QRectF> clip_;  // in pixels
};

}  // namespace movexa::ui
