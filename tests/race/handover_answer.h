// A stand-in for the main thread's side of a race load: a thread that answers every
// hand-over the world loader raises, as the front end does once it has painted the
// cars' dirt, and counts the answers.
#pragma once

#include <atomic>
#include <thread>

#include "app/handshake.h"

class HandoverAnswer {
 public:
  HandoverAnswer()
      : thread_([this] {
          while (!stop_.load()) {
            if (Handshake.WorldHandover.load() == 100) {
              // Counted before the answer: the loader may return the moment it sees it.
              answers_.fetch_add(1);
              Handshake.WorldHandover.store(0);
            } else {
              std::this_thread::yield();
            }
          }
        }) {}
  ~HandoverAnswer() {
    stop_.store(true);
    thread_.join();
  }
  HandoverAnswer(const HandoverAnswer&) = delete;
  HandoverAnswer& operator=(const HandoverAnswer&) = delete;
  int answers() const { return answers_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> answers_{0};
  std::thread thread_;
};
