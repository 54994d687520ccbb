#include "recording_exporter.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "recorded_file.h"
#include "standard_header.h"

namespace nuvix {
namespace {

bool EndsWith(const std::string& text, const char* end) {
  const size_t n = std::strlen(end);
  if (text.size() < n) return false;
  return std::equal(text.end() - static_cast<std::ptrdiff_t>(n), text.end(), end,
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

uint64_t FileBytes(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

// The picture coding type of this syntax's header: bit 40, 0 for an intra picture.
bool IsIntraPicture(const uint8_t* picture, size_t size) { return size > 5 && !(picture[5] & 0x80); }

bool IsVideoHeader(const BITMAPINFOHEADER& h) {
  return h.biSize >= RecordedFile::kImageHeaderBytes && h.biWidth > 0 && h.biHeight > 0 &&
         h.biWidth <= 4096 && h.biHeight <= 4096 &&
         (h.biCompression == FOURCC_MJPG || h.biCompression == FOURCC_H263);
}

bool SameFormat(const BITMAPINFOHEADER& a, const BITMAPINFOHEADER& b) {
  return a.biCompression == b.biCompression && a.biWidth == b.biWidth && a.biHeight == b.biHeight;
}

std::string Count(uint64_t n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

}  // namespace

std::string RecordingExporter::DefaultOutput(const std::string& input, const std::string& extension) {
  const size_t slash = input.find_last_of('/');
  const size_t dot = input.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? input.substr(0, dot) : input) + extension;
}

int RecordingExporter::SampleRateOf(uint32_t parameter) {
  switch (parameter) {
    case 2: return 11025;
    case 3: return 16000;
    case 4: return 22050;
    default: return 8000;
  }
}

int RecordingExporter::FrameRateOf(int32_t height) { return height % 120 == 0 ? 30 : 25; }

bool RecordingExporter::Refuse(std::string error) {
  result_.error = std::move(error);
  return false;
}

void RecordingExporter::Warn(const std::string& text) {
  result_.warning += (result_.warning.empty() ? "" : "; ") + text;
}

void RecordingExporter::Report(uint64_t done, uint64_t total) const {
  if (options_.progress) options_.progress(done, total);
}

RecordingExporter::Result RecordingExporter::Run(const Options& options) {
  options_ = options;
  result_ = Result{};
  RecordedFile file;
  if (!file.SetPath("%s", options.input.c_str()) || !file.Open(RecordedFile::kRead)) {
    Refuse("cannot read " + options.input + ": " + std::strerror(errno));
    return result_;
  }
  if (!file.ScanHeader()) {
    Refuse(options.input + (file.size() == 0 ? " is empty"
                            : file.size() == RecordedFile::kHeaderBytes
                                ? " holds no records: nothing was recorded after its file header"
                                : " is not a recording: it holds 4096 bytes or less, which the recording reader "
                                  "refuses"));
    return result_;
  }
  result_.audio = file.isAudio();
  result_.output = options.output.empty() ? DefaultOutput(options.input, result_.audio ? ".wav" : ".avi")
                                          : options.output;
  const bool written = result_.audio ? ExportAudio(file) : ExportVideo(file);
  result_.ok = written && writer_.Finish();
  if (written && !result_.ok) result_.error = writer_.error();
  result_.bytesWritten = result_.ok ? FileBytes(result_.output) : 0;
  return result_;
}

bool RecordingExporter::OpenWriter(MediaWriter::Content content, int width, int height, int rate) {
  content_ = content;
  return writer_.Open(result_.output, content, width, height, rate) || Refuse(writer_.error());
}

bool RecordingExporter::ExportAudio(RecordedFile& file) {
  if (options_.transcode || !EndsWith(result_.output, ".wav"))
    return Refuse("an audio recording is exported to a .wav file only");
  const int rate = SampleRateOf(file.parameter());
  if (!OpenWriter(MediaWriter::Content::kPcmWav, 0, 0, rate)) return false;
  // The samples run from the header to the end of the file; the header scan
  // left the file there.
  std::vector<uint8_t> block(file.blockSize());
  uint64_t done = RecordedFile::kHeaderBytes;
  uint8_t odd = 0;
  bool hasOdd = false;
  for (uint32_t got; (got = file.Transfer(static_cast<void*>(block.data()), file.blockSize())) > 0;) {
    done += got;
    // A sample may straddle two reads only when the file holds an odd byte count.
    std::vector<uint8_t> samples;
    const uint8_t* data = block.data();
    uint32_t bytes = got;
    if (hasOdd) {
      samples.reserve(got + 1);
      samples.push_back(odd);
      samples.insert(samples.end(), block.begin(), block.begin() + got);
      data = samples.data();
      bytes = got + 1;
    }
    hasOdd = bytes % 2 != 0;
    if (hasOdd) odd = data[--bytes];
    if (bytes && !writer_.Write(data, static_cast<int>(bytes), static_cast<int64_t>(result_.samples), true))
      return Refuse(writer_.error());
    result_.samples += bytes / 2;
    Report(done, file.size());
  }
  if (hasOdd) Warn("the recording ends in half a sample, which was left out");
  result_.seconds = static_cast<double>(result_.samples) / rate;
  return true;
}

bool RecordingExporter::ExportVideo(RecordedFile& file) {
  const BITMAPINFOHEADER first = file.firstHeader();
  if (!IsVideoHeader(first))
    return Refuse(options_.input + " is not a recording (no picture record after the file header)");
  const bool h263 = first.biCompression == FOURCC_H263;
  const bool raw = EndsWith(result_.output, ".263");
  if (!raw && !EndsWith(result_.output, ".avi"))
    return Refuse("a video recording is exported to a .avi file (or .263 for H.263 recordings)");
  if (raw && (!h263 || options_.transcode))
    return Refuse("a raw .263 file holds H.263 pictures only; export to .avi instead");
  if (options_.transcode && !h263) return Refuse("--transcode re-codes H.263 recordings; this one is MJPG already");
  if (options_.transcode) transcoder_ = std::make_unique<MjpgTranscoder>();

  const int fps = options_.fps ? options_.fps : FrameRateOf(first.biHeight);
  const auto content = !h263 || options_.transcode ? MediaWriter::Content::kMjpgAvi
                       : raw                        ? MediaWriter::Content::kH263Raw
                                                    : MediaWriter::Content::kH263Avi;
  if (!OpenWriter(content, first.biWidth, first.biHeight, fps)) return false;

  const uint32_t count = file.BuildIndex();
  std::vector<uint8_t> payload(1 << 20);
  uint64_t end = RecordedFile::kHeaderBytes;
  for (uint32_t i = 0; i < count; ++i) {
    BITMAPINFOHEADER header{};
    uint32_t length = file.ReadRecord(i, payload.data(), static_cast<uint32_t>(payload.size()), &header);
    if (!length && header.biSizeImage > payload.size()) {
      payload.resize(header.biSizeImage);
      length = file.ReadRecord(i, payload.data(), static_cast<uint32_t>(payload.size()), &header);
    }
    if (!length) return Refuse("cannot read record " + std::to_string(i) + " of " + options_.input);
    if (!SameFormat(header, first)) {
      Warn("record " + std::to_string(i) + " changes the picture format; the rest was left out");
      end = file.size();
      break;
    }
    if (!WritePicture(header, payload.data(), i)) {
      if (!result_.error.empty()) return false;
      end = file.size();
      break;
    }
    end = static_cast<uint64_t>(file.offset(i)) + length;
    ++result_.pictures;
    Report(end, file.size());
  }
  if (h263 && !options_.transcode && first.biHeight % 16 != 0 && result_.pictures > 0)
    Warn("the encoder leaves the end of the bottom macroblock row of " + std::to_string(first.biHeight) +
         "-line pictures uncoded; players fill it in");
  if (end < file.size())
    Warn("the recording ends in an incomplete record (" + Count(file.size() - end, "byte") + "), which was left out");
  result_.seconds = static_cast<double>(result_.pictures) / fps;
  return true;
}

// False with result_.warning set for a picture that cannot be exported (the
// export ends there), with result_.error set when writing failed.
bool RecordingExporter::WritePicture(const BITMAPINFOHEADER& header, const uint8_t* payload, uint32_t i) {
  const int64_t n = static_cast<int64_t>(result_.pictures);
  const uint8_t* data = payload;
  size_t size = header.biSizeImage;
  bool key = true;
  if (content_ != MediaWriter::Content::kMjpgAvi || transcoder_) {
    key = IsIntraPicture(payload, size);
    bool converted;
    if (transcoder_) {
      converted = transcoder_->Transcode(data, static_cast<uint32_t>(size), header.biWidth, header.biHeight,
                                         converted_);
      size = converted_.size();
      key = true;
    } else {
      converted_.resize(size + osprel::kCustomHeaderGrowth);
      size = osprel::ToPlayableHeader(data, size, converted_.data());
      converted = size > 0;
    }
    if (!converted) {
      Warn("record " + std::to_string(i) + " is not a complete H.263 picture; the rest was left out");
      return false;
    }
    data = converted_.data();
  }
  if (size > INT32_MAX || !writer_.Write(data, static_cast<int>(size), n, key)) return Refuse(writer_.error());
  return true;
}

}  // namespace nuvix
