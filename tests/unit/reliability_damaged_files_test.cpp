// Start-up with damaged settings files, each against what the README's table
// of the settings file says start-up does with it: the defaults, the values up
// to the damage, or one unit failed and the reading going on right after the
// bad value; and always the badge on screen with nothing reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "gadget_fixture.h"

namespace rn::testing {
namespace {

// What start-up left behind. A panel place of nullopt: centred on the screen.
struct Outcome {
  Point badge;  // pixels
  std::optional<float> panelLeft;
  std::optional<float> panelTop;
  Flag flag = kFalse;
};

struct Damaged {
  const char* name;
  std::string bytes;
  Outcome expected;
};

std::string Utf16WithBom(std::string_view ascii) {
  std::string out = "\xFF\xFE";
  for (const char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

const std::string kGood = "720,450\r\n527.5,336\r\n#TRUE#\r\n";
constexpr Outcome kGoodOutcome{{48, 30}, 527.5f, 336.0f, kTrue};
// Every unit failed, or nothing was there: the values start-up starts with.
constexpr Outcome kNothingRead{{0, 0}, 0.0f, 0.0f, kFalse};

std::vector<Damaged> DamagedFiles() {
  using namespace std::string_literals;
  return {
      {"TheWrittenExample", kGood, kGoodOutcome},
      // Beyond the screen's edge, restored there.
      {"FarOffScreen",
       "150000,-90000\r\n527.5,336\r\n#TRUE#\r\n",
       {{10000, -6000}, 527.5f, 336.0f, kTrue}},
      // Binary bytes are "no finite number": each unit that meets them fails.
      {"BinaryGarbage", "\x89\x01\xFF\xFE\x80\x7F\xC3\x28"s, kNothingRead},
      {"BinaryGarbageWithDelimiters", "\xDE\xAD,\xBE\xEF\r\n\x01\x02,\x03\r\n\xFF\r\n"s,
       kNothingRead},
      {"OnlyNulBytes", std::string(4096, '\0'), kNothingRead},
      {"NulInsideTheFirstValue",
       "72\0"
       "0,450\r\n527.5,336\r\n#TRUE#\r\n"s,
       // The unit fails on its first value; the next unit reads on after it.
       {{0, 0}, 450.0f, 527.5f, kTrue}},
      {"NulPaddingAfterTheLines", kGood + std::string(512, '\0'), kGoodOutcome},
      // Nothing in a UTF-16 file is a value of the file's own encoding.
      {"Utf16WithBom", Utf16WithBom(kGood), kNothingRead},
      {"Utf8Bom", "\xEF\xBB\xBF" + kGood, kGoodOutcome},
      // Only one whole mark, only at the start: anything else is the first value's own text.
      {"Utf8BomTwice", "\xEF\xBB\xBF\xEF\xBB\xBF" + kGood, {{0, 0}, 450.0f, 527.5f, kTrue}},
      {"Utf8BomCut", "\xEF\xBB" + kGood, {{0, 0}, 450.0f, 527.5f, kTrue}},
      // A comma and a line end of CR, LF or CR LF all end a value.
      {"CrOnlyLineEnds", "720,450\r527.5,336\r#TRUE#\r", kGoodOutcome},
      {"LfOnlyLineEnds", "720,450\n527.5,336\n#TRUE#\n", kGoodOutcome},
      {"NanAsTheBadgesTop", "720,nan\r\n527.5,336\r\n#TRUE#\r\n", {{48, 0}, 527.5f, 336.0f, kTrue}},
      {"NanAsThePanelsLeft",
       "720,450\r\nnan,336\r\n#TRUE#\r\n",
       // Reading goes on right after the bad value: "336" is taken as the flag.
       {{48, 30}, 0.0f, 0.0f, kTrue}},
      {"InfAsTheFlag", "720,450\r\n527.5,336\r\ninf\r\n", {{48, 30}, 527.5f, 336.0f, kFalse}},
      {"MinusInfAsThePanelsTop",
       "720,450\r\n527.5,-inf\r\n#TRUE#\r\n",
       {{48, 30}, 527.5f, 0.0f, kTrue}},
      {"OverflowAsTheBadgesLeft",
       "1e39,450\r\n527.5,336\r\n#TRUE#\r\n",
       {{0, 0}, 450.0f, 527.5f, kTrue}},
      {"BeyondTheCoordinates",
       "491505.5,450\r\n527.5,336\r\n#TRUE#\r\n",
       {{0, 0}, 450.0f, 527.5f, kTrue}},
      {"NegativeZeroes", "-0,-0\r\n-0,-0\r\n-0\r\n", {{0, 0}, -0.0f, -0.0f, kFalse}},
      {"LowerCaseTrue", "720,450\r\n527.5,336\r\n#true#\r\n", {{48, 30}, 527.5f, 336.0f, kFalse}},
      {"UnterminatedTrue", "720,450\r\n527.5,336\r\n#TRUE\r\n", {{48, 30}, 527.5f, 336.0f, kFalse}},
      {"UnterminatedTrueAtTheEnd",
       "720,450\r\n527.5,336\r\n#TRUE",
       {{48, 30}, 527.5f, 336.0f, kFalse}},
      // Reading stops after 64 characters and the next unit reads on from
      // there, so the rest of an over-long value becomes the next value.
      {"ValueOf70Digits",
       std::string(70, '1') + ",450\r\n527.5,336\r\n#TRUE#\r\n",
       {{0, 0}, 111111.0f, 450.0f, kTrue}},
      {"MissingComma", "720 450\r\n527.5,336\r\n#TRUE#\r\n", {{0, 0}, 527.5f, 336.0f, kTrue}},
      {"ExtraLines", kGood + "extra\r\n1,2\r\n#FALSE#\r\n", kGoodOutcome},
      {"Empty", "", kNothingRead},
      {"OnlyTheFirstLine", "1500,-300\r\n", {{100, -20}, 0.0f, 0.0f, kFalse}},
      {"OneValuePerLine", "720\r\n450\r\n527.5\r\n336\r\n#TRUE#\r\n", kGoodOutcome},
      {"FlagAsANumber", "720,450\r\n527.5,336\r\n0.25\r\n", {{48, 30}, 527.5f, 336.0f, kTrue}},
      {"ZeroFlag", "720,450\r\n527.5,336\r\n0\r\n", {{48, 30}, 527.5f, 336.0f, kFalse}},
  };
}

std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }

// Checks start-up's outcome against `expected`, and what every start-up must
// leave whatever the file: the badge shown in its band, nothing reported, no
// file left open.
void ExpectStartedAs(sim::World& world, Program& program, const Outcome& expected) {
  const sim::WindowState* badge = world.desktop().Find(program.Form1().hWnd());
  ASSERT_NE(badge, nullptr);
  EXPECT_TRUE(badge->visible);
  EXPECT_EQ((Point{badge->bounds.left, badge->bounds.top}), expected.badge);
  const Module1& m = program.module1;
  const Rect panel = world.desktop().Find(program.Form2().hWnd())->bounds;
  const float centredLeft = (1024.0f - static_cast<float>(panel.Width())) * kTwipsPerPixel / 2;
  const float centredTop = (768.0f - static_cast<float>(panel.Height())) * kTwipsPerPixel / 2;
  EXPECT_EQ(Bits(m.PanelLeft), Bits(expected.panelLeft.value_or(centredLeft))) << m.PanelLeft;
  EXPECT_EQ(Bits(m.PanelTop), Bits(expected.panelTop.value_or(centredTop))) << m.PanelTop;
  EXPECT_EQ(m.FrontFlag, expected.flag);
  EXPECT_EQ(badge->topmost, expected.flag == kTrue);
  EXPECT_TRUE(world.desktop().Errors().empty()) << world.desktop().Errors().front();
  EXPECT_EQ(world.Live().fileStreams, 0);
}

class DamagedFile : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedFile, StartsAsTheReadmeSaysAndLeavesTheFileAlone) {
  const Damaged& c = GetParam();
  sim::World world;
  world.files().PutFile(kIniPath, c.bytes);
  Program program(world.desktop(), world.api(), world.files());
  program.Start();
  ExpectStartedAs(world, program, c.expected);
  EXPECT_EQ(world.files().GetFile(kIniPath), c.bytes);
  EXPECT_EQ(world.files().List(kFolder).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedFile, ::testing::ValuesIn(DamagedFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

// Files the start-up cannot open at all: the defaults, panel centred, in front.
TEST(UnopenableSettingsFile, AFolderOfItsNameOrALockedFileGivesTheDefaults) {
  for (const bool folder : {true, false}) {
    SCOPED_TRACE(folder ? "a folder of its name" : "a locked file");
    sim::World world;
    if (folder) {
      world.files().MakeFolder(kIniPath);
      world.files().PutFile(std::string(kIniPath) + "\\inside.txt", kGood);
    } else {
      world.files().PutFile(kIniPath, "720,450\r\n527.5,336\r\n#FALSE#\r\n");
      world.files().Lock(kIniPath);
    }
    Program program(world.desktop(), world.api(), world.files());
    program.Start();
    ExpectStartedAs(world, program, {{0, 0}, std::nullopt, std::nullopt, kTrue});
    EXPECT_EQ(world.files().IsFolder(kIniPath), folder);
  }
}

// A file of `size` bytes made up as it is read, `head` and then `filler` over
// and over, so a gigabyte costs no memory; every other path is the simulated
// disk's. It counts the bytes it hands out.
class MadeUpFile : public FileSystem {
 public:
  MadeUpFile(FileSystem& disk, std::string head, std::string filler, std::uint64_t size)
      : disk_(disk), head_(std::move(head)), filler_(std::move(filler)), size_(size) {}

  std::unique_ptr<InputStream> OpenInput(const std::string& path) override {
    if (path != kIniPath) return disk_.OpenInput(path);
    return std::make_unique<Stream>(*this);
  }
  std::unique_ptr<OutputStream> OpenOutput(const std::string& path) override {
    return disk_.OpenOutput(path);
  }
  std::uint64_t served() const { return served_; }
  int open() const { return open_; }

 private:
  class Stream : public InputStream {
   public:
    explicit Stream(MadeUpFile& file) : f_(file) { ++f_.open_; }
    ~Stream() override { --f_.open_; }
    std::size_t Read(char* buffer, std::size_t size) override {
      std::size_t n = 0;
      while (n < size && pos_ < f_.size_) {
        const std::string& part = pos_ < f_.head_.size() ? f_.head_ : f_.filler_;
        const std::uint64_t at =
            pos_ < f_.head_.size() ? pos_ : (pos_ - f_.head_.size()) % f_.filler_.size();
        const std::size_t take = static_cast<std::size_t>(
            std::min<std::uint64_t>({part.size() - at, size - n, f_.size_ - pos_}));
        std::memcpy(buffer + n, part.data() + at, take);
        n += take;
        pos_ += take;
      }
      f_.served_ += n;
      return n;
    }

   private:
    MadeUpFile& f_;
    std::uint64_t pos_ = 0;
  };

  FileSystem& disk_;
  std::string head_;
  std::string filler_;
  std::uint64_t size_;
  std::uint64_t served_ = 0;
  int open_ = 0;
};

constexpr std::uint64_t kGigabyte = std::uint64_t{1} << 30;
// The reader's buffer is 4 KiB; anything near this means the file was read on.
constexpr std::uint64_t kFewBuffers = 64 * 1024;

TEST(GigabyteSettingsFile, OnlyItsThreeLinesAreRead) {
  sim::World world;
  MadeUpFile file(world.files(), kGood, "1,2\r\n", kGigabyte);
  Program program(world.desktop(), world.api(), file);
  program.Start();
  ExpectStartedAs(world, program, kGoodOutcome);
  EXPECT_LT(file.served(), kFewBuffers);
  EXPECT_EQ(file.open(), 0);
}

TEST(GigabyteSettingsFile, ALineWithoutACommaFailsEachUnitAfter64Characters) {
  sim::World world;
  MadeUpFile file(world.files(), "", "7", kGigabyte);
  Program program(world.desktop(), world.api(), file);
  program.Start();
  ExpectStartedAs(world, program, kNothingRead);
  EXPECT_LT(file.served(), kFewBuffers);
  EXPECT_EQ(file.open(), 0);
}

}  // namespace
}  // namespace rn::testing
