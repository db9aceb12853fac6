#include <gtest/gtest.h>

#include "base/text_records.h"

namespace movexa {
namespace {

TEST(RecordReader, ReadsHeaderAndValuesAcrossLines) {
  RecordReader r("\"Config: <A>, <B>,<C>,<D>\"\r\n3,7,4,0\r\n");
  ASSERT_TRUE(r.Skip());
  int16_t a, b, c, d;
  ASSERT_TRUE(r.ReadInt16(a) && r.ReadInt16(b) && r.ReadInt16(c) && r.ReadInt16(d));
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 7);
  EXPECT_EQ(c, 4);
  EXPECT_EQ(d, 0);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_FALSE(r.ReadInt16(a));
  EXPECT_EQ(r.error(), RecordError::kEndOfFile);
}

TEST(RecordReader, BlanksAroundFieldsAndQuotedCommasAreHandled) {
  RecordReader r("  12 ,  \"a, b\"  ,-3\t\r\n");
  int16_t n;
  std::string t;
  ASSERT_TRUE(r.ReadInt16(n));
  EXPECT_EQ(n, 12);
  ASSERT_TRUE(r.ReadText(t));
  EXPECT_EQ(t, "a, b");
  ASSERT_TRUE(r.ReadInt16(n));
  EXPECT_EQ(n, -3);
}

TEST(RecordReader, AcceptsLfOnlyAndCrOnlyLineEndsAndSkipsBlankLines) {
  RecordReader r("\"h\"\n1,2\n\n3\r4\r\n");
  ASSERT_TRUE(r.Skip());
  int32_t v[4];
  for (auto& x : v) ASSERT_TRUE(r.ReadInt32(x));
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[2], 3);
  EXPECT_EQ(v[3], 4);
}

TEST(RecordReader, CommaBeforeLineEndGivesOneEmptyField) {
  RecordReader r("a,\r\nb");
  EXPECT_EQ(r.Next()->text, "a");
  auto empty = r.Next();
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->text, "");
  EXPECT_EQ(r.Next()->text, "b");
  EXPECT_FALSE(r.Next());
}

TEST(RecordReader, BadNumbersAreErrorsWithTheirLine) {
  {
    RecordReader r("1\r\nabc\r\n");
    int16_t n;
    ASSERT_TRUE(r.ReadInt16(n));
    EXPECT_FALSE(r.ReadInt16(n));
    EXPECT_EQ(r.error(), RecordError::kNotANumber);
    EXPECT_EQ(r.errorLine(), 2);
    EXPECT_EQ(r.ErrorText(), "line 2: not a number (abc)");
  }
  {
    RecordReader r("32768,-32769,32767,1.5,,99999999999999999999");
    int16_t n;
    EXPECT_FALSE(r.ReadInt16(n));
    EXPECT_EQ(r.error(), RecordError::kOutOfRange);
    EXPECT_FALSE(r.ReadInt16(n));
    ASSERT_TRUE(r.ReadInt16(n));
    EXPECT_EQ(n, 32767);
    EXPECT_FALSE(r.ReadInt16(n));  // a real where a whole number belongs
    EXPECT_FALSE(r.ReadInt16(n));  // an empty field is not a number
    EXPECT_FALSE(r.ReadInt16(n));  // too long to be any number
  }
}

TEST(RecordReader, UnterminatedOrTrailingQuotedTextIsMalformed) {
  RecordReader r("\"abc\r\n\"x\"y,2");
  std::string t;
  EXPECT_FALSE(r.ReadText(t));
  EXPECT_EQ(r.error(), RecordError::kMalformed);
  EXPECT_FALSE(r.ReadText(t));
  int16_t n;
  ASSERT_TRUE(r.ReadInt16(n));  // the reader resynchronises at the next comma
  EXPECT_EQ(n, 2);
}

TEST(RecordReader, RealsUsePointWhateverTheLocaleAndRejectOddForms) {
  RecordReader r("2.5,3,-0.125,1E-05,nan,0x10,1.2.3");
  double d;
  ASSERT_TRUE(r.ReadReal(d));
  EXPECT_DOUBLE_EQ(d, 2.5);
  ASSERT_TRUE(r.ReadReal(d));
  EXPECT_DOUBLE_EQ(d, 3);
  ASSERT_TRUE(r.ReadReal(d));
  EXPECT_DOUBLE_EQ(d, -0.125);
  ASSERT_TRUE(r.ReadReal(d));
  EXPECT_DOUBLE_EQ(d, 1e-5);
  EXPECT_FALSE(r.ReadReal(d));
  EXPECT_FALSE(r.ReadReal(d));
  EXPECT_FALSE(r.ReadReal(d));
}

TEST(RecordWriter, WritesShortestDecimalsQuotedTextAndCrLf) {
  RecordWriter w;
  w.Header("<Channel>, <Threshold>");
  w.Int(0).Real(3.0).EndLine();
  w.Int(1).Real(2.346).EndLine();
  w.Int(-1).Text("Group \"A\"").Real(-0.0).EndLine();
  EXPECT_EQ(w.str(),
            "\"<Channel>, <Threshold>\"\r\n0,3\r\n1,2.346\r\n-1,\"Group 'A'\",0\r\n");
}

TEST(RecordWriter, WhatIsWrittenReadsBackTheSame) {
  RecordWriter w;
  w.Text("name, with comma").Real(0.1 + 0.2).Int(-32768).Text("").EndLine();
  RecordReader r(w.str());
  std::string t;
  double d;
  int16_t n;
  ASSERT_TRUE(r.ReadText(t));
  EXPECT_EQ(t, "name, with comma");
  ASSERT_TRUE(r.ReadReal(d));
  EXPECT_EQ(ShortestDecimal(d), "0.3");
  ASSERT_TRUE(r.ReadInt16(n));
  EXPECT_EQ(n, -32768);
  ASSERT_TRUE(r.ReadText(t));
  EXPECT_EQ(t, "");
}

TEST(StorableText, QuotesAndLineBreaksNeverReachAFile) {
  EXPECT_EQ(StorableText("drug \"A\"\r\nnext"), "drug 'A'  next");
  EXPECT_EQ(StorableText("plain, text"), "plain, text");
}

TEST(OperatorNumbers, CommaIsADecimalPoint) {
  EXPECT_DOUBLE_EQ(*ParseOperatorNumber(" 1,3 "), 1.3);
  EXPECT_DOUBLE_EQ(*ParseOperatorNumber("2.5"), 2.5);
  EXPECT_FALSE(ParseOperatorNumber("abc"));
  EXPECT_FALSE(ParseOperatorNumber(""));
}

TEST(Lines, SplitAndCountFollowTheLineReader) {
  EXPECT_EQ(CountLinesIn(""), 0);
  EXPECT_EQ(CountLinesIn("a"), 1);
  EXPECT_EQ(CountLinesIn("a\r\n"), 1);
  EXPECT_EQ(CountLinesIn("a\r\nb\nc\rd"), 4);
  EXPECT_EQ(CountLinesIn("\r\n\r\n"), 2);
  auto lines = SplitLines("x,1\r\n\r\ny");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "");
}

}  // namespace
}  // namespace movexa
