// The settings file's text: what the writer produces and how the reader takes it.
#include "settings/settings_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>

#include "platform/errors.h"
#include "tests/fuzz/fuzz_check.h"

namespace rn {
namespace {

tk::TextReader Reader(std::string_view text) {
  return tk::TextReader(std::make_unique<fuzz::MemoryInput>(text));
}

tk::Error ErrorOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const tk::RuntimeError& e) {
    return e.error();
  }
  return tk::Error::None;
}

TEST(SettingsTextWriter, WritesTheFormsTheFileUses) {
  EXPECT_EQ(FormatNumber(720), "720");
  EXPECT_EQ(FormatNumber(768), "768");
  EXPECT_EQ(FormatNumber(527.5f), "527.5");
  EXPECT_EQ(FormatNumber(-1234.5f), "-1234.5");
  EXPECT_EQ(FormatNumber(0), "0");
  EXPECT_EQ(FormatNumber(-0.0f), "-0");
  EXPECT_EQ(FormatNumber(1234567), "1234567");
  EXPECT_EQ(FormatFlag(kTrue), "#TRUE#");
  EXPECT_EQ(FormatFlag(kFalse), "#FALSE#");
}

TEST(SettingsTextWriter, IgnoresTheUsersDecimalSeparator) {
  // A locale with a decimal comma must not leak into the file.
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale here";
  EXPECT_EQ(FormatNumber(527.5f), "527.5");
  auto in = Reader("527.5,336\r\n");
  EXPECT_EQ(ReadNumber(in), 527.5f);
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(SettingsTextReader, ReadsTheWrittenExample) {
  auto in = Reader("720,450\r\n527.5,336\r\n#TRUE#\r\n");
  EXPECT_EQ(ReadPosition(in), 720);
  EXPECT_EQ(ReadPosition(in), 450);
  EXPECT_EQ(ReadPosition(in), 527.5f);
  EXPECT_EQ(ReadPosition(in), 336);
  EXPECT_EQ(ReadFlag(in), kTrue);
  EXPECT_EQ(ErrorOf([&] { ReadNumber(in); }), tk::Error::InputPastEnd);
}

TEST(SettingsTextReader, LineEndsAndCommasBothEndAValue) {
  for (const char* text : {"1\n2\n3\n4\n#FALSE#", "1,2,3,4,#FALSE#", "1\r2\r3\r4\r#FALSE#",
                           "  1 ,\t2\r\n 3,4\r\n   #FALSE#   \r\n"}) {
    SCOPED_TRACE(text);
    auto in = Reader(text);
    EXPECT_EQ(ReadNumber(in), 1);
    EXPECT_EQ(ReadNumber(in), 2);
    EXPECT_EQ(ReadNumber(in), 3);
    EXPECT_EQ(ReadNumber(in), 4);
    EXPECT_EQ(ReadFlag(in), kFalse);
  }
}

TEST(SettingsTextReader, FlagTakesItsTextsOrAnyNumber) {
  const std::pair<const char*, Flag> cases[] = {
      {"#TRUE#", kTrue}, {"#FALSE#", kFalse}, {"0", kFalse},  {"-1", kTrue},
      {"1", kTrue},      {"0.5", kTrue},      {"-0", kFalse},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    auto in = Reader(text);
    EXPECT_EQ(ReadFlag(in), expected);
  }
}

TEST(SettingsTextReader, RejectsWhatIsNoUsableValue) {
  const std::pair<const char*, tk::Error> cases[] = {
      {"nan", tk::Error::TypeMismatch},   {"inf", tk::Error::TypeMismatch},
      {"-inf", tk::Error::TypeMismatch},  {"1e39", tk::Error::Overflow},
      {"abc", tk::Error::TypeMismatch},   {"12abc", tk::Error::TypeMismatch},
      {"", tk::Error::InputPastEnd},      {"\r\n", tk::Error::TypeMismatch},
      {"0x10", tk::Error::TypeMismatch},  {"1 2", tk::Error::TypeMismatch},
      {"#TRUE", tk::Error::TypeMismatch}, {"#true#", tk::Error::TypeMismatch},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    auto numberIn = Reader(text);
    EXPECT_EQ(ErrorOf([&] { ReadNumber(numberIn); }), expected);
    auto flagIn = Reader(text);
    EXPECT_EQ(ErrorOf([&] { ReadFlag(flagIn); }), expected);
  }
}

TEST(SettingsTextReader, PositionsMustFitThePlatformsCoordinates) {
  auto in = Reader("491505,-491505,491506,-1e30,12");
  EXPECT_EQ(ReadPosition(in), 491505);
  EXPECT_EQ(ReadPosition(in), -491505);
  EXPECT_EQ(ErrorOf([&] { ReadPosition(in); }), tk::Error::Overflow);
  EXPECT_EQ(ErrorOf([&] { ReadPosition(in); }), tk::Error::Overflow);
  EXPECT_EQ(ReadPosition(in), 12) << "a failed value must not swallow the next one";
}

}  // namespace
}  // namespace rn
