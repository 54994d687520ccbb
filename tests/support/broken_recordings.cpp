#include "broken_recordings.h"

#include "recorded_file.h"

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
    uint32_t end = nuvix::RecordedFile::kHeaderBytes;
    if (!file.ScanHeader() || file.BuildIndex([&](uint32_t offset) { end = offset; }) == 0 || end != file.size())
      broken.push_back(path + " (ends at " + std::to_string(end) + " of " + std::to_string(file.size()) + ")");
  }
  return broken;
}
