// Field-stream reader and record writer of the system's comma-separated text files.
#include "base/text_records.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace movexa {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace

bool RecordReader::AtEnd() {
  size_t p = pos_;
  while (p < content_.size() && (IsBlank(content_[p]) || IsLineEnd(content_[p]))) ++p;
  // A comma just read means one more (empty) field is due, unless the content has ended.
  return p >= content_.size();
}

std::optional<RecordField> RecordReader::Next() {
  const size_t n = content_.size();
  auto consumeLineEnd = [&]() {
    if (pos_ < n && content_[pos_] == '\r') {
      ++pos_;
      if (pos_ < n && content_[pos_] == '\n') ++pos_;
    } else if (pos_ < n && content_[pos_] == '\n') {
      ++pos_;
    }
    ++line_;
  };

  while (pos_ < n && IsBlank(content_[pos_])) ++pos_;
  if (afterComma_) {
    // A comma followed by a line end (or the end) closes one empty field.
    if (pos_ >= n || IsLineEnd(content_[pos_])) {
      afterComma_ = false;
      RecordField f;
      f.line = line_;
      if (pos_ < n) consumeLineEnd();
      return f;
    }
  } else {
    // Blank lines between fields are skipped.
    while (pos_ < n && (IsBlank(content_[pos_]) || IsLineEnd(content_[pos_]))) {
      if (IsLineEnd(content_[pos_])) {
        consumeLineEnd();
      } else {
        ++pos_;
      }
    }
  }
  afterComma_ = false;
  if (pos_ >= n) return std::nullopt;

  RecordField f;
  f.line = line_;
  if (content_[pos_] == '"') {
    ++pos_;
    size_t start = pos_;
    while (pos_ < n && content_[pos_] != '"' && !IsLineEnd(content_[pos_])) ++pos_;
    f.text = std::string(content_.substr(start, pos_ - start));
    f.quoted = true;
    if (pos_ < n && content_[pos_] == '"') {
      ++pos_;
    } else {
      f.malformed = true;  // the line or the file ended inside the text
    }
    while (pos_ < n && IsBlank(content_[pos_])) ++pos_;
    if (pos_ < n && content_[pos_] != ',' && !IsLineEnd(content_[pos_])) {
      f.malformed = true;
      while (pos_ < n && content_[pos_] != ',' && !IsLineEnd(content_[pos_])) ++pos_;
    }
  } else {
    size_t start = pos_;
    while (pos_ < n && content_[pos_] != ',' && !IsLineEnd(content_[pos_])) ++pos_;
    f.text = std::string(Trim(content_.substr(start, pos_ - start)));
  }
  if (pos_ < n) {
    if (content_[pos_] == ',') {
      ++pos_;
      afterComma_ = true;
    } else {
      consumeLineEnd();
    }
  }
  return f;
}

bool RecordReader::Fail(RecordError e, const RecordField* f) {
  error_ = e;
  errorLine_ = f ? f->line : line_;
  errorField_ = f ? f->text : std::string();
  return false;
}

std::string RecordReader::ErrorText() const {
  std::string where = "line " + std::to_string(errorLine_) + ": ";
  switch (error_) {
    case RecordError::kNone:
      return {};
    case RecordError::kEndOfFile:
      return where + "the file ends early";
    case RecordError::kNotANumber:
      return where + "not a number (" + errorField_ + ")";
    case RecordError::kOutOfRange:
      return where + "number out of range (" + errorField_ + ")";
    case RecordError::kMalformed:
      return where + "malformed text field (" + errorField_ + ")";
  }
  return {};
}

bool RecordReader::Skip(int fields) {
  for (int i = 0; i < fields; ++i) {
    if (!Next()) return Fail(RecordError::kEndOfFile, nullptr);
  }
  return true;
}

bool RecordReader::ReadText(std::string& out) {
  auto f = Next();
  if (!f) return Fail(RecordError::kEndOfFile, nullptr);
  if (f->malformed) return Fail(RecordError::kMalformed, &*f);
  out = std::move(f->text);
  return true;
}

std::optional<RecordField> RecordReader::TakeNumberField() {
  auto f = Next();
  if (!f) {
    Fail(RecordError::kEndOfFile, nullptr);
    return std::nullopt;
  }
  if (f->malformed) {
    Fail(RecordError::kMalformed, &*f);
    return std::nullopt;
  }
  return f;
}

bool RecordReader::ReadInteger(int64_t minValue, int64_t maxValue, int64_t& out) {
  auto f = TakeNumberField();
  if (!f) return false;
  auto any = ParseInteger(f->text, std::numeric_limits<int64_t>::min(),
                          std::numeric_limits<int64_t>::max());
  if (!any) return Fail(RecordError::kNotANumber, &*f);
  if (*any < minValue || *any > maxValue) return Fail(RecordError::kOutOfRange, &*f);
  out = *any;
  return true;
}

bool RecordReader::ReadInt16(int16_t& out) {
  int64_t v = 0;
  if (!ReadInteger(std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), v)) {
    return false;
  }
  out = static_cast<int16_t>(v);
  return true;
}

bool RecordReader::ReadInt32(int32_t& out) {
  int64_t v = 0;
  if (!ReadInteger(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), v)) {
    return false;
  }
  out = static_cast<int32_t>(v);
  return true;
}

bool RecordReader::ReadReal(double& out) {
  auto f = TakeNumberField();
  if (!f) return false;
  auto v = ParseReal(f->text);
  if (!v) return Fail(RecordError::kNotANumber, &*f);
  out = *v;
  return true;
}

std::optional<int64_t> ParseInteger(std::string_view text, int64_t minValue, int64_t maxValue) {
  std::string_view t = Trim(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return std::nullopt;
  int64_t v = 0;
  auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec == std::errc::result_out_of_range) {
    // A long run of digits is a number, just not one that fits.
    return std::nullopt;
  }
  if (ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
  if (v < minValue || v > maxValue) return std::nullopt;
  return v;
}

std::optional<double> ParseReal(std::string_view text) {
  std::string_view t = Trim(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return std::nullopt;
  // Only plain decimal notation (digits, one point, optional exponent); no "inf", "nan", hex.
  for (char c : t) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'e' || c == 'E' || c == '+')) {
      return std::nullopt;
    }
  }
  double v = 0;
  auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<double> ParseOperatorNumber(std::string_view text) {
  std::string s(Trim(text));
  for (char& c : s) {
    if (c == ',') c = '.';
  }
  return ParseReal(s);
}

std::string ShortestDecimal(double v) {
  if (!std::isfinite(v)) return "0";
  if (v == 0) return "0";
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  if (ec != std::errc()) return "0";
  std::string s(buf, ptr);
  // to_chars writes exponents as "e-05"; the files use the upper-case form "E-05".
  for (char& c : s) {
    if (c == 'e') c = 'E';
  }
  return s;
}

std::string StorableText(std::string_view text) {
  std::string s(text);
  for (char& c : s) {
    if (c == '"') {
      c = '\'';
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      c = ' ';
    }
  }
  return s;
}

void RecordWriter::Separate() {
  if (lineStarted_) out_ += ',';
  lineStarted_ = true;
}

RecordWriter& RecordWriter::Text(std::string_view text) {
  Separate();
  out_ += '"';
  out_ += StorableText(text);
  out_ += '"';
  return *this;
}

RecordWriter& RecordWriter::Int(int64_t v) {
  Separate();
  out_ += std::to_string(v);
  return *this;
}

RecordWriter& RecordWriter::Real(double v) {
  Separate();
  out_ += ShortestDecimal(v);
  return *this;
}

RecordWriter& RecordWriter::Raw(std::string_view field) {
  Separate();
  out_ += field;
  return *this;
}

RecordWriter& RecordWriter::EndLine() {
  out_ += "\r\n";
  lineStarted_ = false;
  return *this;
}

std::vector<std::string> SplitLines(std::string_view content) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < content.size()) {
    char c = content[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(content.substr(start, i - start));
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
      start = i + 1;
    }
    ++i;
  }
  if (start < content.size()) lines.emplace_back(content.substr(start));
  return lines;
}

int CountLinesIn(std::string_view content) { return static_cast<int>(SplitLines(content).size()); }

}  // namespace movexa
