// Fuzz target for the recorded-file reader: the header scan, the index build
// and every record read, over arbitrary file contents (video and audio tags).
// Input: a 16-bit length in 64-byte units the file is zero-extended to (so a
// short input still makes a file past the reader's minimum size), then the
// file's bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "fuzz_input.h"
#include "recorded_file.h"

namespace {

// One in-memory file for the whole run, rewritten for every input.
int MemoryFile() {
  static const int fd = memfd_create("recorded", MFD_CLOEXEC);
  FUZZ_REQUIRE(fd >= 0);
  return fd;
}

void WriteFile(int fd, const uint8_t* bytes, size_t size, size_t fileSize) {
  FUZZ_REQUIRE(ftruncate(fd, 0) == 0 && ftruncate(fd, static_cast<off_t>(fileSize)) == 0);
  for (size_t done = 0; done < size;) {
    const ssize_t n = pwrite(fd, bytes + done, size - done, static_cast<off_t>(done));
    FUZZ_REQUIRE(n > 0);
    done += static_cast<size_t>(n);
  }
}

// Every indexed record lies inside the file, one after the other, and reads
// back with the length the index gave it.
void ReadEveryRecord(nuvix::RecordedFile& file, uint32_t count, const std::vector<uint32_t>& ends) {
  // Exactly the capacity passed, so a read past it is caught.
  constexpr uint32_t kCapacity = 65536;
  const std::unique_ptr<uint8_t[]> buffer(new uint8_t[kCapacity]);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t start = file.offset(i);
    FUZZ_REQUIRE(start == (i == 0 ? nuvix::RecordedFile::kHeaderBytes : ends[i - 1]));
    FUZZ_REQUIRE(ends[i] > start && ends[i] <= file.size());
    BITMAPINFOHEADER header{};
    const uint32_t n = file.ReadRecord(i, buffer.get(), kCapacity, &header);
    if (file.isAudio()) {
      FUZZ_REQUIRE(n == (file.blockSize() <= kCapacity ? file.blockSize() : 0));
    } else if (n != 0) {
      FUZZ_REQUIRE(n == ends[i] - start && header.biSizeImage <= kCapacity);
      FUZZ_REQUIRE(n == header.biSize + header.biSizeImage);
    } else {
      // Only a payload the buffer cannot hold is refused.
      FUZZ_REQUIRE(header.biSizeImage > kCapacity);
    }
  }
  // The index also keeps where the complete records end (what follows is
  // reported as skipped), and nothing beyond that.
  FUZZ_REQUIRE(file.offset(count) == (count == 0 ? nuvix::RecordedFile::kHeaderBytes : ends[count - 1]));
  FUZZ_REQUIRE(file.ReadRecord(count + 1, buffer.get(), kCapacity, nullptr) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const size_t extendTo = static_cast<size_t>(in.U16()) * 64;
  size_t contentSize;
  const uint8_t* content = in.Rest(&contentSize);
  const int fd = MemoryFile();
  WriteFile(fd, content, contentSize, contentSize > extendTo ? contentSize : extendTo);

  nuvix::RecordedFile file;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  FUZZ_REQUIRE(file.SetPath("%s", path) && file.Open(nuvix::RecordedFile::kRead));
  if (!file.ScanHeader()) {
    FUZZ_REQUIRE(file.size() <= nuvix::RecordedFile::kMinFileSize);
    return 0;
  }
  std::vector<uint32_t> ends;
  const uint32_t count = file.BuildIndex([&ends](uint32_t offset) { ends.push_back(offset); });
  FUZZ_REQUIRE(ends.size() == count);
  ReadEveryRecord(file, count, ends);
  return 0;
}
