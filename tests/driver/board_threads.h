// The simulated boards' threads as the process's task list shows them.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

// Threads whose name begins with prefix ("nuvixi clock", "nuvixi " for all of the boards').
inline int ThreadsNamed(std::string_view prefix) {
  int count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    count += name.rfind(prefix, 0) == 0;
  }
  return count;
}

// The same, once a joined thread has had a moment (up to a second) to leave the task list.
inline int ThreadsNamedSettled(std::string_view prefix, int expected) {
  int count = ThreadsNamed(prefix);
  for (int i = 0; i < 100 && count != expected; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    count = ThreadsNamed(prefix);
  }
  return count;
}
