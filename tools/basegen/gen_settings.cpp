// The shipped copies of the two player files: base/menu.inf with the default options
// and base/career.inf as a new career leaves it, first-time flag set.
#include <cstring>
#include <string>

#include "app/career.h"
#include "app/settings.h"
#include "tools/basegen/basegen.h"

namespace basegen {

void GenerateSettingsFiles(Output& out) {
  uint8_t settings[kSettingsFileSize];
  EncodeSettings(DefaultSettings(), settings);
  out.Write("menu.inf", std::vector<uint8_t>(settings, settings + sizeof settings));

  std::memset(&Career, 0, sizeof Career);
  Career.FirstCareerFlag = 1;
  ResetCareerFields();
  const uint8_t* c = reinterpret_cast<const uint8_t*>(&Career);
  out.Write("career.inf", std::vector<uint8_t>(c, c + sizeof Career));
}

void CheckSettingsFiles(const std::string& root, std::vector<std::string>* problems) {
  std::vector<uint8_t> bytes;
  GameSettings s;
  if (!ReadWholeFile(root + "/menu.inf", &bytes) || !DecodeSettings(bytes.data(), bytes.size(), &s)) {
    problems->push_back("menu.inf is missing or not a usable settings file");
  } else {
    // The shipped defaults are chosen for a first start without a graphics card; a file
    // that differs anywhere would start every new player somewhere else.
    uint8_t expected[kSettingsFileSize];
    EncodeSettings(DefaultSettings(), expected);
    for (size_t i = 0; i < kSettingsFileSize; i += 4) {
      if (std::memcmp(bytes.data() + i, expected + i, 4) == 0) continue;
      problems->push_back("menu.inf field " + std::to_string(i / 4 + 1) + " is not the shipped default");
    }
  }
  if (!ReadWholeFile(root + "/career.inf", &bytes) || bytes.size() != kCareerFileSize) {
    problems->push_back("career.inf is missing or not 1080 bytes");
  } else {
    CareerRecord c;
    std::memcpy(&c, bytes.data(), sizeof c);
    if (SanitizeCareer(&c)) problems->push_back("career.inf holds out-of-range fields");
    if (!c.FirstCareerFlag) problems->push_back("career.inf lacks the first-time flag");
  }
}

}  // namespace basegen
