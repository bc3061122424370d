#include "base/console.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/run_environment.h"
#include "base/session_settings.h"
#include "base/terminal.h"
#include "testing/temp_dir.h"

namespace base {
namespace {

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings().tmp_dir = dir_.prefix();
    Settings().colours = ParseColours("15000700000700070007");
    // A recognisable screen: every cell shows its own position.
    for (int r = 1; r <= 25; ++r) {
      for (int c = 1; c <= 80; ++c) {
        screen_.WriteCell(
            r, c,
            Cell{static_cast<char>('A' + (r + c) % 26), static_cast<uint8_t>((r * c) & 0xFF)});
      }
    }
    screen_.SetCursor(7, 9);
  }
  void TearDown() override { Settings() = SessionSettings(); }
  std::string ScreenText() const {
    std::string s;
    for (int r = 1; r <= 25; ++r) {
      for (int c = 1; c <= 80; ++c) {
        const Cell cell = screen_.ReadCell(r, c);
        s.push_back(cell.character);
        s.push_back(static_cast<char>(cell.attribute));
      }
    }
    return s;
  }
  bool StackExists() const { return std::filesystem::exists(dir_.path() + "/WinPush.tmp"); }

  testing_support::TempDir dir_;
  ScreenTerminal screen_{25, 80};
  Console console_{screen_};
};

TEST_F(ConsoleTest, NestedWindowsRestoreTheScreenExactly) {
  const std::string before = ScreenText();
  console_.PushWindow(3, 5, 10, 40);
  console_.DrawFrame(2);
  console_.Locate(1, 1);
  console_.WriteText("dins");
  EXPECT_EQ(screen_.CursorRow(), 4);
  EXPECT_EQ(screen_.CursorColumn(), 10);
  const std::string middle = ScreenText();
  console_.PushWindow(8, 30, 20, 70);
  console_.DrawFrame(1);
  EXPECT_EQ(static_cast<unsigned char>(screen_.ReadCell(8, 30).character), 0xDA);
  EXPECT_EQ(static_cast<unsigned char>(screen_.ReadCell(20, 70).character), 0xD9);
  console_.PopWindow();
  EXPECT_EQ(ScreenText(), middle);
  EXPECT_EQ(screen_.CursorRow(), 4);
  EXPECT_TRUE(StackExists());
  console_.PopWindow();
  EXPECT_EQ(ScreenText(), before);
  EXPECT_EQ(screen_.CursorRow(), 7);
  EXPECT_EQ(screen_.CursorColumn(), 9);
  EXPECT_FALSE(StackExists());
}

TEST_F(ConsoleTest, WritesTheStackFileInItsLayout) {
  screen_.SetCursor(12, 3);
  console_.PushWindow(2, 4, 2, 5);
  const std::string cells = std::string(1, 'A' + 6 % 26) + static_cast<char>(8) +
                            std::string(1, 'A' + 7 % 26) + static_cast<char>(10);
  const std::string block =
      "1203"
      "00000000"
      "02040205" +
      cells + "00029";
  const std::string expected = std::string("\x22\x00\x00\x00", 4) + block;
  EXPECT_EQ(dir_.Read("WinPush.tmp"), expected);
}

TEST_F(ConsoleTest, MessageWindowIsCentredAroundItsRow) {
  console_.ShowMessage(12, std::string(60, 'a') + " " + std::string(39, 'b'));
  // Two lines: the window spans rows 9 to 12 and is centred on column 41.
  const int m = 60;
  const int left = 41 - (m + 1) / 2 - 2, right = 41 + m / 2 + 1;
  EXPECT_EQ(static_cast<unsigned char>(screen_.ReadCell(9, left).character), 0xDA);
  EXPECT_EQ(static_cast<unsigned char>(screen_.ReadCell(12, right).character), 0xD9);
  EXPECT_EQ(screen_.ReadCell(10, left + 2).character, 'a');
  EXPECT_EQ(screen_.ReadCell(11, left + 2).character, 'b');
  EXPECT_EQ(screen_.ReadCell(10, left + 2).attribute, 0x70);  // reverse video
  EXPECT_NE(screen_.ReadCell(8, left).character, static_cast<char>(0xDA));
  console_.PopWindow();
  EXPECT_FALSE(StackExists());
}

// A message taller than the screen opens no window; the pop that follows it
// must not close the window under it.
TEST_F(ConsoleTest, AMessageTooTallForTheScreenLeavesTheWindowUnderIt) {
  console_.PushWindow(3, 5, 10, 40);
  console_.DrawFrame(2);
  const std::string framed = ScreenText();
  std::string tall;
  for (int i = 0; i < 30; ++i) tall += std::string(70, 'a') + " ";
  console_.ShowMessage(12, tall);
  console_.PopWindow();
  EXPECT_EQ(ScreenText(), framed);
  EXPECT_TRUE(StackExists());
  console_.PopWindow();
  EXPECT_FALSE(StackExists());
}

TEST_F(ConsoleTest, ColourStackReturnsToThePreviousPair) {
  auto attribute_written = [&] {
    console_.Locate(1, 1);
    console_.WriteText("x");
    return screen_.ReadCell(1, 1).attribute;
  };
  EXPECT_EQ(attribute_written(), 0x0F);
  console_.SetColour("n");
  EXPECT_EQ(attribute_written(), 0x07);
  console_.SetColour("+r");
  EXPECT_EQ(attribute_written(), 0x70);
  console_.SetColour("   ");
  EXPECT_EQ(attribute_written(), 0x70);
  console_.SetColour("-");
  EXPECT_EQ(attribute_written(), 0x07);
  console_.SetColour("-");
  EXPECT_EQ(attribute_written(), 0x0F);
  console_.SetColour("UR");
  EXPECT_EQ(attribute_written(), 0x70);
}

TEST_F(ConsoleTest, DamagedStackFilesNeverCrashAndAreDeleted) {
  const std::string damaged[] = {
      std::string("\xFF\xFF\x00\x00", 4) + "0000",                // header past the end
      std::string("\x0E\x00\x00\x00", 4) + "XXXXXXXXX",           // too short for a block
      std::string("\x22\x00\x00\x00", 4) + std::string(29, '9'),  // length larger than the file
      std::string("\x22\x00\x00\x00", 4) + "1203000000000204020xGhIj00029",  // not digits
      std::string("\x22\x00\x00\x00", 4) + "1203000000000204020?GhIj00031",  // wrong length
      std::string("\x00\x00\x00\x80", 4),                                    // negative header
      "ab",
  };
  const std::string before = ScreenText();
  for (const std::string& bytes : damaged) {
    dir_.Write("WinPush.tmp", bytes);
    console_.PopWindow();
    EXPECT_EQ(ScreenText(), before);
    EXPECT_FALSE(StackExists());
  }
  // A push over a damaged header starts a fresh stack that pops cleanly.
  dir_.Write("WinPush.tmp", std::string("\x50\x00\x00\x00", 4));
  console_.PushWindow(1, 1, 2, 2);
  console_.PopWindow();
  EXPECT_EQ(ScreenText(), before);
  EXPECT_FALSE(StackExists());
}

TEST_F(ConsoleTest, UnknownFrameStyleDrawsBlanks) {
  console_.PushWindow(2, 2, 4, 6);
  console_.DrawFrame(7);
  EXPECT_EQ(screen_.ReadCell(2, 2).character, ' ');
  EXPECT_EQ(screen_.ReadCell(3, 6).character, ' ');
  console_.PopWindow();
}

TEST(ConsoleWithoutTerminal, MessageGoesToStandardErrorAsOneLine) {
  testing_support::TempDir dir;
  Settings().tmp_dir = dir.prefix();
  NoTerminal none;
  Console console(none);
  ::testing::internal::CaptureStderr();
  console.ShowMessage(12, "No s'ha pogut obrir el fitxer");
  console.WaitForKey();
  console.PopWindow();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "No s'ha pogut obrir el fitxer\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/WinPush.tmp"));
  Settings() = SessionSettings();
}

// The program's one console, which the run environment hands out too: the
// lock waits and the open failures share its windows. Once a tool has said
// it has no terminal, its messages go to standard error.
TEST(ProcessConsole, IsTheRunsConsoleAndFollowsTheProcessTerminal) {
  testing_support::TempDir dir;
  Settings().tmp_dir = dir.prefix();
  RunEnvironment env;
  EXPECT_EQ(&env.OperatorConsole(), &ProcessConsole());
  UseNoTerminal();
  EXPECT_FALSE(ProcessConsole().Interactive());
  ::testing::internal::CaptureStderr();
  ShowMessage(24, "FITXER BLOQUEJAT. ESPEREU UN MOMENT.");
  PopWindow();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "FITXER BLOQUEJAT. ESPEREU UN MOMENT.\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/WinPush.tmp"));
  Settings() = SessionSettings();
}

}  // namespace
}  // namespace base
