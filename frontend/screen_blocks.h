// The screen blocks the screen machine runs, one per screen, and what they share. Each
// block draws its screen for one frame and performs what its widgets or the loader's
// answers ask for.
#pragma once

#include <cstddef>
#include <cstdint>

struct CareerRecord;

// Intro (100): runs before the cross-fade with a projection of its own.
void RunIntro();
// Main menu (1).
void MainMenuScreen();
// Quick start (50). The map texture is shared with the race and other pages: entering
// the screen draws the path again.
void QuickStartScreen();
void ForgetQuickStartMap();
// The length the quick start and championship pages show for a race path of
// `waypoints` points, in km: a lap passes every waypoint and back to the first, and the
// paths lay them 7 units (metres) apart.
float TrackLengthKm(int32_t waypoints);
// Race loading (32), finish (33), results (34).
void RaceLoadingScreen();
void FinishScreen();
void ResultsScreen();
// Pause (101) and quit confirmation (44).
void PauseScreen();
void QuitConfirmScreen();

// Career menu (8), new-career question (9), name entry (80), hub (10).
void CareerMenuScreen();
void NewCareerScreen();
void EnterNameScreen();
void CareerHubScreen();
// One typed character of the name entry (a code-page-1251 byte): letters are added up
// to seven, backspace (8) takes the last one away. False, nothing changed, for codes
// the name does not take; the name's nine bytes are never overrun whatever length the
// record holds.
bool TypeNameCharacter(CareerRecord* career, unsigned code);
// The profile: name, rating, cash, a car's name and the live set-up's rating bars, at
// the anchor (x, y).
void DrawProfileBlock(float x, float y, int car);
// Championship bracket (30) and race selection (31). The selection caches its stage's
// path lengths and the shown map: entering it again reads and draws them anew.
void ChampionshipScreen();
void SelectRaceScreen();
void ForgetChampionshipPaths();
// Tuning packages (12) and car shop (15).
void EnginePackagesScreen();
void CarShopScreen();
// Options menu (3), graphics (5), audio (6) and controls (7) pages.
void OptionsScreen();
void GraphicsScreen();
void AudioScreen();
void ControlsScreen();
// The value a graphics or audio row shows; "" for a settings value no name belongs to.
const char* OptionValueName(int screen, int row);
// The name of a binding code as the controls page shows it ("" for codes it does not
// name).
void BindingText(int code, char* out, size_t size);

// The menu a finished or abandoned race returns to by the career's race mode: the hub in
// a championship, the quick start in a quick race. The competition page is never built
// (nothing selects its mode), so that mode and any unknown one go to the main menu
// rather than to a page without a way out.
int ScreenAfterRace();
// A race left (unloaded, or its restart refused by the loader): menus loaded, the next
// screen by the race mode, switched on the next frame, its first item selected and the
// mouse press forgotten.
void ReturnFromRace();
// The screen whose START asked for the race being loaded (the quick start, the race
// selection), -1 before any; set by START.
extern int RaceChosenFrom;
// A race the loader refused before it ran: as ReturnFromRace, but back to the screen it
// was chosen from (the race mode's screen when that is not known).
void ReturnFromRefusedRace();

// A car index as the screens name it ("Truck-130 \xB9" "1"...); "" outside 0..17.
const char* CarName(int car);

// The rating bars' values of the live set-up: the preset's rating raised by 0.05 per
// bought package level, at most 1.
float LivePowerRating();
float LiveSpeedRating();
float LiveHandlingRating();

// While one lives, the widgets drawn see neither Enter nor the left mouse button (the
// pointer still hovers): a screen holds an action back this way until what the action
// would use is on show, without hiding the widget.
class WithheldActivation {
 public:
  explicit WithheldActivation(bool withhold);
  ~WithheldActivation();
  WithheldActivation(const WithheldActivation&) = delete;
  WithheldActivation& operator=(const WithheldActivation&) = delete;

 private:
  bool withheld_;
  uint8_t enter_ = 0;
  uint8_t mouse_ = 0;
};

// A loading-box alpha one tick step toward shown (rising) or hidden, within 0..1.
float StepLoadingAlpha(float alpha, bool rising);
