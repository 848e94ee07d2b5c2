// career.inf as the game reads it: the user's copy under the documents folder, through
// the same load that starts the game (read, repair, write back).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/career.h"
#include "fuzz/scratch_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The documents folder is found from HOME; a user-dirs file that names another
  // folder must not lead the writes out of the scratch folder.
  setenv("HOME", ScratchDir().c_str(), 1);
  setenv("XDG_CONFIG_HOME", (ScratchDir() + "/.config").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Inside the scratch folder no shipped copy stands in for an unusable user file:
  // such a file starts a new career.
  const InScratchDir here;
  WriteScratchFile("Documents/Kelvamor/career.inf", data, size);
  if (!LoadCareer()) std::abort();  // the scratch folder is writable: the save must work
  // Whatever the file held, the loaded record is already in the ranges the game
  // indexes with: repairing it again changes nothing.
  CareerRecord again = Career;
  if (SanitizeCareer(&again)) std::abort();
  // Each damaged input is set aside beside the next free number: left there, the
  // copies pile up by the thousand and every run searches past them all.
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("Documents/Kelvamor", ec))
    if (e.path().filename().string().rfind("career.inf.damaged", 0) == 0) std::filesystem::remove(e.path(), ec);
  return 0;
}
