/* The sink lives in one default-visibility variable: linked statically into
   several shared objects, the dynamic linker binds them all to one copy, so a
   sink installed by the program also receives the libraries' lines. */
#include "nuvix_trace.h"

#include <stdarg.h>
#include <stdio.h>

NuvixTraceSink nuvix_trace_sink_ = 0;

void NuvixSetTraceSink(NuvixTraceSink sink) {
  __atomic_store_n(&nuvix_trace_sink_, sink, __ATOMIC_RELEASE);
}

void NuvixTrace(const char* text) {
  NuvixTraceSink sink = __atomic_load_n(&nuvix_trace_sink_, __ATOMIC_ACQUIRE);
  if (sink) sink(text);
}

void NuvixTraceF(const char* format, ...) {
  NuvixTraceSink sink = __atomic_load_n(&nuvix_trace_sink_, __ATOMIC_ACQUIRE);
  if (!sink) return;
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  sink(text);
}
