// The list of generators, in the order they run. Add a family of files by writing
// gen_<family>.cpp with a Generate and (ideally) a Check function and listing it here.
#pragma once

#include "tools/basegen/basegen.h"

namespace basegen {

struct NamedGenerator {
  const char* name;
  Generator run;
  Checker check;  // may be null
};

void GenerateSettingsFiles(Output& out);
void CheckSettingsFiles(const std::string& root, std::vector<std::string>* problems);
void GenerateSounds(Output& out);
void CheckSounds(const std::string& root, std::vector<std::string>* problems);
void GenerateWorlds(Output& out);
void CheckWorlds(const std::string& root, std::vector<std::string>* problems);

void GenerateBaseTextures(Output& out);
void CheckBaseTextures(const std::string& root, std::vector<std::string>* problems);
void GenerateShaders(Output& out);
void CheckShaders(const std::string& root, std::vector<std::string>* problems);

// A word in the menu face's glyph table, drawn with round strokes like the fonts but at
// the given size of one table pixel (atlas pixels across and down): coverage 0-255,
// `width` x 64 pixels, top row first, glyphs `gap` pixels apart.
struct WordInk {
  int width = 0;
  std::vector<uint8_t> cover;
};
WordInk DrawWord(const char* word, float pixelX, float pixelY, float strokeRadius, int gap);

void GenerateFonts(Output& out);
void CheckFonts(const std::string& root, std::vector<std::string>* problems);
void GenerateEffects(Output& out);
void CheckEffects(const std::string& root, std::vector<std::string>* problems);

void GenerateTables(Output& out);
void CheckTables(const std::string& root, std::vector<std::string>* problems);
void GenerateNumberedTextures(Output& out);
void CheckNumberedTextures(const std::string& root, std::vector<std::string>* problems);
void GenerateObjects(Output& out);
void CheckObjects(const std::string& root, std::vector<std::string>* problems);
void GenerateCars(Output& out);
void CheckCars(const std::string& root, std::vector<std::string>* problems);
void GenerateGarage(Output& out);
void CheckGarage(const std::string& root, std::vector<std::string>* problems);

inline const NamedGenerator kGenerators[] = {
    // The presets go first: the career written next starts from preset 0.
    {"car tables", GenerateTables, CheckTables},
    {"settings and career", GenerateSettingsFiles, CheckSettingsFiles},
    {"sounds and music", GenerateSounds, CheckSounds},
    {"worlds and race paths", GenerateWorlds, CheckWorlds},
    {"base textures", GenerateBaseTextures, CheckBaseTextures},
    {"shaders", GenerateShaders, CheckShaders},
    // The font atlases replace the placeholder tex00 and tex08 of the base textures,
    // so these stay after that generator.
    {"fonts", GenerateFonts, CheckFonts},
    {"particle effects", GenerateEffects, CheckEffects},
    {"numbered textures", GenerateNumberedTextures, CheckNumberedTextures},
    {"roadside objects", GenerateObjects, CheckObjects},
    {"cars", GenerateCars, CheckCars},
    {"garage", GenerateGarage, CheckGarage},
};

}  // namespace basegen
