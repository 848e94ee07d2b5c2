// Waiting on the game started as a child process, for the tests that run it whole.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace childgame {

// A sanitizer build starts, draws and ends many times slower (ThreadSanitizer most of
// all), and the game is built with the same one: every wait on it is stretched by this.
#if defined(__SANITIZE_THREAD__)
constexpr int kSlowdown = 10;
#elif defined(__SANITIZE_ADDRESS__)
constexpr int kSlowdown = 3;
#else
constexpr int kSlowdown = 1;
#endif

// Waits up to timeoutMs for the child: its exit status, 128 + the signal that ended it,
// or -1 when it is still running.
inline int WaitExit(pid_t pid, int timeoutMs) {
  for (int t = 0; t < timeoutMs; t += 10) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    usleep(10000);
  }
  return -1;
}

}  // namespace childgame
