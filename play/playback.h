// The model behind the PLAY tab: one recorded file and its index, the decoders
// that turn its records into pictures, the cursor, and the sequence of audio
// blocks the board's playback is fed with. It owns no window: pictures, blocks
// and log lines go to the sinks the tab gives it.
//
// Threads: the dialog thread and the tab's two workers (timed stepping, audio
// refill) call in at once. One mutex serialises every use of the file, the
// decoders and the buffers; it is held for one record, or for one bounded
// stretch of a catch-up, so no caller waits long and no refill is ever dropped.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "h263_context.h"
#include "mjpg_context.h"
#include "recorded_file.h"

namespace nuvix {

class Playback {
 public:
  enum State : uint32_t { kNoFile = 0, kStopped = 1, kPlayingForward = 2, kPlayingBackward = 3 };
  enum class Load { kRefused, kNoRecord, kFirstRecordUnreadable, kLoaded };
  enum class Show { kShown, kFailed, kMore };

  static constexpr uint32_t kDataBytes = 524288;
  static constexpr int32_t kMaxWidth = 720, kMaxHeight = 576;
  static constexpr uint32_t kRgbBytes = kMaxWidth * kMaxHeight * 4;
  // Furthest back an intra picture is looked for (ten seconds of pictures).
  static constexpr uint32_t kMaxGroup = 300;
  static constexpr uint32_t kNoRecord = 0xFFFFFFFF;

  // A decoded picture, valid only during the sink call (copy it, do not keep it).
  struct Picture {
    const BITMAPINFOHEADER& header;  // width, height, bit count and image size are used
    const uint8_t* rgb;
    bool topRowFirst;  // H.263 pictures; MJPG ones come bottom row first
  };
  struct Sinks {
    // A board call or a note about the file: the text of its log line.
    std::function<void(uint32_t code, const std::string& text)> log = {};
    // Record `record` of `bytes` (header and payload) decoded; under the lock.
    std::function<void(const Picture& picture, uint32_t record, uint32_t bytes)> picture = {};
    // Audio block `record` of `bytes` loaded into the board; under the lock.
    std::function<void(const uint8_t* samples, uint32_t bytes, uint32_t record)> audio = {};
    // Indexing progress: the bytes indexed of the file's size (0 first).
    std::function<void(uint64_t reached, uint64_t size)> progress = {};
  };

  // board and aplayOpen: the board the audio blocks go to, and whether it was
  // opened with its audio playback block.
  Playback(uint32_t board, bool aplayOpen, Sinks sinks);
  ~Playback();
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;

  // Opens the recording at path, indexes it and reads its first record (the
  // picture is not handed out). Only without a file loaded.
  Load Open(const std::string& path);
  void Close();

  State state() const { return static_cast<State>(state_.load()); }
  void SetState(State state) { state_ = state; }
  bool isVideo() const { return isVideo_; }
  uint32_t count() const { return count_; }
  uint32_t parameter() const { return parameter_; }
  uint32_t rateFactor() const { return rateFactor_; }
  uint32_t cursor() const { return cursor_.load(); }
  void SetCursor(uint32_t record) { cursor_ = record; }
  // Moves the cursor one record back or forward (wrapping); returns the new record.
  uint32_t MoveCursor(int direction);
  // Width and height of the picture shown last.
  int32_t width() const;
  int32_t height() const;
  // Records that could not be read or decoded since the file was loaded.
  uint32_t failedRecords() const { return failedRecords_.load(); }

  // Decodes record i and hands it to the picture sink, for at most about budget
  // (at least one picture): a P picture away from the decoder's position is
  // reached through its group, and kMore asks for another call to go on.
  Show ShowVideo(uint32_t i, std::chrono::milliseconds budget);
  // ShowVideo until it is done or keepGoing turns false (worker threads).
  void ShowVideoWhole(uint32_t i, const std::function<bool()>& keepGoing);

  // Reads audio block i, hands it to the audio sink and loads it into the
  // board's half of its parity. False when it could not be read (or no audio
  // playback block is open).
  bool LoadAudio(uint32_t i);
  // Fills both halves from the cursor on and marks playback started.
  void BeginAudioPlay();
  // The audio worker's turn: the next block into the half that has just played.
  void Refill();

  // Writes the picture shown last as a BMP file into an open file.
  bool SaveBitmap(RecordedFile& out);

 private:
  uint32_t BuildIndex();
  // Reads record i into the data buffer and, for video, decodes it; 0 on failure.
  uint32_t FetchRecord(uint32_t i);
  // Decodes the video record in the data buffer as record i.
  bool Decode(uint32_t i, const BITMAPINFOHEADER& header);
  // Decodes from where the catch-up to record i stands for up to budget; true
  // when the decoder is ready to take record i.
  bool CatchUp(uint32_t i, std::chrono::steady_clock::time_point deadline);
  uint32_t GroupStart(uint32_t i);
  bool DecodeH263(const BITMAPINFOHEADER& header);
  bool DecodeMjpg(const BITMAPINFOHEADER& header);
  bool LoadAudioLocked(uint32_t i, uint32_t half);
  void Log(uint32_t code, const std::string& text) const;

  const uint32_t board_;
  const bool aplayOpen_;
  const Sinks sinks_;

  // Set by the dialog thread while no worker runs, read by every thread.
  std::atomic<uint32_t> state_{kNoFile};
  std::atomic<uint32_t> cursor_{0};
  std::atomic<uint32_t> failedRecords_{0};
  bool isVideo_ = false;
  uint32_t count_ = 0;
  uint32_t parameter_ = 1;
  uint32_t rateFactor_ = 16;
  uint32_t blockSize_ = 16 * 512;

  // Under mutex_.
  mutable std::mutex mutex_;
  RecordedFile file_;
  MjpgContext mjpg_;
  H263Context h263_;
  BITMAPINFOHEADER displayHeader_{};
  bool topRowFirst_ = false;
  uint32_t nextInStream_ = kNoRecord;  // the record the decoder can take next
  uint32_t groupTarget_ = kNoRecord;   // the record the group start below is for
  uint32_t groupStart_ = 0;
  uint32_t refillHalf_ = 0;  // the half the next refill goes into
  std::unique_ptr<uint8_t[]> data_;
  std::unique_ptr<uint8_t[]> yuv_;
  std::unique_ptr<uint8_t[]> rgb_;
};

}  // namespace nuvix
