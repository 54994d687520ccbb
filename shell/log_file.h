// The log kept in a text file as well: every text the log window receives is
// appended as it is written, each line behind a time stamp, so that a run
// leaves its log behind even when the window empties itself.
#pragma once

#include <cstdio>
#include <string>

class LogFile {
 public:
  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Opens path for appending (created when missing). False with the reason
  // in error() when it cannot be written.
  bool Open(const std::string& path);

  // Appends text as the log window shows it ("\r\n" written as "\n"), with
  // "YYYY-MM-DD hh:mm:ss.mmm " before every line; flushed at once.
  void Write(const std::string& text);

  bool isOpen() const { return file_ != nullptr; }
  const std::string& error() const { return error_; }

  // The local time as the prefix shows it, without the trailing space.
  static std::string TimeStamp();

 private:
  FILE* file_ = nullptr;
  bool atLineStart_ = true;
  std::string error_;
};
