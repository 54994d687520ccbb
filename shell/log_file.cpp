#include "log_file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

LogFile::~LogFile() {
  if (file_) std::fclose(file_);
}

bool LogFile::Open(const std::string& path) {
  if (file_) std::fclose(file_);
  file_ = std::fopen(path.c_str(), "a");
  if (!file_) error_ = "cannot write the log to " + path + ": " + std::strerror(errno);
  atLineStart_ = true;
  return file_ != nullptr;
}

std::string LogFile::TimeStamp() {
  using namespace std::chrono;
  const system_clock::time_point now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[40];
  const size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(millis));
  return text;
}

void LogFile::Write(const std::string& text) {
  if (!file_) return;
  std::string out;
  const std::string stamp = TimeStamp() + " ";
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (atLineStart_) out += stamp;
    out += text[i];
    atLineStart_ = text[i] == '\n';
  }
  std::fwrite(out.data(), 1, out.size(), file_);
  std::fflush(file_);
}
