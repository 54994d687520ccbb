#include <QMetaObject>
#include <QThread>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "error_text.h"
#include "nuvix_sdk_dlg.h"
#include "nuvix_trace.h"
#include "nuvixi.h"
#include "prompts.h"

namespace {

constexpr int kLogLineLimit = 500;
constexpr const char* kBoxCaption = "NUVIXSDK";

}  // namespace

void LogResult(CNuvixSdkDlg* window, uint32_t code, int showBox, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);

  char line[sizeof text + 32];
  std::snprintf(line, sizeof line, "RV(%X) = %s \r\n", code, text);
  NuvixTrace(line);
  std::string errorLine;
  if (code != NUVIXI_SUCCESS) {
    errorLine = std::string(ErrorText(code)) + "\r\n";
    NuvixTrace(errorLine.c_str());
  }
  if (!window) return;

  auto deliver = [window, resultLine = std::string(line), errorLine, showBox] {
    if (window->InsertLogText(resultLine) >= kLogLineLimit) window->ClearLog();
    if (!errorLine.empty()) window->InsertLogText(errorLine);
    if (showBox)
      nuvix::CurrentPrompts().MessageBox(errorLine.empty() ? resultLine : errorLine, kBoxCaption,
                                         nuvix::MessageIcon::Information);
  };
  if (QThread::currentThread() == window->thread()) deliver();
  else QMetaObject::invokeMethod(window, deliver, Qt::QueuedConnection);
}
