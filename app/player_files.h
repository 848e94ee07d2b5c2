// The player's two files (menu.inf and career.inf): what happens when one cannot be
// read, cannot be used or cannot be written. A player's file is never replaced
// without its old bytes kept beside it, and no failure passes without a line naming
// the file and the reason.
#pragma once

#include <cstddef>
#include <string>

// Reads the player's file at path. True with its bytes (at most maxBytes + 1, so an
// overlong file shows) when there is a file to decode. False when there is none
// (silently: the first start has none) or when it cannot be read, which gets a line;
// a file that cannot be read is set aside like a damaged one.
bool ReadPlayerFile(const char* name, const std::string& path, size_t maxBytes, std::string* bytes);

// A player's file that was read but cannot be used: moved to path.damaged (or the next
// free .damaged.N) and a line says why, where it went and what stands instead. When it
// cannot be moved, the line says so and SavePlayerFile refuses that path from then on,
// for as long as the process runs.
void SetAsideDamaged(const char* name, const std::string& path, const std::string& why, const char* instead);

// Writes a player's file atomically into the user's folder (made when missing). On
// failure, or for a file that could not be set aside, a line names the file and the
// reason, and the result is false.
bool SavePlayerFile(const char* name, const void* data, size_t size);

// Removes the temporary files that saves cut short (a kill, a power loss) left beside
// menu.inf and career.inf in the user's folder; a line for any that cannot be. Run at
// the start, before the files are read.
void RemoveLeftoverSaves();

// "holds N bytes, not the W of a <kind>" for a file read with ReadPlayerFile(maxBytes =
// W), which shows anything longer as W + 1 bytes.
std::string WrongSizeReason(size_t got, size_t want, const char* kind);
