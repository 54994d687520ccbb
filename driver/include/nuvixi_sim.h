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
  /* The EEPROM: the main block NUVIXI_EEPROM_READ_Control gives out against
     the access key. Defaults: the key is the eight characters "NUVIXSDK"
     (4E 55 56 49 58 53 44 4B); the block is "NX", the model code, the low
     byte of the board ID, then the revision ID, the FPGA revision and the
     custom ID, each four bytes, most significant first. */
  uint8_t eepromKey[8];
  uint8_t eepromBlock[16];
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
   returns code instead of doing its work. Several faults queue up in order.
   The blocking waits take faults too, though they are not journaled. */
void NUVIXI_SIM_FailNext(const char* function, uint32_t code);

/* Strict mode: the board keeps the driver interface's promises and nothing
   more, as a real driver may. A breaking call (NUVIXI_CancelLockWait4Get...,
   NUVIXI_APLAY_ESCAPE, NUVIXI_RUART_ESCAPE) breaks only the waits that are
   blocked when it comes; one that finds none is lost (outside strict mode it
   is kept and breaks the next wait, until a transfer of the channel starts,
   playback starts or the board closes). A blocking call reaches the board
   0..2 ms after it is made; a breaking call meanwhile finds no wait. One wait
   without time-out (0xFFFFFFFF) in four ends with NUVIXI_TIMEOUT after
   20..200 ms when nothing came, handing out nothing and taking nothing away
   (NUVIXI_APLAY_ON only while playback has not started). A wait broken while
   its buffer or bytes are there hands them out with NUVIXI_SUCCESS.
   NUVIXI_SIM_STRICT=1 switches strict mode on at start and at every
   NUVIXI_SIM_Reset; this call switches it for the whole process. */
void NUVIXI_SIM_SetStrict(int on);

/* Breaking calls that found no wait to break since the process started (lost
   in strict mode, kept otherwise). */
uint64_t NUVIXI_SIM_UnmatchedCancels(void);

/* Each close of the board spends milliseconds more stopping the board's
   threads, as a board slow to stop would (until the boards are configured
   again). Calls to the other boards go on meanwhile; calls to this board get
   NUVIXI_ERR_NOT_OPEN, and NUVIXI_BDOpen of it waits for the close to end.
   Returns 0, or -1 for a board the simulator does not have. */
int NUVIXI_SIM_SetCloseDelay(uint32_t board, uint32_t milliseconds);

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
/* One NUVIXI_APLAY_ON returns at once, whether or not anything plays. */
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

/* ---- Remote serial port ----
   Each byte takes start + 8 data + parity (unless NONE) + stop bits at the
   configured rate (9600 baud, no parity, until NUVIXI_RUART_CONFIG). The
   port has a loopback plug: what is sent arrives at the receiver, paced.
   With NUVIXI_SIM_UART=pty the board opens a pseudo-terminal when it is
   first opened, prints its path on standard error, and connects the port
   to it instead (both ways, paced). */
/* Moves up to size of the bytes the board has transmitted (the newest MiB is
   kept), oldest first, into buffer; returns how many, or -1 for a bad board. */
int NUVIXI_SIM_TakeSerialTx(uint32_t board, void* buffer, uint32_t size);
/* Copies the pseudo-terminal's path (empty with the loopback plug) with a
   terminating zero; returns its length, or -1 for a bad board. */
int NUVIXI_SIM_SerialPortPath(uint32_t board, char* buffer, size_t size);

/* ---- Digital I/O sub-board ----
   A test plug is fitted: output k drives input k (master 0..15, slave
   16..31). Input k also reads 1 while its outside level is set. */
/* Copies the 32 output values (0 or 1); returns 0, or -1 for a bad board. */
int NUVIXI_SIM_DigitalOutputs(uint32_t board, uint32_t outputs[32]);
/* Sets input (0..31)'s outside level; returns 0, or -1. */
int NUVIXI_SIM_SetDigitalInput(uint32_t board, uint32_t input, int level);
/* Fits (1) or removes (0) the test plug; returns 0, or -1. */
int NUVIXI_SIM_SetTestPlug(uint32_t board, int plugged);

/* ---- Watchdog ----
   Armed by NUVIXI_WDOGEnable for 3..250 seconds; when not re-armed in time
   it expires: counted, one line on standard error, disarmed. Closing the
   board disarms it. */
/* Expiries since the board was configured; returns 0, or -1. */
int NUVIXI_SIM_WatchdogExpiries(uint32_t board, uint64_t* count);

/* ---- TV-out multiplexers and OSD lines ---- */
typedef struct {
  uint32_t camera[2];  /* selected camera of multiplexers 1 and 2, 0-based */
  uint32_t osd[2][24]; /* character codes of the OSD lines; 127 is a blank */
} NUVIXI_SIM_TVOUT_STATE;
/* Copies the multiplexer and OSD state; returns 0, or -1. */
int NUVIXI_SIM_TvOutState(uint32_t board, NUVIXI_SIM_TVOUT_STATE* state);

/* ---- EEPROM ---- */
/* Replaces the access key and/or the main block (either may be null to keep
   it) until the boards are configured again; returns 0, or -1. */
int NUVIXI_SIM_SetEeprom(uint32_t board, const uint8_t key[8], const uint8_t block[16]);

/* The picture of camera channel: a background of the camera's own colour
   (yuv[0..2] = its Y halfway down, U, V; the luma grows from 48 on the top
   row to 176 on the bottom row); the camera number channel + 1 as two large
   white (Y 235) seven-segment digits, centred, half the frame high; a black
   clock panel at the top left with the channel's frame number (white) and
   the board's time as minutes:seconds:slot (yellow); a grey bar and a box of
   the opposite colour that move with the board's time. */
void NUVIXI_SIM_CameraColour(uint32_t channel, uint8_t yuv[3]);

/* Audio inputs. Input channel hears a sine tone of NUVIXI_SIM_AudioToneHz
   (channel) hertz, and at the start of every second of the board's time (from
   its open) a 2 ms click: half the click at +peak, half at -peak. The peak is
   32767 x volume / ceiling x (gain + 1) / 4 x (reference + 1) / 64, held at
   32767 (ceiling 15 on QLA models, 31 on the others); volume, gain and
   reference apply to the blocks written after they are set. A started
   channel has four block buffers; a block that finds all four queued or held
   by the consumer is lost. */
uint32_t NUVIXI_SIM_AudioToneHz(uint32_t channel);

/* Blocks the audio channel received and lost since its transfer was switched
   on. Returns 0, or -1 for a board or channel the simulator does not have. */
int NUVIXI_SIM_SoundCounters(uint32_t board, uint32_t channel, uint64_t* delivered, uint64_t* dropped);

/* CPU time in nanoseconds used by the board's audio clock (the thread that
   writes every audio block) since it last started; it runs while any audio
   transfer is on. Returns 0, or -1 when it is not running. */
int NUVIXI_SIM_AudioClockCpuTime(uint32_t board, uint64_t* nanoseconds);

/* Audio playback. The board's play buffer holds two halves of rateFactor x 512
   bytes (the arguments of NUVIXI_APLAY_ON), signed 16-bit mono samples.
   Playback starts at the first NUVIXI_APLAY_ON after a NUVIXI_APLAY_LOAD (since
   the board was opened or NUVIXI_APLAY_OFF), with the half that was loaded
   first, and then plays the halves in turn at the sample rate of the rate index
   (1..4: 8000, 11025, 16000, 22050 Hz). A half is taken from the buffer when it
   starts playing, each sample scaled by volume / 127 (rounded toward zero).
   NUVIXI_APLAY_ON returns once for every half that has been played (halves that
   ended while no wait was made are reported by one return). Until a half has
   been loaded, NUVIXI_APLAY_ON only waits. NUVIXI_APLAY_OFF and closing the
   board stop playback. When NUVIXI_SIM_APLAY_WAV names a file when the board is
   opened, every played sample also goes there as a 16-bit mono WAV file, begun
   when playback starts and finished by NUVIXI_APLAY_OFF or the close (board n
   above 0 writes to that name followed by ".n"). */
typedef struct {
  uint32_t playing;
  uint32_t sampleRate;      /* Hz while playing, else 0 */
  uint32_t volume;          /* 0..127; 127 after open */
  uint32_t monitorEnable;   /* last NUVIXI_APLAY_Monitor */
  uint32_t monitorChannel;
  uint32_t monitorMode;
  uint64_t halvesPlayed;    /* halves finished since playback started */
  uint64_t samplesWaiting;  /* played samples not taken by NUVIXI_SIM_TakePlayedAudio */
} NUVIXI_SIM_APLAY_STATE;

/* Returns 0, or -1 for a board the simulator does not have. */
int NUVIXI_SIM_AudioPlayState(uint32_t board, NUVIXI_SIM_APLAY_STATE* state);

/* Takes up to max of the oldest played samples (after volume) out of the board's
   record of what it played (the last minute at most is kept) and returns how
   many were copied; 0 for a board the simulator does not have. */
size_t NUVIXI_SIM_TakePlayedAudio(uint32_t board, int16_t* samples, size_t max);

/* The board's TV output: the latest picture it shows, 720 x lines packed UYVY
   (U, Y0, V, Y1), top line first. While screen division is on it is the image
   surface with the OSD surface over it (the OSD word 0x1080 lets the image
   through), composed at the picture rate whenever NUVIXI_SQUAD_ON, _UPT or
   _OFF changed something. Copies at most size bytes into buffer (which may be
   null), writes the line count and the number of pictures composed since the
   board opened. Returns 0, or -1 when the board does not exist or is closed.
   With the environment variable NUVIXI_SIM_TVOUT naming a file or FIFO, the
   first board opened writes its output there as a YUV4MPEG2 stream, one
   picture per picture period; a regular file gets the first 10 seconds. */
int NUVIXI_SIM_ReadTvOut(uint32_t board, void* buffer, size_t size, uint32_t* lines, uint64_t* pictures);

/* CPU time in nanoseconds used by the board's TV-output clock (the thread that
   composes the output) since the board opened. Returns 0, or -1 when it is
   not running. */
int NUVIXI_SIM_TvOutClockCpuTime(uint32_t board, uint64_t* nanoseconds);

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

#ifdef __cplusplus
}
#endif

#endif /* NUVIXI_SIM_H */
