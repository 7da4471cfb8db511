// Float-to-integer rounding, the tray decoder built on it, and the notification
// record's 88-byte form.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/errors.h"
#include "platform/notify_icon.h"
#include "platform/rounding.h"
#include "tray/tray_icon.h"

namespace rn {
namespace {

TEST(RoundToInt32, RoundsHalvesToEven) {
  EXPECT_EQ(tk::RoundToInt32(0.5), 0);
  EXPECT_EQ(tk::RoundToInt32(1.5), 2);
  EXPECT_EQ(tk::RoundToInt32(2.5), 2);
  EXPECT_EQ(tk::RoundToInt32(-0.5), 0);
  EXPECT_EQ(tk::RoundToInt32(-1.5), -2);
  EXPECT_EQ(tk::RoundToInt32(-2.5), -2);
  EXPECT_EQ(tk::RoundToInt32(2.4999), 2);
  EXPECT_EQ(tk::RoundToInt32(-2.5001), -3);
  EXPECT_EQ(tk::RoundToInt32(2147483647.0), 2147483647);
  EXPECT_EQ(tk::RoundToInt32(-2147483648.0), -2147483647 - 1);
}

TEST(RoundToInt32, ValuesWithoutAnIntegerRaiseOverflow) {
  for (const double v : {2147483647.5 + 1, -2147483649.0, std::nan(""),
                         std::numeric_limits<double>::infinity(), 1e300}) {
    try {
      tk::RoundToInt32(v);
      ADD_FAILURE() << v;
    } catch (const tk::RuntimeError& e) {
      EXPECT_EQ(e.error(), tk::Error::Overflow);
    }
  }
}

TEST(DecodeTrayMessage, AWholeFactorIsThePlainIntegerDivisionOfTheRoundedX) {
  for (const int factor : {15, 12, 10}) {
    for (int x = -2 * factor; x < 520 * factor; ++x) {
      EXPECT_EQ(DecodeTrayMessage(static_cast<float>(x), static_cast<float>(factor)), x / factor)
          << x << " at " << factor;
    }
  }
}

TEST(DecodeTrayMessage, AZeroFactorIsAnError) {
  EXPECT_THROW(DecodeTrayMessage(7725, 0.0f), tk::RuntimeError);
}

TEST(NotifyRecord, AnsiFormIsLittleEndianWithTheTipPadded) {
  NotifyIconRecord record;
  record.cbSize = 88;
  record.hWnd = 0x12345678;
  record.uID = 0;
  record.uFlags = 7;
  record.uCallbackMessage = 512;
  record.hIcon = 0xFEDCBA98;
  record.SetTip(std::u16string(u"Ravik N") + u'\0');
  const NotifyRecordBytes bytes = ToAnsiForm(record);

  const std::uint8_t head[24] = {88, 0, 0, 0, 0x78, 0x56, 0x34, 0x12, 0,    0,    0,    0,
                                 7,  0, 0, 0, 0x00, 0x02, 0,    0,    0x98, 0xBA, 0xDC, 0xFE};
  EXPECT_TRUE(std::equal(std::begin(head), std::end(head), bytes.begin()));
  EXPECT_EQ(std::string(bytes.begin() + 24, bytes.begin() + 31), "Ravik N");
  EXPECT_EQ(bytes[31], 0);
  for (std::size_t i = 32; i < 88; ++i) EXPECT_EQ(bytes[i], ' ') << i;

  const NotifyAnsiFields back = FromAnsiForm(bytes);
  EXPECT_EQ(back.hWnd, record.hWnd);
  EXPECT_EQ(back.hIcon, record.hIcon);
  EXPECT_EQ(back.uCallbackMessage, 512u);
}

TEST(NotifyRecord, TipIsCutToSixtyFourAndNonAsciiNeverPassesAsAnotherByte) {
  NotifyIconRecord record;
  record.SetTip(std::u16string(70, u'a') + u"日本");
  NotifyRecordBytes bytes = ToAnsiForm(record);
  EXPECT_EQ(bytes[87], 'a');
  record.SetTip(u"設定");
  bytes = ToAnsiForm(record);
  EXPECT_EQ(bytes[24], '?');
  EXPECT_EQ(bytes[25], '?');
  EXPECT_EQ(bytes[26], ' ');
}

TEST(NotifyRecord, IconCallbacksAreToldFromPointerMoves) {
  EXPECT_TRUE(IsNotifyIconCallback(0, win::WmLButtonDblClk, 0));
  EXPECT_TRUE(IsNotifyIconCallback(0, win::WmRButtonDown, 0));
  EXPECT_FALSE(IsNotifyIconCallback(win::MkLButton, win::WmLButtonDblClk, 0))
      << "a drag holding the capture";
  EXPECT_FALSE(IsNotifyIconCallback(0, (40u << 16) | 515u, 0)) << "a pointer at row 40";
  EXPECT_FALSE(IsNotifyIconCallback(0, 12u, 0)) << "a pointer at column 12 of the top row";
  EXPECT_FALSE(IsNotifyIconCallback(0, 0x300u, 0)) << "no mouse message";
}

}  // namespace
}  // namespace rn
