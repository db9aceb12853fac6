// The start menu.
#include "ui/main/frm_init.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "app/app_texts.h"
#include "ui/main/shell_texts.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

namespace {

constexpr int kOptionCount = 5;
const QColor kHoverColour(255, 255, 192);
const QColor kPlainColour(255, 255, 255);

}  // namespace

void Frm_Init::StepPacer::PauseMs(int ms) {
  // One tick of Timerinicio: armed once, single-shot; the event loop runs until it fires.
  QTimer* timer = owner_.timerinicio_;
  timer->setInterval(owner_.stepOverrideMs_ >= 0 ? owner_.stepOverrideMs_ : ms);
  QEventLoop loop;
  QMetaObject::Connection done =
      QObject::connect(timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer->start();
  loop.exec();
  QObject::disconnect(done);
}

void Frm_Init::StepPacer::PumpEvents() {
  QCoreApplication::processEvents();
}

Frm_Init::Frm_Init(UiContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  setObjectName("Frm_Init");
  setWindowTitle("Movexa");
  timerinicio_ = new QTimer(this);
  timerinicio_->setObjectName("Timerinicio");
  timerinicio_->setSingleShot(true);
  timerinicio_->setInterval(500);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 18, 24, 18);
  layout->setSpacing(10);
  auto* title = new QLabel("Movexa", this);
  title->setObjectName("Label_title");
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 2.2);
  big.setBold(true);
  title->setFont(big);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title);
  version_ = new QLabel(Q(shell_texts::kVersionLabel), this);
  version_->setObjectName("Label_version");
  version_->setAlignment(Qt::AlignCenter);
  layout->addWidget(version_);

  for (int i = 0; i < kOptionCount; ++i) {
    auto* frame = new QFrame(this);
    frame->setObjectName(QString("Frame_option%1").arg(i + 1));
    frame->setFrameShape(QFrame::Box);
    frame->setAutoFillBackground(true);
    frame->setFocusPolicy(Qt::StrongFocus);
    frame->setCursor(Qt::PointingHandCursor);
    frame->setMinimumHeight(46);
    auto* inner = new QVBoxLayout(frame);
    auto* label = new QLabel(Q(shell_texts::kOptions[static_cast<size_t>(i)]), frame);
    label->setObjectName(QString("Label_option%1").arg(i + 1));
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    inner->addWidget(label);
    frame->installEventFilter(this);
    label->installEventFilter(this);
    frames_[static_cast<size_t>(i)] = frame;
    labels_[static_cast<size_t>(i)] = label;
    layout->addWidget(frame);
  }
  SetCalibrationOptionVisible(false);

  auto* extras = new QHBoxLayout;
  // Links that Tab reaches after the options; Return or Space follows the one with the focus.
  auto link = [this](std::string_view text, const char* name, const std::function<void()>* action) {
    auto* l = new QLabel(QString("<a href=\"#\">%1</a>").arg(Q(text)), this);
    l->setObjectName(name);
    // One Tab stop per link (the label's own link navigation would take two), marked by a
    // frame while it has the focus.
    l->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    l->setFocusPolicy(Qt::StrongFocus);
    l->setStyleSheet(
        "QLabel { border: 1px solid transparent; padding: 1px 3px; }"
        "QLabel:focus { border-color: palette(highlight); }");
    l->installEventFilter(this);
    connect(l, &QLabel::linkActivated, this, [action] {
      if (*action) (*action)();
    });
    return l;
  };
  tryLabel_ = link(shell_texts::kTryWithoutInstrument, "Label_demo", &onTryWithoutInstrument);
  portsLabel_ = link(shell_texts::kSerialPortsEntry, "Label_ports", &onSerialPorts);
  helpLabel_ = link(shell_texts::kHelpEntry, "Label_help", &onHelp);
  extras->addWidget(tryLabel_);
  extras->addStretch();
  extras->addWidget(portsLabel_);
  extras->addSpacing(16);
  extras->addWidget(helpLabel_);
  layout->addLayout(extras);

  news_ = new QLabel(Q(shell_texts::kInitialNews), this);
  news_->setObjectName("LblNews");
  news_->setFrameShape(QFrame::Panel);
  news_->setFrameShadow(QFrame::Sunken);
  news_->setMinimumWidth(420);
  layout->addWidget(news_);
  Highlight(-1);

  if (ctx_.status) {
    ctx_.status->Route(app_texts::kStartMenuStatus,
                       [this](std::string_view text) { SetNews(text); });
  }
}

void Frm_Init::SetNews(std::string_view text) {
  news_->setText(Q(text));
  news_->repaint();
}

QString Frm_Init::news() const {
  return news_->text();
}

void Frm_Init::SetCalibrationOptionVisible(bool visible) {
  frames_[3]->setVisible(visible);
}

void Frm_Init::Highlight(int option) {
  for (int i = 0; i < kOptionCount; ++i) {
    QPalette p = frames_[static_cast<size_t>(i)]->palette();
    p.setColor(QPalette::Window, i == option ? kHoverColour : kPlainColour);
    frames_[static_cast<size_t>(i)]->setPalette(p);
  }
  for (QFrame* f : frames_) f->update();
}

int Frm_Init::OptionOf(QObject* watched) const {
  for (int i = 0; i < kOptionCount; ++i) {
    if (watched == frames_[static_cast<size_t>(i)] || watched == labels_[static_cast<size_t>(i)])
      return i;
  }
  return -1;
}

const std::function<void()>* Frm_Init::LinkAction(QObject* watched) const {
  if (watched == tryLabel_) return &onTryWithoutInstrument;
  if (watched == portsLabel_) return &onSerialPorts;
  if (watched == helpLabel_) return &onHelp;
  return nullptr;
}

bool Frm_Init::eventFilter(QObject* watched, QEvent* event) {
  if (const auto* action = LinkAction(watched)) {
    if (event->type() == QEvent::KeyPress && isEnabled()) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && *action) {
        (*action)();
        return true;
      }
    }
    return QWidget::eventFilter(watched, event);
  }
  const int option = OptionOf(watched);
  if (option < 0) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Enter:
    case QEvent::FocusIn:
      Highlight(option);
      break;
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && isEnabled()) {
        RunOption(option + 1);
        return true;
      }
      break;
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        RunOption(option + 1);
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void Frm_Init::RunOption(int option) {
  switch (option) {
    case 1:
      ctx_.nav.Show(WindowId::kSetup);
      break;
    case 2:
      if (onRunLatestProject) onRunLatestProject();
      break;
    case 3:
      ctx_.nav.Show(WindowId::kOffline);
      break;
    case 4:
      ctx_.nav.Show(WindowId::kCalibration);
      break;
    case 5:
      if (ctx_.host.dialogs.Ask(shell_texts::kSureToQuit, Dialogs::Buttons::kYesNo) ==
          Dialogs::Answer::kYes) {
        if (onExit) onExit();
      }
      break;
    default:
      break;
  }
}

void Frm_Init::OnActivated() {
  if (!ctx_.state.connected) return;
  // The built-in simulated instrument is named as such, never as a port of this computer.
  SetNews(ctx_.state.simulatedInstrument ? std::string(shell_texts::kSimulatedInstrumentNews)
                                         : shell_texts::ConnectedIn(ctx_.state.connection.port));
}

void Frm_Init::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) OnActivated();
  QWidget::changeEvent(event);
}

void Frm_Init::showEvent(QShowEvent* event) {
  OnActivated();
  QWidget::showEvent(event);
}

void Frm_Init::closeEvent(QCloseEvent* event) {
  // Closing the start menu is its EXIT option.
  event->ignore();
  RunOption(5);
}

}  // namespace movexa::ui
