// Text conversion shared by the offline window's files.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace movexa::ui::offline_qt {

inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string S(const QString& text) { return text.toStdString(); }

}  // namespace movexa::ui::offline_qt
