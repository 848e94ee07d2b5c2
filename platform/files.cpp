#include "platform/files.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform {

namespace {

bool Fail(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

// Reads XDG_DOCUMENTS_DIR="$HOME/Docs" style lines; "" when absent.
std::string XdgDocumentsDir(const std::string& home) {
  const char* cfg = std::getenv("XDG_CONFIG_HOME");
  const std::string file = (cfg && *cfg ? std::string(cfg) : home + "/.config") + "/user-dirs.dirs";
  // Opened without waiting and read only when it is a plain file: a FIFO in its place
  // would otherwise hold the start up for ever.
  const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return "";
  struct stat st;
  FILE* f = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? fdopen(fd, "r") : nullptr;
  if (!f) {
    close(fd);
    return "";
  }
  char line[1024];
  std::string result;
  while (std::fgets(line, sizeof line, f)) {
    const char* key = "XDG_DOCUMENTS_DIR=";
    if (std::strncmp(line, key, std::strlen(key)) != 0) continue;
    std::string v = line + std::strlen(key);
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.compare(0, 5, "$HOME") == 0) v = home + v.substr(5);
    // A relative or empty entry is not a usable folder.
    if (!v.empty() && v[0] == '/') result = v;
  }
  std::fclose(f);
  return result;
}

constexpr char kTemporaryMark[] = ".tmp-";
constexpr size_t kTemporaryDigits = 8;

// Whether entry is a name CreateFileBeside gives for fileName: fileName + ".tmp-" and
// eight lower-case hex digits, nothing more.
bool IsTemporaryNameOf(const char* entry, const std::string& fileName) {
  const size_t markLength = sizeof kTemporaryMark - 1;
  if (std::strncmp(entry, fileName.c_str(), fileName.size()) != 0) return false;
  const char* rest = entry + fileName.size();
  if (std::strncmp(rest, kTemporaryMark, markLength) != 0) return false;
  const char* digits = rest + markLength;
  if (std::strlen(digits) != kTemporaryDigits) return false;
  for (const char* d = digits; *d; ++d)
    if (!((*d >= '0' && *d <= '9') || (*d >= 'a' && *d <= 'f'))) return false;
  return true;
}

// A new file of its own beside path, under a name no earlier write used: whatever
// stands under a fixed name there (a FIFO the open would wait on for ever, a link that
// would lead the bytes into another file) is never opened. Created exclusively, so a
// name that is taken, even by a dangling link, is passed over for the next one. The
// file is locked while it is open, which tells RemoveLeftoverTemporaryFiles in another
// running game that the write is alive.
int CreateFileBeside(const std::string& path, std::string* name) {
  static std::atomic<uint32_t> serial{0};
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  uint32_t seed = static_cast<uint32_t>(now.tv_nsec) ^ (static_cast<uint32_t>(getpid()) << 16);
  for (int attempt = 0; attempt < 64; ++attempt) {
    const uint32_t n = seed + 0x9E3779B9u * serial.fetch_add(1);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%s%08x", kTemporaryMark, n);
    *name = path + suffix;
    const int fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return fd;
    // A sweep may have taken the new file before it was locked; it holds its own lock
    // only while it unlinks. A folder whose file system keeps no locks still takes the
    // write.
    struct stat st;
    if (flock(fd, LOCK_EX) == 0 && fstat(fd, &st) == 0 && st.st_nlink == 0) {
      close(fd);
      continue;
    }
    return fd;
  }
  errno = EEXIST;
  return -1;
}

// rename that never replaces what stands at `to`: -1 with EEXIST when a name is there.
int RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // A file system that cannot rename without replacing: look first. Only a file that
  // another process names there in between could be replaced.
  struct stat st;
  if (lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return rename(from.c_str(), to.c_str());
}

// The folder part of path: "." for a bare name.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Makes a rename in the folder of path last through a power loss: the new name is in
// the folder's own blocks, which fsync on the file does not write. A file system that
// cannot sync a folder (EINVAL) keeps its names its own way.
bool SyncFolderOf(const std::string& path, std::string* why) {
  const std::string folder = FolderOf(path);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Fail(why, "the folder " + folder + " could not be opened to sync it: " + std::strerror(errno));
  const bool ok = fsync(fd) == 0 || errno == EINVAL;
  const int err = errno;
  close(fd);
  if (!ok) return Fail(why, "the folder " + folder + " could not be synced: " + std::strerror(err));
  return true;
}

}  // namespace

std::string DocumentsFolder() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return "";
  std::string dir = XdgDocumentsDir(home);
  if (dir.empty()) dir = std::string(home) + "/Documents";
  MakeDirectories(dir);
  return dir;
}

bool MakeDirectories(const std::string& path, std::string* why) {
  if (path.empty()) return Fail(why, "no folder named");
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
      return Fail(why, partial + ": " + std::strerror(errno));
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return Fail(why, path + ": " + std::strerror(errno));
  // An existing file where a folder belongs makes mkdir report EEXIST; name it here.
  if (!S_ISDIR(st.st_mode)) return Fail(why, path + " is a file, not a folder");
  return true;
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* why) {
  std::string tmp;
  const int fd = CreateFileBeside(path, &tmp);
  if (fd < 0) return Fail(why, std::strerror(errno));
  std::string reason;
  const char* p = static_cast<const char*>(data);
  size_t left = size;
  bool ok = true;
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      reason = n < 0 ? std::strerror(errno) : "nothing more could be written";
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  // A full disk may only show at the flush or the close. The lock lives on in a second
  // descriptor until the rename is done, so that the close can still be checked first.
  if (fsync(fd) != 0 && ok) {
    reason = std::strerror(errno);
    ok = false;
  }
  const int lockFd = dup(fd);
  if (close(fd) != 0 && ok) {
    reason = std::strerror(errno);
    ok = false;
  }
  if (ok && rename(tmp.c_str(), path.c_str()) != 0) {
    reason = std::strerror(errno);
    ok = false;
  }
  if (!ok) unlink(tmp.c_str());
  if (lockFd >= 0) close(lockFd);
  // The file is in place now; a folder that cannot be synced may still lose the rename
  // to a power loss, and the caller is told so.
  if (ok && !SyncFolderOf(path, &reason)) ok = false;
  if (!ok && why) *why = reason;
  return ok;
}

FileRead ReadWholeFile(const std::string& path, size_t maxBytes, std::string* bytes, std::string* why) {
  bytes->clear();
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    // Nothing there, or a file where a folder on the way should be: nothing to read
    // (the save that follows names what is in the way).
    if (errno == ENOENT || errno == ENOTDIR) return FileRead::kMissing;
    if (why) *why = std::strerror(errno);
    return FileRead::kFailed;
  }
  if (!S_ISREG(st.st_mode)) {
    if (why) *why = S_ISDIR(st.st_mode) ? "it is a folder, not a file" : "it is not a regular file";
    return FileRead::kNotAFile;
  }
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (why) *why = std::strerror(errno);
    return FileRead::kFailed;
  }
  char buf[4096];
  size_t n;
  while (bytes->size() <= maxBytes && (n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) {
    if (why) *why = std::strerror(err);
    return FileRead::kFailed;
  }
  if (bytes->size() > maxBytes + 1) bytes->resize(maxBytes + 1);
  return FileRead::kRead;
}

std::string KeepDamagedFile(const std::string& path, std::string* why) {
  // Never over an earlier damaged copy: each one may be the only trace of a career. The
  // numbers run on as far as the copies there do, so a folder that takes a new name
  // always takes this one.
  for (unsigned long i = 1; i != 0; ++i) {
    const std::string aside = path + ".damaged" + (i == 1 ? "" : "." + std::to_string(i));
    if (RenameWithoutReplacing(path, aside) == 0) return aside;
    if (errno != EEXIST) {
      Fail(why, std::strerror(errno));
      return "";
    }
  }
  Fail(why, "every name for a damaged copy is taken");
  return "";
}

bool RemoveLeftoverTemporaryFiles(const std::string& path, std::string* why) {
  const std::string folder = FolderOf(path);
  const size_t slash = path.rfind('/');
  const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    // No folder yet: nothing was ever saved there.
    if (errno == ENOENT || errno == ENOTDIR) return true;
    return Fail(why, folder + ": " + std::strerror(errno));
  }
  const int dirFd = dirfd(dir);
  bool ok = true;
  while (const dirent* e = readdir(dir)) {
    if (!IsTemporaryNameOf(e->d_name, fileName)) continue;
    // Only a plain file is ours: a link, a FIFO or a folder under such a name was put
    // there by someone else, and nothing is followed to find out what it is.
    struct stat st;
    if (fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    const int fd = openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened;
    // The name may have been given to another file since the look; and a file still
    // locked belongs to a write going on in another running game.
    const bool same = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_ino == st.st_ino &&
                      opened.st_dev == st.st_dev;
    const bool alive = same && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (same && !alive && unlinkat(dirFd, e->d_name, 0) != 0 && errno != ENOENT) {
      if (ok) Fail(why, folder + "/" + e->d_name + ": " + std::strerror(errno));
      ok = false;
    }
    close(fd);
  }
  closedir(dir);
  return ok;
}

}  // namespace platform
