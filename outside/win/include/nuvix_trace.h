/* The process-wide debug trace sink: silent until a sink is installed. */
#ifndef NUVIX_TRACE_H
#define NUVIX_TRACE_H

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*NuvixTraceSink)(const char* text);

/* Installs the sink (null silences the trace again). */
void NuvixSetTraceSink(NuvixTraceSink sink);

/* Sends one text, as it stands, to the sink. */
void NuvixTrace(const char* text);

/* printf-style trace; texts longer than 1 KiB are cut. */
void NuvixTraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));

#ifdef __cplusplus
}
#endif

#endif /* NUVIX_TRACE_H */
