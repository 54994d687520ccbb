#include "playback.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "bitmap_export.h"
#include "chromix.h"
#include "h263_decoder.h"
#include "nuvixi.h"

namespace nuvix {

namespace {

using Clock = std::chrono::steady_clock;

// The picture coding type of one of our H.263 pictures: after the start code
// (17 bits), group number (5), temporal reference (8), PTYPE 1 0 (2), three
// flags (3) and the 5-bit format comes the bit that is 0 for an intra picture.
bool IsIntraPicture(const uint8_t* payload, uint32_t size) { return size > 5 && (payload[5] & 0x80) == 0; }

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

}  // namespace

Playback::Playback(uint32_t board, bool aplayOpen, Sinks sinks)
    : board_(board),
      aplayOpen_(aplayOpen),
      sinks_(std::move(sinks)),
      data_(new uint8_t[kDataBytes]),
      yuv_(new uint8_t[kH263MaxPictureBytes]),
      rgb_(new uint8_t[kRgbBytes]) {
  mjpg_.OpenCodec(MjpgContext::kPlayChannel);
  h263_.CreateCodec(false);
}

Playback::~Playback() {
  Close();
  mjpg_.CloseCodec();
  h263_.ReleaseCodec();
}

void Playback::Log(uint32_t code, const std::string& text) const {
  if (sinks_.log) sinks_.log(code, text);
}

// ---- Open and close ----

Playback::Load Playback::Open(const std::string& path) {
  std::lock_guard lock(mutex_);
  if (state_.load() != kNoFile) return Load::kRefused;
  if (!file_.SetPath("%s", path.c_str()) || !file_.Open(RecordedFile::kRead) || !file_.isOpen() ||
      !file_.ScanHeader()) {
    file_.Close();
    return Load::kRefused;
  }
  const uint32_t count = BuildIndex();
  if (count == 0) {
    Log(NUVIXI_SUCCESS, "FILE NOT LOADED: NO COMPLETE RECORD");
    file_.Close();
    return Load::kNoRecord;
  }
  // A rate index the board does not know is played at the rate of the block
  // size the reader steps it by.
  parameter_ = file_.parameter() >= 1 && file_.parameter() <= 4 ? file_.parameter() : 1;
  rateFactor_ = file_.rateFactor();
  blockSize_ = file_.blockSize();
  count_ = count;
  cursor_ = 0;
  // Any tag but "AUDI" is indexed as video records, so it is shown as video.
  isVideo_ = !file_.isAudio();
  failedRecords_ = 0;
  nextInStream_ = groupTarget_ = kNoRecord;
  if (isVideo_) {
    h263_.ReleaseCodec();
    h263_.CreateCodec(false);
  }
  if (FetchRecord(0) == 0) {
    Log(NUVIXI_SUCCESS, "FILE NOT LOADED: ITS FIRST RECORD CANNOT BE READ OR DECODED");
    file_.Close();
    return Load::kFirstRecordUnreadable;
  }
  state_ = kStopped;
  return Load::kLoaded;
}

uint32_t Playback::BuildIndex() {
  const uint64_t size = file_.size();
  if (sinks_.progress) sinks_.progress(0, size);
  // Progress moves in steps of 1/256 of the file, not once per record.
  const uint64_t step = std::max<uint64_t>(size / 256, 1);
  uint64_t shown = 0;
  uint32_t records = 0, previous = RecordedFile::kHeaderBytes;
  uint32_t firstOversize = UINT32_MAX;
  const uint32_t largest = file_.isAudio() ? kDataBytes : kDataBytes + RecordedFile::kImageHeaderBytes;
  uint32_t count = file_.BuildIndex([&](uint32_t offset) {
    if (offset - previous > largest && firstOversize == UINT32_MAX) firstOversize = records;
    previous = offset;
    ++records;
    if (offset - shown < step) return;
    shown = offset;
    if (sinks_.progress) sinks_.progress(offset, size);
  });
  if (firstOversize < count) {
    Log(NUVIXI_SUCCESS, Format("FILE TRUNCATED: RECORD %u IS LARGER THAN %u BYTES", firstOversize, kDataBytes));
    count = firstOversize;
  } else if (count >= RecordedFile::kMaxRecords) {
    Log(NUVIXI_SUCCESS, Format("FILE TRUNCATED: ONLY THE FIRST %u RECORDS ARE PLAYED", count));
  } else if (count > 0 && file_.offset(count) < size) {
    Log(NUVIXI_SUCCESS, Format("FILE TRUNCATED: %llu BYTES AFTER RECORD %u ARE SKIPPED",
                               static_cast<unsigned long long>(size - file_.offset(count)), count - 1));
  }
  return count;
}

void Playback::Close() {
  std::lock_guard lock(mutex_);
  state_ = kNoFile;
  file_.Close();
}

uint32_t Playback::MoveCursor(int direction) {
  uint32_t current = cursor_.load();
  uint32_t next;
  do {
    next = direction < 0 ? (current == 0 ? count_ - 1 : current - 1) : (current + 1) % count_;
  } while (!cursor_.compare_exchange_weak(current, next));
  return next;
}

int32_t Playback::width() const {
  std::lock_guard lock(mutex_);
  return displayHeader_.biWidth;
}

int32_t Playback::height() const {
  std::lock_guard lock(mutex_);
  return std::abs(displayHeader_.biHeight);
}

// ---- Pictures ----

uint32_t Playback::FetchRecord(uint32_t i) {
  BITMAPINFOHEADER header{};
  const uint32_t bytes = file_.ReadRecord(i, data_.get(), kDataBytes, &header);
  if (bytes == 0 || !isVideo_) return bytes;
  return Decode(i, header) ? bytes : 0;
}

bool Playback::Decode(uint32_t i, const BITMAPINFOHEADER& header) {
  const bool decoded = header.biCompression == FOURCC_H263 ? DecodeH263(header) : DecodeMjpg(header);
  nextInStream_ = decoded ? i + 1 : kNoRecord;
  return decoded;
}

Playback::Show Playback::ShowVideo(uint32_t i, std::chrono::milliseconds budget) {
  std::lock_guard lock(mutex_);
  if (state_.load() == kNoFile) return Show::kFailed;
  BITMAPINFOHEADER header{};
  uint32_t bytes = file_.ReadRecord(i, data_.get(), kDataBytes, &header);
  // A P picture is only right on top of the picture before it: coming from
  // anywhere else, the decoder goes through its group from the intra picture.
  if (bytes != 0 && i != nextInStream_ && header.biCompression == FOURCC_H263 &&
      !IsIntraPicture(data_.get(), header.biSizeImage)) {
    if (!CatchUp(i, Clock::now() + budget)) return Show::kMore;
    bytes = file_.ReadRecord(i, data_.get(), kDataBytes, &header);  // the catch-up used the buffer
  }
  if (bytes == 0 || !Decode(i, header)) {
    failedRecords_.fetch_add(1);
    return Show::kFailed;
  }
  if (sinks_.picture) sinks_.picture({displayHeader_, rgb_.get(), topRowFirst_}, i, bytes);
  return Show::kShown;
}

void Playback::ShowVideoWhole(uint32_t i, const std::function<bool()>& keepGoing) {
  constexpr std::chrono::milliseconds kStretch{20};
  while (keepGoing() && ShowVideo(i, kStretch) == Show::kMore) {
  }
}

bool Playback::CatchUp(uint32_t i, Clock::time_point deadline) {
  const uint32_t start = GroupStart(i);
  // Where an earlier stretch of this catch-up (or a step before it) left the
  // decoder inside the group, it goes on from there.
  uint32_t k = nextInStream_ != kNoRecord && nextInStream_ > start && nextInStream_ < i ? nextInStream_ : start;
  for (BITMAPINFOHEADER header{}; k < i; ++k) {
    if (file_.ReadRecord(k, data_.get(), kDataBytes, &header) == 0 || !DecodeH263(header)) {
      nextInStream_ = kNoRecord;  // the group is broken: record i is decoded as it stands
      return true;
    }
    nextInStream_ = k + 1;
    if (k + 1 < i && Clock::now() >= deadline) return false;
  }
  return true;
}

// The intra picture that starts record i's group, at most kMaxGroup back; i
// itself when there is none (or the records before it are not H.263).
uint32_t Playback::GroupStart(uint32_t i) {
  if (groupTarget_ == i) return groupStart_;
  uint32_t start = i;
  BITMAPINFOHEADER header{};
  for (uint32_t k = i; k-- > 0 && i - k <= kMaxGroup;) {
    if (file_.ReadRecord(k, data_.get(), kDataBytes, &header) == 0 || header.biCompression != FOURCC_H263) break;
    if (IsIntraPicture(data_.get(), header.biSizeImage)) {
      start = k;
      break;
    }
  }
  groupTarget_ = i;
  groupStart_ = start;
  return start;
}

bool Playback::DecodeH263(const BITMAPINFOHEADER& header) {
  CH263Decoder* decoder = h263_.Decoder();
  const int32_t width = header.biWidth, height = header.biHeight;
  // The picture is converted at the size its header gives: anything the
  // buffers cannot hold is refused rather than read past their end.
  if (!decoder || width <= 0 || height <= 0 || width > kMaxWidth || height > kMaxHeight || width % 2 || height % 2)
    return false;
  const int payloadSize = static_cast<int>(header.biSizeImage);
  if (decoder->Decode(data_.get(), yuv_.get(), payloadSize) == 0) return false;
  const size_t luma = static_cast<size_t>(width) * height;
  CHROMIX_Y420_TO_RGB32(yuv_.get(), yuv_.get() + luma, yuv_.get() + luma + luma / 4, width, height, rgb_.get(), 0);
  displayHeader_ = header;
  displayHeader_.biBitCount = 32;
  displayHeader_.biSizeImage = static_cast<uint32_t>(luma * 4);
  topRowFirst_ = true;
  return true;
}

bool Playback::DecodeMjpg(const BITMAPINFOHEADER& header) {
  if (!mjpg_.DecompressInto(header, data_.get(), rgb_.get(), kRgbBytes, &displayHeader_)) return false;
  topRowFirst_ = false;
  return true;
}

bool Playback::SaveBitmap(RecordedFile& out) {
  std::lock_guard lock(mutex_);
  return WriteBitmap(out, displayHeader_, rgb_.get(), topRowFirst_);
}

// ---- Audio ----

bool Playback::LoadAudio(uint32_t i) {
  std::lock_guard lock(mutex_);
  return LoadAudioLocked(i, i % 2);
}

void Playback::BeginAudioPlay() {
  // Both halves of the board's buffer are filled before it starts; the board
  // starts with the first one, and from then on each refill goes into the half
  // that has just been played, also where the file goes round to its start.
  std::lock_guard lock(mutex_);
  const uint32_t first = cursor_.load(), firstHalf = first % 2;
  LoadAudioLocked(first, firstHalf);
  LoadAudioLocked(MoveCursor(1), 1 - firstHalf);
  refillHalf_ = firstHalf;
  state_ = kPlayingForward;
}

void Playback::Refill() {
  std::lock_guard lock(mutex_);
  if (state_.load() != kPlayingForward) return;
  const uint32_t half = refillHalf_;
  refillHalf_ = 1 - half;
  LoadAudioLocked(MoveCursor(1), half);
}

bool Playback::LoadAudioLocked(uint32_t i, uint32_t half) {
  if (!aplayOpen_) return false;
  const uint32_t n = FetchRecord(i);
  if (n == 0) {
    failedRecords_.fetch_add(1);
    return false;
  }
  if (sinks_.audio) sinks_.audio(data_.get(), n, i);
  // The last block may be short: the rest of its half is silence, not what
  // the half held before, and it still starts at the half's boundary.
  if (n < blockSize_) std::memset(data_.get() + n, 0, blockSize_ - n);
  const uint32_t offset = half ? blockSize_ : 0;
  const uint32_t result = NUVIXI_APLAY_LOAD(board_, parameter_, offset, data_.get(), blockSize_);
  Log(result, Format("NUVIXI_APLAYLOAD(%X,%X,%X,%lX,%X)", board_, parameter_, offset,
                     static_cast<unsigned long>(reinterpret_cast<uintptr_t>(data_.get())), blockSize_));
  return true;
}

}  // namespace nuvix
