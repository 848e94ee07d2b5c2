#include "app/player_files.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "app/settings.h"
#include "platform/files.h"

namespace {

// The player's files this game writes, in the order the start reads them.
constexpr const char* kPlayerFileNames[] = {"menu.inf", "career.inf"};

// The player's files that could not be set aside: the bytes there are the only copy
// left, so no save replaces them until the game starts again and tries once more.
std::mutex g_heldMutex;
std::vector<std::string> g_heldPaths;

void HoldFile(const std::string& path) {
  const std::lock_guard<std::mutex> lock(g_heldMutex);
  for (const std::string& p : g_heldPaths)
    if (p == path) return;
  g_heldPaths.push_back(path);
}

bool IsHeld(const std::string& path) {
  const std::lock_guard<std::mutex> lock(g_heldMutex);
  for (const std::string& p : g_heldPaths)
    if (p == path) return true;
  return false;
}

}  // namespace

bool ReadPlayerFile(const char* name, const std::string& path, size_t maxBytes, std::string* bytes) {
  std::string why;
  switch (platform::ReadWholeFile(path, maxBytes, bytes, &why)) {
    case platform::FileRead::kRead: return true;
    case platform::FileRead::kMissing: return false;
    case platform::FileRead::kNotAFile:
      // Not ours to move: the save after this reports that it cannot write there.
      std::printf("%s: %s cannot be read: %s; the shipped copy is used\n", name, path.c_str(), why.c_str());
      std::fflush(stdout);
      return false;
    case platform::FileRead::kFailed: break;
  }
  SetAsideDamaged(name, path, "cannot be read (" + why + ")", "the shipped copy is used");
  return false;
}

void SetAsideDamaged(const char* name, const std::string& path, const std::string& why, const char* instead) {
  std::string moveWhy;
  const std::string aside = platform::KeepDamagedFile(path, &moveWhy);
  if (!aside.empty()) {
    std::printf("%s: %s %s; kept as %s, %s\n", name, path.c_str(), why.c_str(), aside.c_str(), instead);
  } else {
    // It stays where it is, and no save may take its place: a folder that refused the
    // move may take a save later (its mode changed, a disk remounted).
    HoldFile(path);
    std::printf("%s: %s %s; it could not be set aside (%s) and is not saved over while the game runs; %s\n",
                name, path.c_str(), why.c_str(), moveWhy.c_str(), instead);
  }
  std::fflush(stdout);
}

bool SavePlayerFile(const char* name, const void* data, size_t size) {
  const std::string path = UserFilePath(name, false);
  if (path.empty()) {
    std::printf("%s: cannot be saved: there is no home folder (HOME is not set)\n", name);
    std::fflush(stdout);
    return false;
  }
  if (IsHeld(path)) {
    std::printf("%s: not saved to %s: the file there could not be set aside and is kept as it is while the game runs\n",
                name, path.c_str());
    std::fflush(stdout);
    return false;
  }
  const std::string folder = path.substr(0, path.rfind('/'));
  std::string why;
  const bool ok = platform::MakeDirectories(folder, &why) && platform::WriteFileAtomic(path, data, size, &why);
  if (!ok) {
    std::printf("%s: cannot be saved to %s: %s\n", name, path.c_str(), why.c_str());
    std::fflush(stdout);
  }
  return ok;
}

std::string WrongSizeReason(size_t got, size_t want, const char* kind) {
  const std::string held = got > want ? "more than " + std::to_string(want) : std::to_string(got);
  return "holds " + held + " bytes, not the " + std::to_string(want) + " of " + kind;
}

void RemoveLeftoverSaves() {
  for (const char* name : kPlayerFileNames) {
    const std::string path = UserFilePath(name, false);
    if (path.empty()) continue;
    std::string why;
    if (!platform::RemoveLeftoverTemporaryFiles(path, &why)) {
      std::printf("%s: a leftover temporary save cannot be removed: %s\n", name, why.c_str());
      std::fflush(stdout);
    }
  }
}
