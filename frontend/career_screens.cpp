// The career side of the menus: the career menu (8) that continues or starts a career,
// the overwrite question (9), the name entry (80) and the hub (10) with the player's
// profile over the garage. The bonus profile page (29) is opened by a hub button the
// hub never draws, so it is not built.
#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "app/career.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/sound.h"
#include "frontend/screen_blocks.h"
#include "frontend/screen_draw.h"
#include "frontend/screens.h"
#include "frontend/widget_draw.h"
#include "frontend/widgets.h"
#include "gfx/text.h"

namespace {

constexpr int kCareerMenuItems = 2;
constexpr int kHubItems = 3;
constexpr unsigned kBackspace = 8;
constexpr float kPointsPerStep = 10000.0f;

bool NameCode(unsigned code) {
  return (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') || (code >= 192 && code <= 255) ||
         code == kBackspace;
}

// The name as far as the entry may have written it: a file can hold nine bytes
// without a terminator.
void ShownName(const CareerRecord& c, char out[kCareerNameBytes]) {
  std::memcpy(out, c.PlayerName, kCareerMaxNameLength);
  out[kCareerMaxNameLength] = '\0';
}

// Cash as the profile shows it, truncated toward zero; a sum past what an int holds
// shows as the nearest it can.
int ShownCash(float cash) {
  if (!std::isfinite(cash)) return 0;
  if (cash >= 2147483520.0f) return 2147483647;
  if (cash <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(cash);
}

void PlatedText(float x, float y, int colour, int font, float size, const char* text) {
  TextBackdrop = true;
  PrintText(x, y, colour, 1.0f, font, size, false, 1, "%s", text);
  TextBackdrop = false;
}

void Bar(float x, float y, int k) {
  const float ratings[3] = {LivePowerRating(), LiveSpeedRating(), LiveHandlingRating()};
  glPushMatrix();
  glTranslatef(x, y, 0.0f);
  DrawRatingBar(ratings[k], k);
  glPopMatrix();
}

}  // namespace

bool TypeNameCharacter(CareerRecord* c, unsigned code) {
  if (!NameCode(code)) return false;
  // A length from the file is brought inside the name before it indexes it; the ninth
  // byte, the terminator, is never written.
  int32_t length = c->PlayerNameLength;
  length = length < 0 ? 0 : (length > kCareerMaxNameLength ? kCareerMaxNameLength : length);
  if (code == kBackspace) {
    if (length == 0) {
      std::memset(c->PlayerName, 0, kCareerMaxNameLength);
    } else {
      --length;
      c->PlayerName[length] = '\0';
    }
  } else if (length < kCareerMaxNameLength) {
    if (length == 0) std::memset(c->PlayerName, 0, kCareerMaxNameLength);
    c->PlayerName[length] = static_cast<char>(code);
    ++length;
  }
  c->PlayerNameLength = length;
  PlayMenuSound(MenuHoverSound);
  return true;
}

void DrawProfileBlock(float x, float y, int car) {
  const CareerRecord& c = Career;
  glPushMatrix();
  glTranslatef(x, y, 0.0f);
  char name[kCareerNameBytes];
  ShownName(c, name);
  PlatedText(-24.0f, -30.3f, 1, 2, 1.0f, "Profile");
  PlatedText(0.0f, -51.3f, 0, 1, 1.0f, name);
  glPushMatrix();
  glTranslatef(-70.0f, -80.0f, 0.0f);
  DrawPointsBar(c.Points / kPointsPerStep);
  glPopMatrix();
  PrintText(0.0f, -68.0f, 2, 1.0f, 2, 1.0f, false, 1, "Rating %2i", c.Rating);
  PlatedText(-43.0f, -81.0f, 1, 2, 1.0f, "Cash");
  TextBackdrop = true;
  PrintText(0.0f, -102.0f, 0, 1.0f, 1, 1.0f, false, 1, "%2i", ShownCash(c.Cash));
  TextBackdrop = false;
  PlatedText(-48.0f, -118.0f, 1, 2, 1.0f, "Car");
  PlatedText(0.0f, -139.0f, 0, 1, 1.0f, CarName(car));
  PlatedText(-49.0f, -153.2f, 2, 2, 0.75f, "Power");
  PlatedText(-50.0f, -178.2f, 2, 2, 0.75f, "Speed");
  PlatedText(-38.0f, -203.2f, 2, 2, 0.75f, "Handling");
  Bar(-71.0f, -162.2f, 0);
  Bar(-71.0f, -187.2f, 1);
  Bar(-71.0f, -212.2f, 2);
  glPopMatrix();
}

void CareerMenuScreen() {
  DrawScreenTitles(kCareerMenuItems, 0);
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
}

void NewCareerScreen() {
  BeginDialogPanel();
  DrawPanelTitle("NEW CAREER", -209.0f);
  const float a = ListTextAlpha;
  PrintText(0.0f, 40.0f, 0, a, 1, 1.0f, false, 1, "Attention! Do you wish to overwrite");
  PrintText(0.0f, 10.0f, 0, a, 1, 1.0f, false, 1, "previously saved career?");
  PrintText(0.0f, -50.0f, 0, a, 1, 1.0f, false, 1, "Begin new career?");
  EndDialogPanel();
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "YES", 4, 0);
  DrawMenuButton(400.0f, -225.0f, 0.0f, "NO", 0, 2);
  FadeTextsAfterButtons();
}

void EnterNameScreen() {
  // Codes the name does not take stay pending for whoever wants them.
  if (Input.PendingChar && TypeNameCharacter(&Career, Input.TypedChar & 0xFFu)) Input.PendingChar = 0;
  BeginDialogPanel();
  DrawPanelTitle("NEW CAREER", -209.0f);
  char name[kCareerNameBytes];
  ShownName(Career, name);
  PrintText(0.0f, 40.0f, 0, ListTextAlpha, 1, 1.0f, false, 1, "Enter your name:");
  PrintText(0.0f, 10.0f, 0, ListTextAlpha, 1, 1.0f, false, 1, "%s", name);
  EndDialogPanel();
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "NEXT", 4, 0);
  FadeTextsAfterButtons();
}

void CareerHubScreen() {
  LoadingBoxAlpha = StepLoadingAlpha(LoadingBoxAlpha, Handshake.LoaderStage.load() == kStageNothing);
  DrawLoading(0.0f, 35.0f, 0.0f, LoadingBoxAlpha);
  DrawScreenTitles(kHubItems, 0);
  DrawMenuButton(-400.0f, -225.0f, 0.0f, "BACK", 0, 0);
  DrawProfileBlock(270.0f, -10.0f, Career.CareerCar);
}
