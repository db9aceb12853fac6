// The record syntax of every small text file of the system (configuration, project files,
// plate formats, report configuration, calibration table): lines end in CR LF, fields are
// separated by commas, a text field stands between double quotes and cannot contain one,
// numbers are plain decimal with "." as decimal point whatever the locale, shortest form.
//
// Reading follows the field-stream rule: fields are read in order regardless of how they are
// spread over lines; blanks around a field are ignored; a comma directly followed by a line end
// yields one empty field; blank lines are skipped. LF-only and CR-only line ends are accepted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace movexa {

// One field as read: its text (quotes removed), whether it was a quoted text field, and the
// 1-based line it stands on.
struct RecordField {
  std::string text;
  bool quoted = false;
  bool malformed = false;  // unterminated quote, or characters after the closing quote
  int line = 0;
};

enum class RecordError {
  kNone,
  kEndOfFile,   // a field was expected but the file ended
  kNotANumber,  // a number was expected but the field holds text (or is empty)
  kOutOfRange,  // the number does not fit the field's type
  kMalformed,   // a text field with a missing closing quote or trailing characters
};

class RecordReader {
 public:
  explicit RecordReader(std::string_view content) : content_(content) {}

  // Next field, or nullopt at the end of the content.
  std::optional<RecordField> Next();
  // True when no further field remains (only blanks and line ends).
  bool AtEnd();

  // Typed reads. Each returns false on failure and records the error (the reader stays at the
  // field after the failing one). A number may stand quoted or bare.
  bool Skip(int fields = 1);
  bool ReadText(std::string& out);
  bool ReadInt16(int16_t& out);
  bool ReadInt32(int32_t& out);
  bool ReadReal(double& out);

  RecordError error() const { return error_; }
  int errorLine() const { return errorLine_; }
  // "line 12: not a number (abc)" style description of the last error.
  std::string ErrorText() const;
  // Line of the next field to be read (1-based).
  int line() const { return line_; }

 private:
  bool Fail(RecordError e, const RecordField* f);
  std::optional<RecordField> TakeNumberField();
  // A whole number within [minValue, maxValue]; the error says which way it failed.
  bool ReadInteger(int64_t minValue, int64_t maxValue, int64_t& out);

  std::string_view content_;
  size_t pos_ = 0;
  int line_ = 1;
  bool afterComma_ = false;
  RecordError error_ = RecordError::kNone;
  int errorLine_ = 0;
  std::string errorField_;
};

// Parses a whole decimal number ("-12", "+7", " 3 "); nullopt when the text is not one or is
// outside [minValue, maxValue].
std::optional<int64_t> ParseInteger(std::string_view text, int64_t minValue, int64_t maxValue);
// Parses a plain decimal real with "." as decimal point ("2.5", "-0.25", "3", "1E-05").
std::optional<double> ParseReal(std::string_view text);
// Reads a number typed by the operator: "," is accepted as decimal point, blanks are trimmed.
std::optional<double> ParseOperatorNumber(std::string_view text);

// Shortest decimal form of a real with "." as decimal point: 3.0 -> "3", 2.5 -> "2.5",
// 2.346 -> "2.346"; at most 15 significant digits; never "-0".
std::string ShortestDecimal(double v);

// The quote rule for text the operator types and the system stores: a double quote cannot
// stand inside a text field, so each one becomes an apostrophe; line breaks and other control
// characters become blanks. Applied to names, group names and experiment names before they are
// kept, and once more by RecordWriter::Text so that no file can ever receive a raw quote.
std::string StorableText(std::string_view text);

// Builds records: fields of one line are joined with ","; EndLine() writes CR LF.
class RecordWriter {
 public:
  RecordWriter& Text(std::string_view text);  // quoted (after StorableText)
  RecordWriter& Int(int64_t v);
  RecordWriter& Real(double v);               // ShortestDecimal
  RecordWriter& Raw(std::string_view field);  // written as given
  RecordWriter& EndLine();
  // A whole header line: one quoted text field and CR LF.
  RecordWriter& Header(std::string_view text) { return Text(text).EndLine(); }
  const std::string& str() const { return out_; }

 private:
  void Separate();
  std::string out_;
  bool lineStarted_ = false;
};

// Splits content into lines at CR LF, LF or CR. A final line end does not start a new line.
std::vector<std::string> SplitLines(std::string_view content);
// Number of lines as a line reader counts them until end of file (a last line without line end
// counts; an empty content has 0 lines).
int CountLinesIn(std::string_view content);

}  // namespace movexa
