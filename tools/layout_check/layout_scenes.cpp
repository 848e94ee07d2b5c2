#include "tools/layout_check/layout_scenes.h"

#include <cstring>

#include "app/career.h"
#include "app/controls.h"
#include "app/frame.h"
#include "app/handshake.h"
#include "app/input.h"
#include "app/settings.h"
#include "frontend/screen_blocks.h"
#include "frontend/screens.h"
#include "gfx/text.h"
#include "race/car.h"
#include "race/car_content.h"
#include "race/car_setup.h"

namespace layout {

namespace {

// The car whose name, with its number, is widest by the menus' font widths: every page
// that names a car (the results table's four rows among them) is judged with it.
int WidestCar() {
  int best = 0;
  for (int i = 1; i < kCarModels; ++i)
    if (MeasureText(1, 1.0f, "%s", CarName(i)) > MeasureText(1, 1.0f, "%s", CarName(best))) best = i;
  return best;
}

// Binding codes of every name the controls page can print: the keys with names, the
// letters, the joystick's four forms of twelve controls and its buttons.
std::vector<int> BindingCodes() {
  std::vector<int> codes = {-1, 16, 17, 32, 186, 188, 190, 191, 219, 221, 222, 37, 38, 39, 40};
  for (int c = 'A'; c <= 'Z'; ++c) codes.push_back(c);
  for (int form = 0; form < 4; ++form)
    for (int k = 0; k < 12; ++k) codes.push_back(1000 + 100 * form + k);
  for (int b = 1012; b <= 1043; ++b) codes.push_back(b);
  return codes;
}

int WidestBinding(bool joystick) {
  int best = joystick ? 1000 : 38;
  float widest = 0.0f;
  for (int code : BindingCodes()) {
    if ((code >= 1000) != joystick) continue;
    char text[32];
    BindingText(code, text, sizeof text);
    const float w = MeasureText(1, 0.75f, "%s", text);
    if (w > widest) {
      widest = w;
      best = code;
    }
  }
  return best;
}

void AllBindings(int code) {
  for (int i = 0; i < 30; ++i) {
    ShownBindings[i] = code;
    Settings.bindings.slot[i] = code;
  }
}

void WideCareer() {
  Career.Cash = 9999999.0f;
  Career.Rating = 88;
  Career.Points = 9999.0f;
  // Seven of the widest capitals: Ж Щ Ш Ю М Ф Ы.
  const char name[] = "\xC6\xD9\xD8\xDE\xCC\xD4\xDB";
  std::memset(Career.PlayerName, 0, sizeof Career.PlayerName);
  std::memcpy(Career.PlayerName, name, 7);
  Career.PlayerNameLength = 7;
  Career.CareerCar = WidestCar();
  Career.ShopCarLimit = kCarModels - 1;
  for (int r = 0; r < kCareerRaces; ++r) {
    Career.RaceBestPlace[r] = 1 + r % 3;
    Career.RaceWins[r] = 88;
    Career.RaceAttempts[r] = 88;
    Career.RaceBestLapMinutes[r] = 88;
    Career.RaceBestLapSeconds[r] = 58;
    Career.RaceBestLapHundredths[r] = 88;
  }
  LoadCarSetupFromCareer();
}

void Results(int place) {
  const int car = WidestCar();
  for (int i = 0; i < kRaceCarCount; ++i) {
    RaceCars[i].progress = 100.0f - static_cast<float>(i);
    RaceCars[i].modelIndex = car;
    RaceCars[i].raceTime = RaceClock{88, 58, 88.0f};
    RaceCars[i].bestLap = RaceClock{88, 58, 88.0f};
  }
  // The player's place decides its row; the player is car 0.
  RaceCars[0].place = place;
  RaceCars[0].progress = 100.0f - static_cast<float>(place - 1);
  RaceCars[place - 1].progress = 100.0f;
}

void MainMenu() {}
void Hub() { WideCareer(); }
void Shop() {
  WideCareer();
  EntrySelection = WidestCar();
}
void Packages() {
  WideCareer();
  EntrySelection = 5;
}
void Graphics() {
  PendingGraphics.displayMode = 9;
  PendingGraphics.antiAliasing = 16;
  PendingGraphics.apply = 1;
  Settings.sightRange = 1;
  Settings.shadowDetail = 3;
  Settings.textureFiltering = 1;
}
void Audio() {
  Settings.sound = 0;
  Settings.music = 0;
  Settings.eax = 0;
}
void ControlsKeys() {
  Settings.transmission = 0;
  AllBindings(WidestBinding(false));
}
void ControlsJoystick() {
  Settings.transmission = 0;
  AllBindings(WidestBinding(true));
}
void ControlsCapture() {
  ControlsJoystick();
  BindingCaptureActive = 1;
  OptionRow = 3;
  BindingColumn = 0;
}
void ControlsCaptureRight() {
  ControlsJoystick();
  BindingCaptureActive = 1;
  OptionRow = 9;
  BindingColumn = 1;
}
void EnterName() { WideCareer(); }
void Bracket() {
  WideCareer();
  Career.BracketPosition = 2;
  Career.BracketUnlocked = 0;
}
template <int kStage>
void SelectRace() {
  WideCareer();
  Career.BracketPosition = kStage;
  Career.ChampionshipRace = 1;
  Career.RaceMode = 1;
}
void QuickStart() {
  Career.RaceMode = 3;
  Career.QuickRaceCar = WidestCar();
  Career.QuickRaceNumber = 3;  // the longest region name
  ApplyCarPreset(Career.QuickRaceCar);
  LoadCar(0);
}
void Loading() { Handshake.LoaderStage.store(kStageLoadTrack); }
template <int kPlace>
void Finish() {
  Results(kPlace);
  Handshake.LoaderStage.store(kStageUnloadTrack);
}
template <int kPlace>
void ResultsPage() {
  Career.RaceMode = 1;
  Results(kPlace);
}
void Pause() { Career.RaceMode = 1; }
void Intro() {
  IntroClock.store(12.0f);
  // The prompt's pulse at its brightest.
  PromptClock = 0.2094f;
}

}  // namespace

void ResetGameState() {
  // The window's size stays: the pages lay out on the virtual screen it gives.
  const GameSettings window = Settings;
  Settings = DefaultSettings();
  Settings.screenWidth = window.screenWidth;
  Settings.screenHeight = window.screenHeight;
  Settings.sound = 0;
  Settings.music = 0;
  std::memset(&Career, 0, sizeof Career);
  ResetCareerFields();
  LoadCarSetupFromCareer();
  LoadedCarType[0].store(LiveCarSetup.modelIndex);
  CarReloadPending = 0;
  CarSwapFade = 0.0f;
  Input = InputState();
  ClearKeyStates();
  // The pointer far off every widget: a hovered label takes another colour.
  Input.CursorPoint.x = -2000;
  Input.CursorPoint.y = -2000;
  Handshake.LoaderStage.store(kStageMenuLoaded);
  Handshake.WorldHandover.store(0);
  EntrySelection = SelectedItem = 0;
  LoadingBoxAlpha = 0.0f;
  BindingCaptureActive = 0;
  OptionRow = 0;
  BindingColumn = 0;
  for (int i = 0; i < 30; ++i) ShownBindings[i] = Settings.bindings.slot[i];
  PendingGraphics = PendingGraphicsState();
  PendingGraphics.displayMode = Settings.displayMode;
  for (int i = 0; i < kRaceCarCount; ++i) {
    RaceCars[i].progress = 100.0f - 3.0f * static_cast<float>(i);
    RaceCars[i].modelIndex = i;
    RaceCars[i].place = i + 1;
  }
}

const std::vector<Scene>& Scenes() {
  static const std::vector<Scene> kScenes = {
      {"intro", kScreenIntro, Intro},
      {"main_menu", kScreenMainMenu, MainMenu},
      {"options", kScreenOptions, MainMenu},
      {"graphics", kScreenGraphics, Graphics},
      {"audio", kScreenAudio, Audio},
      {"controls_keys", kScreenControls, ControlsKeys},
      {"controls_joypad", kScreenControls, ControlsJoystick},
      {"controls_capture_left", kScreenControls, ControlsCapture},
      {"controls_capture_right", kScreenControls, ControlsCaptureRight},
      {"quit", kScreenQuitConfirm, MainMenu},
      {"quick_start", kScreenQuickStart, QuickStart},
      {"career_menu", kScreenCareerMenu, MainMenu},
      {"new_career", kScreenNewCareer, MainMenu},
      {"enter_name", kScreenEnterName, EnterName},
      {"career_hub", kScreenCareerHub, Hub},
      {"engine_packages", kScreenEnginePackages, Packages},
      {"car_shop", kScreenCarShop, Shop},
      {"competitions", kScreenChampionship, Bracket},
      {"select_race_quarterfinal", kScreenSelectRace, SelectRace<2>},
      {"select_race_semifinal", kScreenSelectRace, SelectRace<4>},
      {"select_race_final", kScreenSelectRace, SelectRace<5>},
      {"race_loading", kScreenRaceLoading, Loading},
      {"finish_1", kScreenFinish, Finish<1>},
      {"finish_4", kScreenFinish, Finish<4>},
      {"results_1", kScreenResults, ResultsPage<1>},
      {"results_2", kScreenResults, ResultsPage<2>},
      {"results_3", kScreenResults, ResultsPage<3>},
      {"results_4", kScreenResults, ResultsPage<4>},
      {"pause", kScreenPause, Pause},
  };
  return kScenes;
}

}  // namespace layout
