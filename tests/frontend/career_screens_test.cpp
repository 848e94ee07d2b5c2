// The career menus: the hub's profile of a new career, the name entry's limits
// (whatever length the file held), the save after NEXT, and the overwrite question.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/career.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "frontend/screen_blocks.h"
#include "frontend/screens.h"
#include "platform/vk.h"
#include "tests/frontend/frontend_support.h"

namespace {

using namespace fetest;
using platform::kVkReturn;

class CareerScreens : public FrontendGlTest {
 protected:
  void Type(unsigned code) {
    Input.PendingChar = 1;
    Input.TypedChar = static_cast<uint16_t>(code);
    Frame();
  }
  std::string Name() const { return std::string(Career.PlayerName, strnlen(Career.PlayerName, 9)); }
};

TEST_F(CareerScreens, TheHubOfANewCareerShowsTheDefaultProfile) {
  SettleOn(kScreenCareerHub);
  Frames(2);
  ClearTexts();
  Frame();
  const DrawnText* name = FindLastText("Player");
  ASSERT_NE(name, nullptr);
  EXPECT_FLOAT_EQ(name->x, 270.0f);
  EXPECT_FLOAT_EQ(name->y, -61.3f);
  const DrawnText* rating = FindLastText("Rating  1");
  ASSERT_NE(rating, nullptr);
  EXPECT_EQ(rating->colour, 2);
  const DrawnText* cash = FindLastText("10000");
  ASSERT_NE(cash, nullptr);
  EXPECT_FLOAT_EQ(cash->y, -112.0f);
  EXPECT_NE(FindLastText("Truck-130 \xB9" "1"), nullptr);
  for (const char* label : {"Profile", "Cash", "Car", "Power", "Speed", "Handling", "COMPETITIONS", "BACK"})
    EXPECT_NE(FindLastText(label), nullptr) << label;
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CareerScreens, CashIsShownTruncatedTowardZero) {
  SettleOn(kScreenCareerHub);
  const float cash[] = {1234.99f, -1234.99f, 0.5f, 3.0e12f};
  const char* const shown[] = {"1234", "-1234", " 0", "2147483647"};
  for (int i = 0; i < 4; ++i) {
    Career.Cash = cash[i];
    ClearTexts();
    Frame();
    EXPECT_NE(FindLastText(shown[i]), nullptr) << cash[i];
  }
}

TEST_F(CareerScreens, TheNameTakesSevenLettersOfEitherAlphabetAndBackspace) {
  SettleOn(kScreenEnterName);
  Career.PlayerNameLength = 0;
  for (const char* c = "ivanovi"; *c; ++c) Type(static_cast<unsigned char>(*c));
  EXPECT_EQ(Name(), "ivanovi");
  const unsigned sounds = Plays(MenuHoverSound);
  Type('c');
  EXPECT_EQ(Name(), "ivanovi") << "an eighth letter is not stored";
  EXPECT_EQ(Plays(MenuHoverSound), sounds + 1) << "but is heard";
  EXPECT_EQ(Input.PendingChar, 0);
  Type(8);
  Type(0xC0);  // Cyrillic capital A
  EXPECT_EQ(Name(), "ivanov\xC0");
  EXPECT_EQ(Career.PlayerNameLength, 7);

  for (unsigned code : {49u, 32u, 46u, 45u, 191u, 300u}) {  // '1', ' ', '.', '-'
    Type(code);
    EXPECT_EQ(Career.PlayerNameLength, 7) << code;
    EXPECT_EQ(Input.PendingChar, 1) << "a code the name does not take stays pending: " << code;
  }
  for (int i = 0; i < 9; ++i) Type(8);
  EXPECT_EQ(Name(), "");
  EXPECT_EQ(Career.PlayerNameLength, 0) << "backspace on an empty name keeps it empty";
}

TEST_F(CareerScreens, TheFirstLetterReplacesTheDefaultNameAndTheEntryShowsIt) {
  SettleOn(kScreenEnterName);
  Frames(70);
  ClearTexts();
  Frame();
  EXPECT_NE(FindLastText("Player"), nullptr);
  EXPECT_NE(FindLastText("Enter your name:"), nullptr);
  Type('Z');
  EXPECT_EQ(Name(), "Z");
  ClearTexts();
  Frame();
  EXPECT_NE(FindLastText("Z"), nullptr);
}

// A tampered file: the entry must never write past the name's bytes, whatever length
// or terminator the record holds.
TEST_F(CareerScreens, TheNameEntryStaysInsideItsNineBytesWhateverTheFileHeld) {
  for (int32_t length : {-5, 99, 8, 7}) {
    CareerRecord c;
    std::memset(&c, 0x55, sizeof c);
    std::memset(c.PlayerName, 'Q', sizeof c.PlayerName);  // no NUL at all
    c.PlayerNameLength = length;
    const CareerRecord before = c;
    EXPECT_TRUE(TypeNameCharacter(&c, 'a'));
    EXPECT_TRUE(TypeNameCharacter(&c, 8));
    EXPECT_TRUE(TypeNameCharacter(&c, 0xFF));
    EXPECT_GE(c.PlayerNameLength, 0) << length;
    EXPECT_LE(c.PlayerNameLength, 7) << length;
    EXPECT_EQ(c.PlayerName[8], 'Q') << "the ninth byte is never written, length " << length;
    EXPECT_EQ(std::memcmp(c.pad169, before.pad169, sizeof c.pad169), 0);
    EXPECT_EQ(std::memcmp(&c.Cash, &before.Cash, sizeof c - offsetof(CareerRecord, Cash)), 0);
  }
  CareerRecord c;
  std::memset(&c, 0, sizeof c);
  c.PlayerNameLength = -5;
  EXPECT_TRUE(TypeNameCharacter(&c, 'b'));
  EXPECT_EQ(c.PlayerName[0], 'b');
  EXPECT_EQ(c.PlayerNameLength, 1);
}

TEST_F(CareerScreens, NextSavesTheNameAtOnceAndOpensTheHub) {
  SettleOn(kScreenEnterName);
  Career.PlayerNameLength = 0;
  for (const char* c = "ivan"; *c; ++c) Type(static_cast<unsigned char>(*c));
  Press(kVkReturn);
  Frame();
  Release(kVkReturn);
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  FILE* f = std::fopen(UserFilePath("career.inf", false).c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<unsigned char> bytes(kCareerFileSize);
  ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
  EXPECT_EQ(std::memcmp(bytes.data() + 160, "ivan\0\0\0\0\0", 9), 0);
  int32_t length = 0;
  std::memcpy(&length, bytes.data() + 172, 4);
  EXPECT_EQ(length, 4);
}

TEST_F(CareerScreens, TheOverwriteQuestionAsksInThreeLinesAndNoKeepsTheCareer) {
  SettleOn(kScreenNewCareer);
  Frames(70);
  ClearTexts();
  Frame();
  for (const char* line : {"NEW CAREER", "Attention! Do you wish to overwrite", "previously saved career?",
                           "Begin new career?", "YES", "NO"})
    EXPECT_NE(FindLastText(line), nullptr) << line;
  Career.Cash = 777.0f;
  Press(platform::kVkEscape);
  Frame();
  EXPECT_EQ(TargetScreen.load(), kScreenCareerMenu);
  EXPECT_EQ(EntrySelection, 1);
  EXPECT_FLOAT_EQ(Career.Cash, 777.0f);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(CareerScreens, TheCareerMenuContinuesToTheHub) {
  SettleOn(kScreenCareerMenu);
  Frame();
  EXPECT_NE(FindLastText("CONTINUE"), nullptr);
  Press(kVkReturn);
  Frame();
  EXPECT_EQ(TargetScreen.load(), kScreenCareerHub);
  EXPECT_EQ(DrainGlErrors(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
