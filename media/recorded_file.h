// Reader and writer of the recorded video (.MJP) and audio (.PCM) files: an
// 8-byte tagged header followed by records, indexed by start offset.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "nuvix_wintypes.h"

namespace nuvix {

class RecordedFile {
 public:
  static constexpr uint32_t kHeaderBytes = 8;
  static constexpr uint32_t kImageHeaderBytes = 40;
  static constexpr uint32_t kMinFileSize = 4096;  // files of this size or less are refused
  static constexpr uint32_t kIndexGrowth = 10000;
  static constexpr uint32_t kMaxRecords = 5184000;  // 48 hours at 30 frames per second

  enum Mode : int32_t { kWrite = 0, kRead = 1 };

  RecordedFile() = default;
  ~RecordedFile();
  RecordedFile(const RecordedFile&) = delete;
  RecordedFile& operator=(const RecordedFile&) = delete;

  // Asks the user for a file (open dialog when openForRead, else save dialog).
  // Clears the path first; false on cancel.
  bool ChooseFile(bool openForRead, const std::string& defaultExtension, const std::string& filter);

  // Formats and stores the path. A text that does not fit in a path leaves no
  // path set (false), so such a name never silently turns into another one.
  bool SetPath(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Without a path: true and nothing opened. kRead opens an existing file and
  // takes its size; kWrite creates or truncates. Any other mode: false.
  bool Open(int32_t mode);

  // Reads (kRead) or writes (kWrite) count bytes at the current position;
  // returns the bytes transferred, 0 when closed.
  uint32_t Transfer(void* buffer, uint32_t count);
  // Writes only (0 unless open for writing). A write that cannot be
  // completed (a full disk, a file-size limit) is taken back: the file ends
  // where it ended before, so it never holds half a record; 0 is returned and
  // the reason stays in lastError().
  uint32_t Transfer(const void* buffer, uint32_t count);
  int lastError() const { return lastError_; }
  // Appends one whole record. A record that cannot be written closes the
  // file, which keeps every complete record before it: false, with the
  // reason in lastError().
  bool AppendRecord(const void* record, uint32_t count);

  // Closes the file and releases the index.
  void Close();

  // "VIDE" or "AUDI" and the parameter; nothing unless open for writing.
  void WriteHeader(bool isVideo, uint32_t parameter);

  // Reads the file header (and the first image header of a video file) and
  // sizes the index. False for files of 4096 bytes or less, short reads or a
  // file not open for reading.
  bool ScanHeader();

  // Length of the record at the current position, moving past it; 0 when the
  // record is cut short by the end of the file, its image header is smaller
  // than 40 bytes, or its end does not fit in a 32-bit offset.
  uint32_t NextRecordLength();

  // index[i] = offset, growing the index in steps of 10000 entries.
  // False (nothing stored) for i at or beyond kMaxRecords.
  bool StoreOffset(uint32_t i, uint32_t offset);

  // Indexes the records from offset 8 on; returns the number of complete
  // records. progress receives the offset reached after every record.
  uint32_t BuildIndex(const std::function<void(uint32_t offset)>& progress = {});

  // Reads record i. Audio: up to blockSize bytes into destination, returning
  // the bytes read (the last block may be short). Video: the image header into
  // header and the payload into destination, returning header size + payload
  // size; 0 on a short read or when the payload exceeds capacity.
  uint32_t ReadRecord(uint32_t i, void* destination, uint32_t capacity, BITMAPINFOHEADER* header);

  bool isOpen() const { return fd_ >= 0; }
  int32_t mode() const { return mode_; }
  bool hasPath() const { return hasPath_; }
  const std::string& path() const { return path_; }
  uint64_t size() const { return size_; }
  uint32_t tag() const { return tag_; }
  bool isAudio() const { return tag_ == FOURCC_AUDI; }
  uint32_t parameter() const { return parameter_; }
  uint32_t rateFactor() const { return rateFactor_; }
  uint32_t blockSize() const { return blockSize_; }
  const BITMAPINFOHEADER& firstHeader() const { return firstHeader_; }
  uint32_t indexCapacity() const { return static_cast<uint32_t>(index_.size()); }
  // Offset stored for record i (0 when none was stored).
  uint32_t offset(uint32_t i) const { return i < stored_ ? index_[i] : 0; }

  // Audio read block by file parameter: 2 → 22, 3 → 32, 4 → 44, else 16 (× 512 bytes).
  static uint32_t RateFactorOf(uint32_t parameter);

 private:
  bool ReadExact(void* buffer, uint32_t count);
  bool SeekTo(uint64_t offset);
  uint64_t Position() const;

  int fd_ = -1;
  int lastError_ = 0;  // errno of the last write taken back
  int32_t mode_ = kRead;
  uint64_t size_ = 0;
  std::string path_;
  bool hasPath_ = false;
  BITMAPINFOHEADER firstHeader_{};
  uint32_t tag_ = 0;
  uint32_t parameter_ = 0;
  uint32_t rateFactor_ = 16;
  uint32_t blockSize_ = 16 * 512;
  std::vector<uint32_t> index_;
  uint32_t stored_ = 0;  // entries of index_ that hold an offset
};

// What the File Save switch of a capture tab asks for and names: the save
// dialog's default extension and filter, and the extension of every channel's file.
struct RecordingNames {
  const char* defaultExtension;
  const char* filter;
  const char* extension;
};

// The File Save switch of the video and audio tabs: on turns it off; off asks
// for a base name and names channel c's file "<base>_<cc>.<extension>" (and
// stays off when the user cancels). Returns the new state.
bool ToggleFileSave(bool on, const RecordingNames& names, int channels,
                    const std::function<RecordedFile&(int channel)>& fileOf);

}  // namespace nuvix
