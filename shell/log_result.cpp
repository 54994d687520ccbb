#include <QMetaObject>
#include <QThread>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "error_text.h"
#include "log_lines.h"
#include "nuvix_sdk_dlg.h"
#include "nuvix_trace.h"
#include "nuvixi.h"
#include "prompts.h"

namespace {

constexpr int kLogLineLimit = 500;
constexpr const char* kBoxCaption = "NUVIXSDK";

}  // namespace

LogLines FormatLogLines(uint32_t code, const char* text) {
  char line[288];
  std::snprintf(line, sizeof line, "RV(%X) = %s \r\n", code, text);
  LogLines lines{line, {}};
  if (code != NUVIXI_SUCCESS) lines.error = std::string(ErrorText(code)) + "\r\n";
  return lines;
}

namespace {

void LogResultV(CNuvixSdkDlg* window, uint32_t code, int showBox, const char* format, va_list args) {
  char text[256];
  std::vsnprintf(text, sizeof text, format, args);

  LogLines lines = FormatLogLines(code, text);
  NuvixTrace(lines.result.c_str());
  if (!lines.error.empty()) NuvixTrace(lines.error.c_str());
  if (!window) return;

  auto deliver = [window, resultLine = std::move(lines.result), errorLine = std::move(lines.error), showBox] {
    if (window->InsertLogText(resultLine) >= kLogLineLimit) window->ClearLog();
    if (!errorLine.empty()) window->InsertLogText(errorLine);
    if (showBox)
      nuvix::CurrentPrompts().MessageBox(errorLine.empty() ? resultLine : errorLine, kBoxCaption,
                                         nuvix::MessageIcon::Information);
  };
  if (QThread::currentThread() == window->thread()) deliver();
  else QMetaObject::invokeMethod(window, deliver, Qt::QueuedConnection);
}

}  // namespace

void LogResult(CNuvixSdkDlg* window, uint32_t code, int showBox, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogResultV(window, code, showBox, format, args);
  va_end(args);
}

void LogFailure(CNuvixSdkDlg* window, uint32_t code, const char* format, ...) {
  if (code == NUVIXI_SUCCESS) return;
  va_list args;
  va_start(args, format);
  LogResultV(window, code, 0, format, args);
  va_end(args);
}

void LogRecordingStopped(CNuvixSdkDlg* window, int channel, int error) {
  LogResult(window, NUVIXI_SUCCESS, 0, "FILE WRITE FAIL: CH %02d RECORDING STOPPED (%s)", channel, std::strerror(error));
}
