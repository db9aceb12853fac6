// The device test on the main window's activity picture.
#include "ui/maintenance/device_test_runner.h"

#include <QLabel>
#include <QTimer>
#include <algorithm>

#include "acquisition/live_display_draw.h"
#include "app/instrument.h"
#include "calibration/maintenance_texts.h"
#include "ui/common/picture_box.h"

namespace movexa::ui {

DeviceTestRunner::DeviceTestRunner(UiContext& ctx, PictureBox* activity, PictureBox* progress,
                                   QLabel* caption, QLabel* hint, QObject* parent)
    : QObject(parent),
      ctx_(ctx),
      activity_(activity),
      progress_(progress),
      caption_(caption),
      hint_(hint),
      host_{ctx.host.dialogs, ctx.host.clock, ctx.host.pacer, ctx.host.shell, ctx.host.system, *this} {
  timer_ = new QTimer(this);
  timer_->setObjectName("Timer_test");
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (Tick()) timer_->start(kDeviceTestTickMs);
  });
}

DeviceTestRunner::~DeviceTestRunner() = default;

void DeviceTestRunner::SetStatus(std::string_view where, std::string_view text) {
  const QString q = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
  if (where == maintenance_texts::kTestStatus && caption_) {
    caption_->setText(q);
    // The verdicts are longer than the temperature the caption usually shows.
    caption_->setMinimumWidth(
        std::max(caption_->minimumWidth(), caption_->fontMetrics().horizontalAdvance(q) + 8));
  }
  if (where == maintenance_texts::kTestHint && hint_) {
    hint_->setText(q);
    hint_->adjustSize();
    if (QWidget* over = hint_->parentWidget()) hint_->move(4, over->height() - hint_->height() - 4);
    hint_->setVisible(!text.empty());
    hint_->raise();
  }
  ctx_.host.status.SetStatus(where, text);
}

void DeviceTestRunner::RestorePicture() {
  if (hint_) hint_->hide();
  if (!activity_) return;
  activity_->SetBackColor(colors::kWhite);
  activity_->Clear();
  activity_->SetScale(-30, 300, 300, -30);
  DrawActivityAxes(*activity_, 1.0);
}

bool DeviceTestRunner::Start() {
  if (!ctx_.state.ports) return false;
  if (caption_) captionText_ = caption_->text();
  link_ = std::make_unique<DeviceLink>(InstrumentLink(ctx_.state, host_));
  DeviceTestContext c{*link_, ctx_.state.appDir,
                      [this] { return ctx_.state.run.runState != RunState::kStopped; },
                      activity_, progress_, [this] { RestorePicture(); },
                      [this] {
                        if (caption_) caption_->setText(captionText_);
                      }};
  test_ = std::make_unique<DeviceTest>(std::move(c));
  if (!test_->Start()) {
    timer_->stop();
    return false;
  }
  timer_->start(kDeviceTestTickMs);
  return true;
}

void DeviceTestRunner::StopTimer() { timer_->stop(); }

bool DeviceTestRunner::Tick() {
  if (!test_ || !test_->Tick()) {
    timer_->stop();
    Q_EMIT Finished();
    return false;
  }
  return true;
}

bool DeviceTestRunner::running() const { return test_ && test_->running(); }

}  // namespace movexa::ui
