#include "recorded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "prompts.h"

namespace nuvix {
namespace {

uint32_t LoadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void StoreLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// The record header as stored: little-endian whatever the host order.
BITMAPINFOHEADER DecodeImageHeader(const uint8_t* p) {
  BITMAPINFOHEADER h{};
  h.biSize = LoadLe32(p);
  h.biWidth = static_cast<int32_t>(LoadLe32(p + 4));
  h.biHeight = static_cast<int32_t>(LoadLe32(p + 8));
  h.biPlanes = static_cast<uint16_t>(p[12] | p[13] << 8);
  h.biBitCount = static_cast<uint16_t>(p[14] | p[15] << 8);
  h.biCompression = LoadLe32(p + 16);
  h.biSizeImage = LoadLe32(p + 20);
  h.biXPelsPerMeter = static_cast<int32_t>(LoadLe32(p + 24));
  h.biYPelsPerMeter = static_cast<int32_t>(LoadLe32(p + 28));
  h.biClrUsed = LoadLe32(p + 32);
  h.biClrImportant = LoadLe32(p + 36);
  return h;
}

}  // namespace

RecordedFile::~RecordedFile() { Close(); }

uint32_t RecordedFile::RateFactorOf(uint32_t parameter) {
  switch (parameter) {
    case 2: return 22;
    case 3: return 32;
    case 4: return 44;
    default: return 16;
  }
}

bool RecordedFile::ChooseFile(bool openForRead, const std::string& defaultExtension,
                              const std::string& filter) {
  hasPath_ = false;
  std::optional<std::string> chosen = CurrentPrompts().ChooseFile(openForRead, defaultExtension, filter);
  if (!chosen) return false;
  path_ = std::move(*chosen);
  hasPath_ = true;
  return true;
}

bool RecordedFile::SetPath(const char* format, ...) {
  char text[PATH_MAX];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0 || static_cast<size_t>(n) >= sizeof text) {
    path_.clear();
    hasPath_ = false;
    return false;
  }
  path_.assign(text, static_cast<size_t>(n));
  hasPath_ = true;
  return true;
}

bool RecordedFile::Open(int32_t mode) {
  if (!hasPath_) return true;
  if (mode != kRead && mode != kWrite) return false;
  Close();
  mode_ = mode;
  if (mode == kRead) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
      Close();
      return false;
    }
    size_ = static_cast<uint64_t>(st.st_size);
  } else {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return false;
    size_ = 0;
  }
  return true;
}

uint32_t RecordedFile::Transfer(void* buffer, uint32_t count) {
  if (fd_ < 0) return 0;
  if (mode_ == kWrite) return Transfer(static_cast<const void*>(buffer), count);
  auto* p = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd_, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

uint32_t RecordedFile::Transfer(const void* buffer, uint32_t count) {
  if (fd_ < 0 || mode_ != kWrite) return 0;
  const auto* p = static_cast<const uint8_t*>(buffer);
  const off_t start = ::lseek(fd_, 0, SEEK_CUR);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      lastError_ = n < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<uint32_t>(n);
  }
  if (done == count) return done;
  // Half a record would make every later record unreadable: cut it off.
  if (start >= 0 && ::ftruncate(fd_, start) == 0) ::lseek(fd_, start, SEEK_SET);
  return 0;
}

bool RecordedFile::AppendRecord(const void* record, uint32_t count) {
  if (Transfer(record, count) == count) return true;
  Close();
  return false;
}

void RecordedFile::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  index_.clear();
  index_.shrink_to_fit();
  stored_ = 0;
}

void RecordedFile::WriteHeader(bool isVideo, uint32_t parameter) {
  if (fd_ < 0 || mode_ != kWrite) return;
  uint8_t header[kHeaderBytes];
  StoreLe32(header, isVideo ? FOURCC_VIDE : FOURCC_AUDI);
  StoreLe32(header + 4, parameter);
  Transfer(static_cast<const void*>(header), kHeaderBytes);
}

bool RecordedFile::ReadExact(void* buffer, uint32_t count) { return Transfer(buffer, count) == count; }

bool RecordedFile::SeekTo(uint64_t offset) {
  return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

uint64_t RecordedFile::Position() const {
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  return at < 0 ? UINT64_MAX : static_cast<uint64_t>(at);
}

bool RecordedFile::ScanHeader() {
  if (fd_ < 0 || mode_ != kRead) return false;
  if (size_ <= kMinFileSize) return false;
  if (!SeekTo(0)) return false;
  uint8_t header[kHeaderBytes];
  if (!ReadExact(header, kHeaderBytes)) return false;
  tag_ = LoadLe32(header);
  parameter_ = LoadLe32(header + 4);

  // Offsets are 32-bit, so nothing past 4 GiB can be indexed anyway.
  const uint64_t reachable = size_ < UINT32_MAX ? size_ : UINT32_MAX;
  uint64_t capacity;
  if (tag_ == FOURCC_AUDI) {
    rateFactor_ = RateFactorOf(parameter_);
    blockSize_ = rateFactor_ * 512;
    capacity = reachable / blockSize_ + 1;
  } else {
    uint8_t image[kImageHeaderBytes];
    if (!ReadExact(image, kImageHeaderBytes)) return false;
    firstHeader_ = DecodeImageHeader(image);
    if (!SeekTo(kHeaderBytes)) return false;
    capacity = reachable / kMinFileSize + 1;
  }
  index_.assign(static_cast<size_t>(capacity), 0);
  stored_ = 0;
  return true;
}

uint32_t RecordedFile::NextRecordLength() {
  if (fd_ < 0 || mode_ != kRead) return 0;
  const uint64_t at = Position();
  if (at == UINT64_MAX) return 0;

  uint64_t length;
  if (tag_ == FOURCC_AUDI) {
    uint8_t probe[4];
    if (!ReadExact(probe, sizeof probe)) return 0;
    length = blockSize_;
  } else {
    uint8_t image[kImageHeaderBytes];
    if (!ReadExact(image, kImageHeaderBytes)) return 0;
    const uint32_t headerSize = LoadLe32(image);
    const uint32_t payloadSize = LoadLe32(image + 20);
    // A header smaller than itself would let the scan stand still or walk
    // backwards through the file; such a record ends the scan.
    if (headerSize < kImageHeaderBytes) return 0;
    length = static_cast<uint64_t>(headerSize) + payloadSize;
  }
  const uint64_t end = at + length;
  if (end > size_ || end > UINT32_MAX) return 0;
  if (!SeekTo(end)) return 0;
  return static_cast<uint32_t>(length);
}

bool RecordedFile::StoreOffset(uint32_t i, uint32_t offset) {
  if (i >= kMaxRecords) return false;
  if (i >= index_.size()) {
    size_t capacity = index_.size();
    while (capacity <= i) capacity += kIndexGrowth;
    index_.resize(capacity, 0);
  }
  index_[i] = offset;
  if (i >= stored_) stored_ = i + 1;
  return true;
}

uint32_t RecordedFile::BuildIndex(const std::function<void(uint32_t offset)>& progress) {
  if (fd_ < 0 || mode_ != kRead) return 0;
  if (!SeekTo(kHeaderBytes)) return 0;
  uint32_t offset = kHeaderBytes;
  uint32_t i = 0;
  for (; i < kMaxRecords; ++i) {
    StoreOffset(i, offset);
    const uint32_t length = NextRecordLength();
    if (length == 0) break;
    offset += length;  // cannot wrap: NextRecordLength keeps every end within 32 bits
    if (progress) progress(offset);
  }
  return i;
}

uint32_t RecordedFile::ReadRecord(uint32_t i, void* destination, uint32_t capacity,
                                  BITMAPINFOHEADER* header) {
  if (fd_ < 0 || mode_ != kRead || i >= stored_) return 0;
  const uint32_t start = index_[i];
  if (!SeekTo(start)) return 0;

  if (tag_ == FOURCC_AUDI) {
    if (blockSize_ > capacity) return 0;
    return Transfer(destination, blockSize_);
  }

  uint8_t image[kImageHeaderBytes];
  if (!ReadExact(image, kImageHeaderBytes)) return 0;
  const BITMAPINFOHEADER h = DecodeImageHeader(image);
  if (header) *header = h;
  if (h.biSize < kImageHeaderBytes || h.biSizeImage > capacity) return 0;
  const uint64_t length = static_cast<uint64_t>(h.biSize) + h.biSizeImage;
  if (length > UINT32_MAX) return 0;
  // The payload follows the header as long as the header says it is, which
  // for every record this program writes is the 40 bytes just read.
  if (h.biSize != kImageHeaderBytes && !SeekTo(static_cast<uint64_t>(start) + h.biSize)) return 0;
  if (!ReadExact(destination, h.biSizeImage)) return 0;
  return static_cast<uint32_t>(length);
}

bool ToggleFileSave(bool on, const RecordingNames& names, int channels,
                    const std::function<RecordedFile&(int channel)>& fileOf) {
  if (on) return false;
  RecordedFile chooser;
  if (!chooser.ChooseFile(false, names.defaultExtension, names.filter)) return false;
  for (int c = 0; c < channels; ++c) fileOf(c).SetPath("%s_%02d.%s", chooser.path().c_str(), c, names.extension);
  return true;
}

}  // namespace nuvix
