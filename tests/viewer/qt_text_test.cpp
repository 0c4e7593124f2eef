#include "viewer/qt_text.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(QtText, Cp932CharactersCrossTheBoundaryBothWays) {
  // ①, ～ (8160: U+FF5E, not U+301C), ∥, －, ￢ and the CP932 backslash byte.
  const std::string sjis = Sj("①～∥－￢") + "\\" + Sj("漢字かなカナ");
  const QString text = ToQString(sjis);
  EXPECT_EQ(text, QString::fromUtf8("①\uFF5E\u2225\uFF0D\uFFE2\\漢字かなカナ"));
  EXPECT_EQ(Hex(FromQString(text)), Hex(sjis));
}

TEST(QtText, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(FromQString(QString::fromUtf8("a€b")), "a?b");
}

TEST(QtText, WidgetTextUsesLfAndProgramTextCrLf) {
  EXPECT_EQ(ToWidgetText("a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd"));
  EXPECT_EQ(FromWidgetText(QStringLiteral("a\nb\r\nc\r")), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(Hex(FromWidgetText(ToWidgetText(Sj("一行目\r\n二行目\r\n")))), Hex(Sj("一行目\r\n二行目\r\n")));
}

}  // namespace
