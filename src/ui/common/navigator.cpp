// Navigator: windows created on first use, then shown and hidden.
#include "ui/common/navigator.h"

namespace movexa::ui {

QWidget* Navigator::Get(WindowId id) {
  auto it = windows_.find(id);
  if (it != windows_.end() && it->second) return it->second;
  auto f = factories_.find(id);
  if (f == factories_.end()) return nullptr;
  QWidget* w = f->second();
  if (w) w->hide();
  windows_[id] = w;
  return w;
}

bool Navigator::Exists(WindowId id) const {
  auto it = windows_.find(id);
  return it != windows_.end() && it->second;
}

QWidget* Navigator::Show(WindowId id, bool hideOthers) {
  QWidget* w = Get(id);
  if (!w) return nullptr;
  if (hideOthers)
    for (auto& [other, window] : windows_)
      if (other != id && window) window->hide();
  w->show();
  w->raise();
  w->activateWindow();
  return w;
}

void Navigator::Hide(WindowId id) {
  auto it = windows_.find(id);
  if (it != windows_.end() && it->second) it->second->hide();
}

Navigator::~Navigator() {
  for (auto& [id, window] : windows_) delete window.data();
}

}  // namespace movexa::ui
