// A call that a timer repeats many times a second logs its failure once, when
// it starts failing, and again only after it has succeeded in between, so a
// failing board is reported without flooding the log.
#pragma once

#include <atomic>
#include <cstdint>

#include "nuvixi.h"

class FailureEdge {
 public:
  // True when code is the first failure after a success (or after the start).
  bool Starts(uint32_t code) { return ok_.exchange(code == NUVIXI_SUCCESS) && code != NUVIXI_SUCCESS; }

 private:
  std::atomic<bool> ok_{true};
};
