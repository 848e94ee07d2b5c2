#include "platform/shell.h"

#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

const char* ExitPageAddress() {
#ifdef KELVAMOR_EXIT_URL
  return KELVAMOR_EXIT_URL;
#else
  return "";
#endif
}

void OpenWebPage() {
  const char* url = ExitPageAddress();
  if (!url || !*url || std::getenv("KELVAMOR_NO_BROWSER")) return;
  if (access("/usr/bin/xdg-open", X_OK) != 0) return;
  // Double fork so the browser is not our child and we never wait for it.
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    if (fork() == 0) {
      char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url), nullptr};
      execve("/usr/bin/xdg-open", argv, environ);
    }
    _exit(0);
  }
  if (pid > 0) waitpid(pid, nullptr, 0);
}

}  // namespace platform
