// The user's folders and file writes that survive a crash.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The user's documents folder: XDG_DOCUMENTS_DIR from ~/.config/user-dirs.dirs, else
// $HOME/Documents; created when missing. Empty when there is no HOME at all.
std::string DocumentsFolder();

// mkdir -p; true when the folder exists afterwards.
bool MakeDirectories(const std::string& path);

// Writes the bytes to a temporary file beside path and renames it over path, so a
// crash mid-write leaves the old file whole. False (and the old file untouched) on
// any failure.
bool WriteFileAtomic(const std::string& path, const void* data, size_t size);

}  // namespace platform
