// The device test on the main window's activity picture.
#include "ui/maintenance/device_test_runner.h"

#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "acquisition/live_display_draw.h"
#include "app/instrument.h"
#include "calibration/maintenance_texts.h"
#include "ui/common/picture_box.h"
#include "ui/common/qt_text.h"
#include "ui/maintenance/device_test_window.h"

namespace movexa::ui {

DeviceTestRunner::DeviceTestRunner(UiContext& ctx, PictureBox* activity, PictureBox* progress,
                                   QLabel* caption, QLabel* hint, QWidget* window, QObject* parent)
    : QObject(parent),
      ctx_(ctx),
      activity_(activity),
      progress_(progress),
      caption_(caption),
      hint_(hint),
      mainWindow_(window),
      host_{ctx.host.dialogs, ctx.host.clock,  ctx.host.pacer,
            ctx.host.shell,   ctx.host.system, *this} {
  timer_ = new QTimer(this);
  timer_->setObjectName("Timer_test");
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (Tick()) timer_->start(test_->nextDelayMs());
  });
  window_ = new DeviceTestWindow(window);
  window_->onStop = [this] { Stop(); };
  window_->onOpenReport = [this] {
    if (test_ && !test_->reportPath().empty()) ctx_.host.shell.OpenTextFile(test_->reportPath());
  };
}

DeviceTestRunner::~DeviceTestRunner() = default;

void DeviceTestRunner::SetStatus(std::string_view where, std::string_view text) {
  if (where == maintenance_texts::kTestStatus && caption_) caption_->setText(Q(text));
  if (where == maintenance_texts::kTestHint && hint_) {
    hint_->setText(Q(text));
    hint_->adjustSize();
    if (QWidget* over = hint_->parentWidget()) hint_->move(4, over->height() - hint_->height() - 4);
    hint_->setVisible(!text.empty());
    hint_->raise();
  }
  ctx_.host.status.SetStatus(where, text);
}

void DeviceTestRunner::RestorePicture() {
  if (hint_) hint_->hide();
  if (restoreView) {
    restoreView();
    return;
  }
  if (!activity_) return;
  activity_->SetBackColor(colors::kWhite);
  activity_->Clear();
  activity_->SetScale(-30, 300, 300, -30);
  DrawActivityAxes(*activity_, 1.0);
}

void DeviceTestRunner::ShowWindow() {
  if (mainWindow_ && !window_->isVisible()) {
    // Over the right-hand side of the main window, where the tool panels are, and on the
    // screen: the activity picture with the test grid stays in view.
    QRect area = mainWindow_->geometry();
    if (const QScreen* screen = mainWindow_->screen()) {
      area = area.intersected(screen->availableGeometry());
    }
    window_->move(std::max(area.left(), area.right() - window_->width() - 12), area.top() + 60);
  }
  window_->show();
  window_->raise();
}

bool DeviceTestRunner::Start() {
  if (!ctx_.state.ports) return false;
  if (running() || inTick_) {
    ShowWindow();
    return false;
  }
  if (caption_) captionText_ = caption_->text();
  link_ = std::make_unique<DeviceLink>(InstrumentLink(ctx_.state, host_));
  DeviceTestContext c{*link_,
                      ctx_.state.appDir,
                      [this] {
                        return ctx_.state.run.runState != RunState::kStopped ||
                               ctx_.state.run.timerEnabled || (instrumentBusy && instrumentBusy());
                      },
                      activity_,
                      progress_,
                      [this] { RestorePicture(); },
                      [this] {
                        if (caption_) caption_->setText(captionText_);
                      }};
  test_ = std::make_unique<DeviceTest>(std::move(c));
  window_->Reset();
  if (!test_->Start()) {
    timer_->stop();
    return false;
  }
  if (progress_) progress_->update();
  ShowWindow();
  window_->Show(*test_);
  timer_->start(test_->nextDelayMs());
  return true;
}

void DeviceTestRunner::Stop() {
  timer_->stop();
  if (!running()) return;
  test_->Stop();
  window_->Show(*test_);
  Q_EMIT Finished();
}

bool DeviceTestRunner::Tick() {
  inTick_ = true;
  const bool more = test_ && test_->Tick();
  inTick_ = false;
  if (test_) window_->Show(*test_);
  if (activity_) activity_->update();
  if (progress_) progress_->update();
  if (!more) {
    timer_->stop();
    Q_EMIT Finished();
  }
  return more;
}

bool DeviceTestRunner::running() const { return test_ && test_->running(); }

}  // namespace movexa::ui
