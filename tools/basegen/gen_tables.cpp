// The three small tables: the lorry presets (cars.ini), the lamp outlines (optica.ini)
// and the two tyre-grip curves (fpoints.ini). The presets are also left decoded in
// CarPresets, so the career written after them starts from preset 0 exactly as the
// game would after reading cars.ini.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "race/car_control.h"
#include "race/car_setup.h"
#include "race/tyre_curves.h"
#include "tools/basegen/basegen.h"
#include "tools/basegen/gen_cars_layout.h"

namespace basegen {

namespace {

// Paint of the seven zones per lorry: cab, bed or box, chassis, bumper, wheel rims,
// stripe and trim. Each family keeps its character; the six of a family differ in
// their cab and bed colours.
struct Rgb {
  float r, g, b;
};
constexpr Rgb kCabColours[6] = {{0.72f, 0.10f, 0.08f}, {0.10f, 0.30f, 0.62f},
                                {0.86f, 0.62f, 0.08f}, {0.18f, 0.45f, 0.20f},
                                {0.85f, 0.85f, 0.82f}, {0.40f, 0.18f, 0.45f}};
constexpr Rgb kBedColours[3] = {{0.42f, 0.36f, 0.28f}, {0.60f, 0.60f, 0.62f}, {0.70f, 0.55f, 0.20f}};

CarSetup PresetFor(int k) {
  CarSetup s;
  std::memset(&s, 0, sizeof s);
  const int family = k / 6, variant = k % 6;
  // Part choices: what a new lorry of this model comes with; nothing interprets them
  // beyond carrying them, so they only need to be plausible small indices.
  for (int i = 0; i < 7; ++i) s.partChoiceA[i] = 0;
  s.partChoiceA[2] = 1;
  s.partChoiceA[3] = 2;
  s.partChoiceB[0] = family;
  s.partChoiceB[1] = variant % 3;
  const Rgb cab = kCabColours[(variant + family) % 6];
  const Rgb bed = kBedColours[family];
  const Rgb zones[7] = {cab, bed, {0.08f, 0.08f, 0.09f}, {0.25f, 0.25f, 0.26f},
                        {0.55f, 0.55f, 0.56f}, {0.94f, 0.92f, 0.88f}, {0.15f, 0.15f, 0.15f}};
  for (int z = 0; z < 7; ++z) {
    s.paint[z][0] = zones[z].r;
    s.paint[z][1] = zones[z].g;
    s.paint[z][2] = zones[z].b;
  }
  s.extra[0] = family;
  s.extra[1] = variant;
  s.modelIndex = k;
  return s;
}

// Lateral grip against 0.005 x the sideways speed: full grip from about 4 units/s of
// sideways speed, then a slide that still holds the lorry. The controller's lateral
// force per unit of spring load is about 2.08 x this value (5000 / 2400 front,
// 5200 / 2500 rear), and the lorry tips when the sideways pull reaches its half track
// over its centre of mass height: 1.6 / 1.0 = 1.6 g. A peak of 0.5 lets the tyres
// pull 1.04 g and then slide: a lorry held at full lock runs wide, and a lorry shoved
// sideways at its box or sliding broadside skids instead of rolling about its outer
// wheels. With the old peak of 1.5 (3.1 g) lorries rolled in those cases; measured
// over the whole sweep of races, peaks of 0.5 to 0.6 keep every lorry on its wheels,
// while 0.45 lets weaving swings grow and 0.65 to 1.0 leave lorries over.
constexpr float kLateralGripPeak = 0.5f;
constexpr float kLateralGripSlide = 0.4f;
constexpr float kLateralGripRise = 0.02f;  // curve input of the peak: 4 units/s sideways

// Drive grip against half the slip ratio: a quick rise to the peak near 20 % slip,
// then a gentle fall as the tyre spins (or locks) through.
float DriveGripValue(int i) {
  const float x = i / 99.0f;
  if (x <= 0.1f) return 1.05f * std::sin(x / 0.1f * 1.5707963f);
  return 0.75f + 0.30f * std::exp(-(x - 0.1f) * 4.0f);
}

float LateralGripValue(int i) {
  const float x = i / 99.0f;
  if (x <= kLateralGripRise) return kLateralGripPeak * std::sin(x / kLateralGripRise * 1.5707963f);
  return kLateralGripSlide + (kLateralGripPeak - kLateralGripSlide) * std::exp(-(x - kLateralGripRise) * 6.0f);
}

void AppendCurve(std::string* text, float (*value)(int)) {
  for (int i = 0; i < 100; ++i) {
    float v = value(i);
    if (v < 0) v = 0;
    if (v > 9.99999f) v = 9.99999f;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%7.5f", v);
    *text += buf;
    *text += (i % 10 == 9) ? "\n" : " ";
  }
}

}  // namespace

void BuildCarPresets(CarSetup out[kCarModels]) {
  for (int k = 0; k < kCarModels; ++k) out[k] = PresetFor(k);
}

std::vector<uint8_t> EncodeCarsIni(const CarSetup presets[kCarModels]) {
  std::vector<uint8_t> bytes(kCarModels * kCarsIniRecordWords * 4);
  for (int k = 0; k < kCarModels; ++k)
    EncodeCarsIniRecord(presets[k], bytes.data() + k * kCarsIniRecordWords * 4);
  return bytes;
}

std::vector<uint8_t> EncodeOpticaIni() {
  // Six lamp sets (one per cab style), each the two headlamps and two tail lamps as
  // four-corner outlines on the front and rear faces of the body.
  ByteWriter w;
  for (int s = 0; s < 6; ++s) {
    const float lampY = 0.15f + 0.05f * (s % 3);
    for (int l = 0; l < 4; ++l) {
      const bool front = l < 2;
      const float x = front ? kBodyFrontX + 0.01f : kBodyRearX - 0.01f;
      const float zc = (l % 2 == 0 ? 1.0f : -1.0f) * (1.15f - 0.05f * (s / 3));
      const float half = front ? 0.16f : 0.11f;
      const float corners[4][2] = {{-half, -half}, {half, -half}, {half, half}, {-half, half}};
      for (int p = 0; p < 4; ++p) {
        w.F32(x);
        w.F32(lampY + corners[p][1]);
        w.F32(zc + corners[p][0]);
      }
    }
  }
  return w.bytes();
}

std::string EncodeFPoints() {
  std::string text = "drive grip\n";
  AppendCurve(&text, DriveGripValue);
  text += "lateral grip\n";
  AppendCurve(&text, LateralGripValue);
  return text;
}

// Every number written as the reader expects it: one digit, the point, five digits.
// The reader converts whatever seven characters follow the digit before a point, so
// an exponent, a sign or a short field would still be read, as something else.
static bool FPointsWellFormed(const std::string& text) {
  auto digit = [&](size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '.') continue;
    if (i == 0 || !digit(i - 1)) return false;
    for (size_t k = i + 1; k <= i + 5; ++k)
      if (!digit(k)) return false;
  }
  return true;
}

void GenerateTables(Output& out) {
  CarSetup presets[kCarModels];
  BuildCarPresets(presets);
  const std::vector<uint8_t> cars = EncodeCarsIni(presets);
  out.Write("cars.ini", cars);
  // What LoadCarsTable would leave: the stored fields from the file, the ratings from
  // the defaults, the model index by position.
  InitCarSetupDefaults();
  for (int k = 0; k < kCarModels; ++k) {
    DecodeCarsIniRecord(cars.data() + k * kCarsIniRecordWords * 4, &CarPresets[k]);
    CarPresets[k].modelIndex = k;
  }
  out.Write("optica.ini", EncodeOpticaIni());
  out.WriteText("fpoints.ini", EncodeFPoints());
}

void CheckTables(const std::string& root, std::vector<std::string>* problems) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(root + "/cars.ini", &bytes) ||
      bytes.size() != static_cast<size_t>(kCarModels * kCarsIniRecordWords * 4)) {
    problems->push_back("cars.ini is missing or not 2304 bytes");
  } else {
    for (int k = 0; k < kCarModels; ++k) {
      CarSetup s;
      std::memset(&s, 0, sizeof s);
      DecodeCarsIniRecord(bytes.data() + k * kCarsIniRecordWords * 4, &s);
      for (int z = 0; z < 7; ++z)
        for (int c = 0; c < 3; ++c)
          if (!(s.paint[z][c] >= 0.0f && s.paint[z][c] <= 1.0f))
            problems->push_back("cars.ini preset " + std::to_string(k) + " has a paint value outside 0..1");
    }
  }
  if (!ReadWholeFile(root + "/optica.ini", &bytes) || bytes.size() != 1152) {
    problems->push_back("optica.ini is missing or not 1152 bytes");
  } else {
    for (size_t i = 0; i < bytes.size(); i += 4) {
      float v;
      std::memcpy(&v, bytes.data() + i, 4);
      if (!std::isfinite(v)) {
        problems->push_back("optica.ini holds a value that is not a finite number");
        break;
      }
    }
  }
  if (!ReadWholeFile(root + "/fpoints.ini", &bytes)) {
    problems->push_back("fpoints.ini is missing");
    return;
  }
  const std::string text(bytes.begin(), bytes.end());
  float drive[100] = {0}, lateral[100] = {0};
  const int found = DecodeFPoints(text.data(), text.size(), drive, lateral);
  size_t dots = 0;
  for (char c : text) dots += c == '.';
  if (found != 200 || dots != 200) problems->push_back("fpoints.ini does not hold exactly 200 numbers");
  if (!FPointsWellFormed(text))
    problems->push_back("fpoints.ini holds a number not written as one digit, the point and five digits");
  float drivePeak = 0, lateralPeak = 0;
  for (int i = 0; i < 100; ++i) {
    drivePeak = drive[i] > drivePeak ? drive[i] : drivePeak;
    lateralPeak = lateral[i] > lateralPeak ? lateral[i] : lateralPeak;
  }
  if (drivePeak < 0.5f || lateralPeak < 0.25f) problems->push_back("fpoints.ini curves give the tyres no grip");
  // Tyres that hold a sideways pull beyond what the track and the centre of mass stand
  // roll the lorry in a turn or a shove instead of letting it slide.
  if (lateralPeak * LateralPullPerGrip() >= kHalfTrack / kRideHeight)
    problems->push_back("fpoints.ini lateral grip holds a lorry past its tipping pull");
}

}  // namespace basegen
