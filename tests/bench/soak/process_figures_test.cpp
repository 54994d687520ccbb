#include "process_figures.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Each figure follows what the process does: descriptors opened and closed,
// a thread started and joined, memory touched; none counts its own reading.
TEST(ProcessFigures, FollowDescriptorsThreadsAndTouchedMemory) {
  const ProcessFigures before = ReadProcessFigures();
  EXPECT_GT(before.openFds, 2u);  // standard input, output and error at least
  EXPECT_GE(before.threads, 1u);
  EXPECT_GT(before.residentKb, 0u);
  EXPECT_EQ(ReadProcessFigures().openFds, before.openFds) << "reading leaves no descriptor open";

  std::vector<int> fds;
  for (int i = 0; i < 3; ++i) fds.push_back(::open("/dev/null", O_RDONLY));
  EXPECT_EQ(ReadProcessFigures().openFds, before.openFds + 3);
  for (int fd : fds) ::close(fd);
  EXPECT_EQ(ReadProcessFigures().openFds, before.openFds);

  std::mutex mutex;
  std::condition_variable released;
  bool done = false;
  std::thread waiter([&] {
    std::unique_lock lock(mutex);
    released.wait(lock, [&] { return done; });
  });
  EXPECT_EQ(ReadProcessFigures().threads, before.threads + 1);
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  released.notify_all();
  waiter.join();
  EXPECT_EQ(ReadProcessFigures().threads, before.threads);

  constexpr size_t kBytes = 32 << 20;
  auto block = std::make_unique<char[]>(kBytes);
  std::memset(block.get(), 1, kBytes);
  EXPECT_GE(ReadProcessFigures().residentKb, before.residentKb + (kBytes >> 10) * 3 / 4);
  EXPECT_EQ(block[kBytes - 1], 1);
}

}  // namespace
