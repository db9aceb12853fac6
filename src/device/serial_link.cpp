// Settings text, the shared read loop and error texts of the serial links.
#include "device/serial_link.h"

#include <cerrno>
#include <cstring>

#include "base/text_records.h"

namespace movexa {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return std::string(s.substr(b, e - b));
}

}  // namespace

std::optional<LineSettings> ParseLineSettings(std::string_view text, const LineSettings& base) {
  LineSettings s = base;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos >= text.size()) break;
    size_t end = pos;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
    std::string_view pair = text.substr(pos, end - pos);
    pos = end;
    size_t eq = pair.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == pair.size()) return std::nullopt;
    std::string key = Lower(pair.substr(0, eq));
    std::string_view value = pair.substr(eq + 1);
    if (key == "baud") {
      auto v = ParseInteger(value, 50, 4000000);
      if (!v) return std::nullopt;
      s.baud = static_cast<int>(*v);
    } else if (key == "parity") {
      if (value.size() != 1) return std::nullopt;
      char p = value[0];
      if (p >= 'a' && p <= 'z') p = static_cast<char>(p - 'a' + 'A');
      if (std::strchr("NEOMS", p) == nullptr) return std::nullopt;
      s.parity = p;
    } else if (key == "data") {
      auto v = ParseInteger(value, 5, 8);
      if (!v) return std::nullopt;
      s.dataBits = static_cast<int>(*v);
    } else if (key == "stop") {
      auto v = ParseInteger(value, 1, 2);
      if (!v) return std::nullopt;
      s.stopBits = static_cast<int>(*v);
    } else {
      return std::nullopt;
    }
  }
  return s;
}

LinkResult ReadWithTimeouts(TimedByteSource& source, uint8_t* buffer, int max,
                            const ReadTimeouts& timeouts) {
  LinkResult r;
  const int64_t startUs = source.NowUs();
  const int64_t totalEndUs = startUs + int64_t{timeouts.totalMs} * 1000;
  int64_t lastByteUs = timeouts.quietFromStart ? startUs : -1;
  const int64_t intervalUs =
      timeouts.intervalUs > 0 ? int64_t{timeouts.intervalUs} : int64_t{timeouts.intervalMs} * 1000;
  while (r.count < max) {
    int n = source.TryRead(buffer + r.count, max - r.count);
    if (n < 0) {
      r.code = errno != 0 ? errno : EIO;
      return r;
    }
    const int64_t nowUs = source.NowUs();
    if (n > 0) {
      r.count += n;
      lastByteUs = nowUs;
      continue;
    }
    int64_t endUs = totalEndUs;
    if (lastByteUs >= 0 && lastByteUs + intervalUs < endUs) endUs = lastByteUs + intervalUs;
    if (nowUs >= endUs) break;
    if (source.WaitReadable(endUs - nowUs) < 0) {
      r.code = errno != 0 ? errno : EIO;
      r.waitFailed = true;
      return r;
    }
  }
  return r;
}

std::string OsErrorText(int code) {
  char buffer[256] = {};
  // The GNU strerror_r may return a static text instead of filling the buffer.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
  const char* text = strerror_r(code, buffer, sizeof buffer);
#else
  const char* text = strerror_r(code, buffer, sizeof buffer) == 0 ? buffer : "Unknown error";
#endif
  return Trim(text == nullptr ? "" : text);
}

}  // namespace movexa
