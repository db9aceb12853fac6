// Text conversions between the core's UTF-8 strings and Qt's, and the object name a control
// is found by (the control names the windows' tests and the operator's manual share).
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace movexa::ui {

inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string S(const QString& text) {
  return text.toStdString();
}

// Gives a freshly made control its object name and returns it.
template <class W>
W* Named(W* control, const char* name) {
  control->setObjectName(QString::fromUtf8(name));
  return control;
}

}  // namespace movexa::ui
