// The main window during a run, as the operator sees it: the signal picture carries the trace
// (red) and the activity picture its bars; the window is saved under the build folder's
// screens/ for a human look.
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "main/program_rig.h"
#include "support/ui_test_support.h"
#include "ui/common/picture_box.h"

namespace movexa::test {
namespace {

int CountPixels(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
  return n;
}

int CountNotWhite(const QImage& image) {
  return image.width() * image.height() - CountPixels(image, qRgb(255, 255, 255));
}

TEST(MainWindowPicture, ARunningTraceAndItsActivityAreDrawn) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  main->resize(1180, 800);
  QCoreApplication::processEvents();
  ASSERT_TRUE(rig.Play("Picture"));
  rig.Ticks(400);
  QCoreApplication::processEvents();

  auto* trace = Control<ui::PictureBox>(main, "Picreal");
  const QImage traceImage = trace->image();
  ASSERT_GT(traceImage.width(), 100);
  EXPECT_GT(CountPixels(traceImage, qRgb(255, 0, 0)), 300);  // the trace itself
  auto* activity = Control<ui::PictureBox>(main, "Picact");
  EXPECT_GT(CountNotWhite(activity->image()), 500);  // axes, bars and labels

  QTest::mouseClick(Control<QPushButton>(main, "Cmd_gridplot"), Qt::LeftButton);
  EXPECT_GT(CountPixels(activity->image(), qRgb(255, 0, 0)), 200);  // the plate grid

  if (const char* build = std::getenv("MOVEXA_BINARY_DIR")) {
    const fs::path dir = fs::path(build) / "screens";
    fs::create_directories(dir);
    main->grab().save(QString::fromStdString((dir / "test_main_window_run.png").string()));
  }
}

}  // namespace
}  // namespace movexa::test
