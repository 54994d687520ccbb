// Collects the process's trace lines while it lives, for tests that check them.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "nuvix_trace.h"

class TraceLines {
 public:
  TraceLines() {
    Clear();
    NuvixSetTraceSink(&Collect);
  }
  ~TraceLines() { NuvixSetTraceSink(nullptr); }
  TraceLines(const TraceLines&) = delete;
  TraceLines& operator=(const TraceLines&) = delete;

  std::vector<std::string> Lines() const {
    std::lock_guard lock(Mutex());
    return Store();
  }
  void Clear() {
    std::lock_guard lock(Mutex());
    Store().clear();
  }

 private:
  // The sink is a plain function, so the lines live in one process-wide store.
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::vector<std::string>& Store() {
    static std::vector<std::string> lines;
    return lines;
  }
  static void Collect(const char* text) {
    std::lock_guard lock(Mutex());
    Store().emplace_back(text);
  }
};
