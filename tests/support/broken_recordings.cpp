#include "broken_recordings.h"

#include "recorded_file.h"

namespace {

// A QLA board delivers 16384-byte blocks whatever the rate; a QCA board the
// block the reader steps by. An audio file carries no framing, so its samples
// are whole when they fill a whole number of either.
constexpr uint64_t kQlaDeliveryBytes = 16384;

bool AudioIsWhole(const nuvix::RecordedFile& file) {
  const uint64_t samples = file.size() - nuvix::RecordedFile::kHeaderBytes;
  return samples % file.blockSize() == 0 || samples % kQlaDeliveryBytes == 0;
}

}  // namespace

std::vector<std::string> BrokenRecordings(const QDir& directory) {
  std::vector<std::string> broken;
  for (const QString& name : directory.entryList({QStringLiteral("*.MJP"), QStringLiteral("*.PCM")}, QDir::Files)) {
    nuvix::RecordedFile file;
    const std::string path = directory.filePath(name).toStdString();
    if (!file.SetPath("%s", path.c_str()) || !file.Open(nuvix::RecordedFile::kRead)) {
      broken.push_back(path + " (cannot open)");
      continue;
    }
    if (file.size() <= nuvix::RecordedFile::kMinFileSize) continue;  // refused by rule, nothing to index
    if (!file.ScanHeader()) {
      broken.push_back(path + " (no header)");
      continue;
    }
    if (file.isAudio()) {
      if (!AudioIsWhole(file))
        broken.push_back(path + " (" + std::to_string(file.size() - nuvix::RecordedFile::kHeaderBytes) +
                         " bytes of samples: neither whole blocks of " + std::to_string(file.blockSize()) +
                         " nor of " + std::to_string(kQlaDeliveryBytes) + ")");
      continue;
    }
    uint32_t end = nuvix::RecordedFile::kHeaderBytes;
    if (file.BuildIndex([&](uint32_t offset) { end = offset; }) == 0 || end != file.size())
      broken.push_back(path + " (ends at " + std::to_string(end) + " of " + std::to_string(file.size()) + ")");
  }
  return broken;
}
