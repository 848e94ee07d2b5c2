// The user's folders and file writes that survive a crash.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The user's documents folder: XDG_DOCUMENTS_DIR from ~/.config/user-dirs.dirs, else
// $HOME/Documents; created when missing. Empty when there is no HOME at all.
std::string DocumentsFolder();

// mkdir -p; true when the folder exists afterwards. On failure `why` (when given) says
// which part of the path is in the way and how.
bool MakeDirectories(const std::string& path, std::string* why = nullptr);

// Writes the bytes to a temporary file beside path (path.tmp-XXXXXXXX, eight hex
// digits) and renames it over path, so a crash mid-write leaves the old file whole; the
// folder is synced after the rename, so the new name outlasts a power loss too. The
// temporary file is created anew under a name of its own: nothing already in the
// folder is opened, followed or waited on. False on any failure, with the system's
// reason in `why` when given: the old file is then untouched, except when only the
// folder's sync failed, which leaves the new file in place but not sure to last.
bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* why = nullptr);

// Removes the temporary files that writes to path left when they were cut short
// between creating and renaming them (a kill, a power loss): plain files named
// path.tmp-XXXXXXXX, and only those no running write still holds. A link, FIFO or
// folder under such a name is left, and no link is followed. False with the first
// leftover that could not be removed and why; a missing folder has none.
bool RemoveLeftoverTemporaryFiles(const std::string& path, std::string* why);

// How reading a whole file went.
enum class FileRead { kRead, kMissing, kNotAFile, kFailed };

// Reads at most maxBytes + 1 bytes of the file at path (so a file longer than any
// valid one shows as longer). kMissing when nothing is there, kNotAFile for a folder
// or device, kFailed with the reason in `why` for a file that cannot be read.
FileRead ReadWholeFile(const std::string& path, size_t maxBytes, std::string* bytes, std::string* why);

// Moves a player's file that cannot be used out of the way, to path.damaged (or the
// first free one of path.damaged.2, .3, ... however many are taken), so the next write
// does not destroy it; an earlier copy is never replaced. Returns the new path, or ""
// with the reason in `why` when the folder takes no new name.
std::string KeepDamagedFile(const std::string& path, std::string* why);

}  // namespace platform
