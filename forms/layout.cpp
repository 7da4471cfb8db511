#include "forms/layout.h"

namespace rn::layout {
namespace {

using enum ControlKind;

const Font kMincho36{"ＭＳ 明朝", 36, 400, 128};
const Font kPGothic12{"ＭＳ Ｐゴシック", 12, 400, 128};
const Font kPGothic9Bold{"ＭＳ Ｐゴシック", 9, 700, 128};

tk::ControlLayout Place(ControlKind kind, const char* caption, tk::Twips left, tk::Twips top,
                        tk::Twips width, tk::Twips height, int tabIndex,
                        std::optional<Font> font = {}, std::optional<PictureId> picture = {},
                        bool autoSize = false) {
  return {kind, caption, left, top, width, height, tabIndex, std::move(font), picture, autoSize};
}

}  // namespace

// clang-format off
const tk::FormLayout kForm1{
    .caption = "Form1", .border = BorderStyle::None, .closeBox = false,
    .showInTaskbar = false, .startUp = StartUpPosition::WindowsDefault,
    .clientWidth = 4680, .clientHeight = 3195, .icon = {}};

const tk::FormLayout kForm2{
    .caption = "操作パネル", .border = BorderStyle::FixedToolWindow, .closeBox = true,
    .showInTaskbar = false, .startUp = StartUpPosition::Manual,
    .clientWidth = 5250, .clientHeight = 840, .icon = {}};

namespace form2 {
//                                  kind            caption   left   top  width height tab
const tk::ControlLayout Command2 = Place(CommandButton, "Close",   4500,  450,  720,  360,  3);
const tk::ControlLayout Command1 = Place(CommandButton, "Clear",   4500,   30,  720,  360,  2);
const tk::ControlLayout Text1   = Place(TextBox,       "",           0,    0, 4455,  840,  1, kMincho36);
// Below the client area: it only carries the shape bitmap, at its picture's size.
const tk::ControlLayout Picture1 = Place(PictureBox,    "",         240,  960,  750,  750,  0, {},
                                 PictureId::ShapeBitmap, true);
const tk::ControlLayout Image1  = Place(Image,         "",        2040, 1080,  480,  480, -1, {},
                                 PictureId::TrayIcon);
}  // namespace form2

const tk::FormLayout kForm3{
    .caption = "設定", .border = BorderStyle::FixedSingle, .closeBox = true,
    .showInTaskbar = true, .startUp = StartUpPosition::CenterScreen,
    .clientWidth = 2865, .clientHeight = 3240, .icon = PictureId::DialogIcon};

namespace form3 {
//                                       kind           caption                  left   top  width height tab
const tk::ControlLayout Frame1       = Place(Frame,         "設定",                    120,  120, 2655,  735, 0);
const tk::ControlLayout Check1       = Place(CheckBox,      "常に手前に表示",          360,  240, 1815,  375, 1);
const tk::ControlLayout Frame2       = Place(Frame,         "バージョン情報",          120,  960, 2655, 1815, 2);
const tk::ControlLayout Image1       = Place(Image,         "",                        120,  240,  480,  480, -1, {},
                                      PictureId::DialogIcon);
const tk::ControlLayout Label1       = Place(Label,         "Ravik N",                 720,  360, 1935,  255, 3, kPGothic12);
const tk::ControlLayout Label2       = Place(Label,         "Ver 1.00",               1800,  420,  735,  255, 4);
const tk::ControlLayout Label4       = Place(Label,         "In",                      960,  960,  255,  255, 8);
const tk::ControlLayout Label5       = Place(Label,         "Morvelプロジェクト",     1200,  960, 1455,  255, 7, kPGothic9Bold);
const tk::ControlLayout UserControl11 = Place(UserControl,   "",                        480, 1320, 1575,  495, 9);
const tk::ControlLayout Command1     = Place(CommandButton, "OK",                     1800, 2880,  975,  255, 5);
}  // namespace form3

namespace user_control1 {
const tk::ControlLayout Command1 = Place(CommandButton, "Go HomePage", 120, 120, 1335, 255, 0);
}  // namespace user_control1
// clang-format on

const std::vector<std::string> kMenuCaptions{"操作パネルを開く", "設定", "-", "終了"};

}  // namespace rn::layout
