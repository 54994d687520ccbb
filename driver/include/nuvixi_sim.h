/* Control surface of the simulated NUVIX board (libnuvixi built as the
 * simulator). Used by tests and tools only, never by the program. */
#ifndef NUVIXI_SIM_H
#define NUVIXI_SIM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One board as the search finds it and as its detail record describes it. */
typedef struct {
  int32_t modelCode; /* 0..5 (QLA04..QCA08); other values list as unknown boards */
  uint32_t revisionId;
  uint32_t fpgaRevision;
  uint32_t customId;
  uint32_t maxCaptureChannels;
  uint32_t boardId;
  uint32_t tvOutChannels;
  uint32_t audioChannels;
} NUVIXI_SIM_BOARD;

#define NUVIXI_SIM_MAX_BOARDS 32

/* The defaults of a model (capture channels, audio channels, IDs). */
NUVIXI_SIM_BOARD NUVIXI_SIM_DefaultBoard(int32_t modelCode);

/* Replaces the boards found (count 0..NUVIXI_SIM_MAX_BOARDS). Closes every
   open board first. Returns 0 on success, -1 for a bad count. */
int NUVIXI_SIM_SetBoards(const NUVIXI_SIM_BOARD* boards, uint32_t count);

/* Parses a board list in the syntax of the NUVIXI_SIM_BOARDS variable and
   uses it; returns 0, or -1 (nothing changed) when the text cannot be parsed. */
int NUVIXI_SIM_SetBoardsFromText(const char* text);

/* Number of boards configured now. */
uint32_t NUVIXI_SIM_BoardCount(void);

/* Back to the start state: the configuration of NUVIXI_SIM_BOARDS (or the
   default board), every board closed, no faults pending, journal empty. */
void NUVIXI_SIM_Reset(void);

/* The next call of the named function (with or without the NUVIXI_ prefix)
   returns code instead of doing its work. Several faults queue up in order. */
void NUVIXI_SIM_FailNext(const char* function, uint32_t code);

/* The journal of calls, one line per call, oldest first, in the form
   "BDOpen(0,3,1)" with arguments in upper-case hexadecimal (pointers as their
   full value). The blocking waits and the receive-size query are not
   journaled. Copies at most size-1 characters plus a terminating zero into
   buffer (which may be null when size is 0) and returns the full length. */
size_t NUVIXI_SIM_ReadJournal(char* buffer, size_t size);
void NUVIXI_SIM_ClearJournal(void);

/* Hand-outs for the blocking waits, so tests drive workers deterministically.
   Each returns 0, or -1 for a board or channel the simulator does not have. */
/* The next NUVIXI_LockWait4GetImageAddress of the channel hands out address. */
int NUVIXI_SIM_QueueImage(uint32_t board, uint32_t channel, void* address);
/* The next NUVIXI_LockWait4GetSoundAddress of the channel hands out address. */
int NUVIXI_SIM_QueueSound(uint32_t board, uint32_t channel, void* address);
/* One NUVIXI_APLAY_ON returns: a refill of the play buffer is due. */
int NUVIXI_SIM_QueueAudioRefill(uint32_t board);
/* Bytes arrive at the remote serial port's receiver. */
int NUVIXI_SIM_QueueSerialRx(uint32_t board, const void* bytes, uint32_t count);

/* Video inputs. Every input of a board has a camera unless told otherwise
   (kept across open and close; NUVIXI_SIM_Reset and NUVIXI_SIM_SetBoards
   restore it). A channel without a camera receives no frames. Returns 0, or
   -1 for a board or channel the simulator does not have. */
int NUVIXI_SIM_SetCameraSignal(uint32_t board, uint32_t channel, int present);

/* Frames the channel received and lost (to a full ring or the bandwidth
   limit) since its transfer was switched on. Returns 0, or -1 for a board or
   channel the simulator does not have. */
int NUVIXI_SIM_CaptureCounters(uint32_t board, uint32_t channel, uint64_t* delivered, uint64_t* dropped);

/* CPU time in nanoseconds used by the board's capture clock (the thread that
   writes every frame) since it last started; it runs while any transfer is on.
   Returns 0, or -1 when it is not running. */
int NUVIXI_SIM_CaptureClockCpuTime(uint32_t board, uint64_t* nanoseconds);

/* The picture of camera channel: a background of the camera's own colour
   (yuv[0..2] = its Y halfway down, U, V; the luma grows from 48 on the top
   row to 176 on the bottom row); the camera number channel + 1 as two large
   white (Y 235) seven-segment digits, centred, half the frame high; a black
   clock panel at the top left with the channel's frame number (white) and
   the board's time as minutes:seconds:slot (yellow); a grey bar and a box of
   the opposite colour that move with the board's time. */
void NUVIXI_SIM_CameraColour(uint32_t channel, uint8_t yuv[3]);

/* The live display of a QLA board, as its live engine sees it now. */
typedef struct {
  uint32_t running;       /* live DMA is on */
  uint32_t tvOut;         /* the TV-out flag of the last NUVIXI_LiveVideoTransferON */
  uint32_t osd;           /* on-screen text is on */
  int32_t shape;
  int32_t start;
  uint64_t fieldsWritten; /* fields written into a surface since the board was configured */
  const void* surface;    /* the surface written into, null when there is none */
} NUVIXI_SIM_LIVE_STATUS;

/* Returns 0, or -1 for a board the simulator does not have. */
int NUVIXI_SIM_LiveStatus(uint32_t board, NUVIXI_SIM_LIVE_STATUS* status);

/* CPU time in nanoseconds used by the board's live field clock since it last
   started. Returns 0, or -1 when it is not running. */
int NUVIXI_SIM_LiveClockCpuTime(uint32_t board, uint64_t* nanoseconds);

/* Memory the program gave a board to write into (an overlay surface) is about
   to be freed: every board stops writing into [base, base + bytes) and the
   call returns after the last write. The emulated display adapter calls it
   when it releases an overlay surface. */
void NUVIXI_SIM_MemoryReleased(const void* base, size_t bytes);

#ifdef __cplusplus
}
#endif

#endif /* NUVIXI_SIM_H */
