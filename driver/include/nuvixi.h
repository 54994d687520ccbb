/* NUVIXI: the board driver interface of the NUVIX capture boards.
 *
 * Every board operation is one function. The first argument is the board
 * index 0..3 (the board's position in the search result). Every function
 * (but the memory notice NUVIXI_MemoryReleased) returns a result code: NUVIXI_SUCCESS (128), NUVIXI_TIMEOUT (258) for a
 * wait that ran out, or one of the error codes below. Address arguments are
 * real pointers. Waits that take a time-out accept NUVIXI_INFINITE. */
#ifndef NUVIXI_H
#define NUVIXI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t NUVIXI_RESULT;

/* Result codes. The error texts are the program's (see its error table). */
#define NUVIXI_SUCCESS 0x80u             /* 128 */
#define NUVIXI_TIMEOUT 0x102u            /* 258 */
#define NUVIXI_ERR_INVALID_ARGUMENT 0x21u  /* "INPUT ARGUMENT INVALID" */
#define NUVIXI_ERR_BOARD_NOT_FOUND 0x22u   /* "NUVIX BOARD NOT FOUND" */
#define NUVIXI_ERR_FUNCTION_BLOCK 0x23u    /* "INVLIAD FUNCTION BLOCK" */
#define NUVIXI_ERR_LOCAL_BUS 0x31u         /* "LOACAL BUS ERROR" */
#define NUVIXI_ERR_IIC_LOCAL_BUS 0x32u     /* "IIC LOCAL BUS ERROR" */
#define NUVIXI_ERR_KERNEL_OPEN 0x51u       /* "KERNEL OPEN FAIL" */
#define NUVIXI_ERR_KERNEL_VERSION 0x52u    /* "KERNEL VERSION INVALID" */
#define NUVIXI_ERR_MALLOC 0x53u            /* "MALLOC FAIL MEMORY TOO SMALL" */
#define NUVIXI_ERR_EVENT 0x54u             /* "EVENT FAIL CHECK EVENT NAME" */
#define NUVIXI_ERR_NOT_OPEN 0x55u          /* "BD OPEN FUNCTION NOT CALL" */
#define NUVIXI_ERR_NOT_STARTED 0x56u       /* "NOT STARTING CAPTURE" */
#define NUVIXI_ERR_ESCAPED 0x57u           /* "ESCAPE BLOCK FUNCTIONS" */

#define NUVIXI_INFINITE 0xFFFFFFFFu

/* Model codes reported by the search. */
#define NUVIXI_MODEL_QLA04 0
#define NUVIXI_MODEL_QLA08 1
#define NUVIXI_MODEL_QLA16 2
#define NUVIXI_MODEL_QCA02 3
#define NUVIXI_MODEL_QCA04 4
#define NUVIXI_MODEL_QCA08 5

/* Video standards of NUVIXI_BDOpen. */
#define NUVIXI_STANDARD_PAL 0u
#define NUVIXI_STANDARD_NTSC 1u

/* Function blocks of NUVIXI_BDOpen (a bit set) on QCA models. QLA models are
   opened with 0x71 (live display) or 0x73 (live display and capture), plus
   0x04 for audio; they have no audio playback (0x08). */
#define NUVIXI_OPEN_VIDEO 0x03u
#define NUVIXI_OPEN_AUDIO 0x04u
#define NUVIXI_OPEN_APLAY 0x08u
#define NUVIXI_OPEN_SERIAL 0x10u
#define NUVIXI_OPEN_SQUAD 0x20u
#define NUVIXI_OPEN_LIVE 0x40u
#define NUVIXI_OPEN_ALL 0x7Fu

#define NUVIXI_MAX_BOARDS_LISTED 32

/* Filled by NUVIXI_BDSearch. */
typedef struct {
  uint32_t boardCount;
  int32_t modelCode[NUVIXI_MAX_BOARDS_LISTED];
} NUVIXI_SEARCH_RESULT;

/* Filled by NUVIXI_BDDetailInfo: ten 32-bit words. */
typedef struct {
  uint32_t revisionId;
  uint32_t reserved1;
  uint32_t tvOutChannels;
  uint32_t audioChannels;
  uint32_t customId;
  uint32_t maxCaptureChannels;
  uint32_t fpgaRevision; /* eight 4-bit digits */
  uint32_t boardId;
  uint32_t reserved8;
  uint32_t reserved9;
} NUVIXI_BOARD_DETAIL;

/* ---- Board access ---- */
uint32_t NUVIXI_GetVersion(void); /* major byte first (most significant) */
NUVIXI_RESULT NUVIXI_BDSearch(NUVIXI_SEARCH_RESULT* result);
NUVIXI_RESULT NUVIXI_BDDetailInfo(uint32_t board, NUVIXI_BOARD_DETAIL* detail);
NUVIXI_RESULT NUVIXI_BDOpen(uint32_t board, uint32_t flags, uint32_t standard);
NUVIXI_RESULT NUVIXI_BDClose(uint32_t board);

/* ---- Blocking waits of the worker threads ---- */
/* Blocks until the channel has a captured buffer, hands out its address. The
   buffer stays valid until the same channel's next wait. */
NUVIXI_RESULT NUVIXI_LockWait4GetImageAddress(uint32_t board, uint32_t channel, void** address,
                                              uint32_t timeoutMs);
NUVIXI_RESULT NUVIXI_CancelLockWait4GetImageAddress(uint32_t board, uint32_t channel);
NUVIXI_RESULT NUVIXI_LockWait4GetSoundAddress(uint32_t board, uint32_t channel, void** address,
                                              uint32_t timeoutMs);
NUVIXI_RESULT NUVIXI_CancelLockWait4GetSoundAddress(uint32_t board, uint32_t channel);

/* ---- Audio playback ---- */
/* Blocks until the board wants the next half of its play buffer. */
NUVIXI_RESULT NUVIXI_APLAY_ON(uint32_t board, uint32_t rateIndex, uint32_t rateFactor);
NUVIXI_RESULT NUVIXI_APLAY_ESCAPE(uint32_t board);
NUVIXI_RESULT NUVIXI_APLAY_LOAD(uint32_t board, uint32_t parameter, uint32_t offset, const void* data,
                                uint32_t length);
NUVIXI_RESULT NUVIXI_APLAY_Volume(uint32_t board, uint32_t volume);
NUVIXI_RESULT NUVIXI_APLAY_Monitor(uint32_t board, uint32_t enable, uint32_t channel, uint32_t mode);
NUVIXI_RESULT NUVIXI_APLAY_OFF(uint32_t board);

/* ---- Remote serial port ---- */
/* Returns the number of received bytes waiting (not a result code). */
uint32_t NUVIXI_RUART_QUERY_RXBUFSIZE(uint32_t board);
NUVIXI_RESULT NUVIXI_RUART_READ(uint32_t board, void* buffer, uint32_t length, uint32_t timeoutMs);
NUVIXI_RESULT NUVIXI_RUART_ESCAPE(uint32_t board);
NUVIXI_RESULT NUVIXI_RUART_CONFIG(uint32_t board, uint32_t baudIndex, uint32_t parityIndex);
NUVIXI_RESULT NUVIXI_RUART_WRITE(uint32_t board, const void* bytes, uint32_t length, uint32_t timeoutMs);

/* ---- Live display (QLA) ---- */
NUVIXI_RESULT NUVIXI_SetLiveVideoConfig(uint32_t board, uint32_t reserved, uint32_t width, uint32_t height,
                                        uint32_t fourcc, void* address, uint32_t pitch);
NUVIXI_RESULT NUVIXI_LiveVideoShape(uint32_t board, uint32_t reserved, uint32_t mask, const int32_t* shape,
                                    const int32_t* start);
NUVIXI_RESULT NUVIXI_LiveVideoTransferON(uint32_t board, uint32_t tvOut);
NUVIXI_RESULT NUVIXI_LiveVideoTransferOFF(uint32_t board);
NUVIXI_RESULT NUVIXI_LiveVideoChSequence(uint32_t board, const int32_t sequence[16]);
NUVIXI_RESULT NUVIXI_SetLiveScanMode(uint32_t board, const int32_t modes[16]);
/* Memory the program gave a board to write into (the overlay surface of
   NUVIXI_SetLiveVideoConfig) is about to be freed: every board stops writing
   into [base, base + bytes), and the call returns after the last write. The
   program calls it before it releases such memory; live DMA stays on with
   nowhere to write until the next configuration. Not a board call: it takes
   no board index and cannot fail. */
void NUVIXI_MemoryReleased(const void* base, size_t bytes);
NUVIXI_RESULT NUVIXI_BRIGHTNESSControl(uint32_t board, uint32_t channel, uint32_t value);
NUVIXI_RESULT NUVIXI_CONTRASTControl(uint32_t board, uint32_t channel, uint32_t value);
NUVIXI_RESULT NUVIXI_HUEControl(uint32_t board, uint32_t channel, uint32_t value);
NUVIXI_RESULT NUVIXI_SATURATIONUControl(uint32_t board, uint32_t channel, uint32_t value);
NUVIXI_RESULT NUVIXI_READ_HSCALE_FILTER_Y(uint32_t board, uint32_t channel, int32_t* value);
NUVIXI_RESULT NUVIXI_WRITE_HSCALE_FILTER_Y(uint32_t board, uint32_t channel, const int32_t* value);
NUVIXI_RESULT NUVIXI_READ_VSCALE_FILTER_Y(uint32_t board, uint32_t channel, int32_t* value);
NUVIXI_RESULT NUVIXI_WRITE_VSCALE_FILTER_Y(uint32_t board, uint32_t channel, const int32_t* value);
NUVIXI_RESULT NUVIXI_XED_QUAD_STRING(uint32_t board, char* const strings[16]);
NUVIXI_RESULT NUVIXI_XED_FONT_CONFIG(uint32_t board, const uint8_t* bytes, uint32_t length);
/* font: a Windows LOGFONTA record. */
NUVIXI_RESULT NUVIXI_XED_SET_CHOSE_FONT(uint32_t board, const void* font);

/* ---- Software screen division ---- */
/* Hands out the merged, image and OSD surfaces (720 pixels wide, packed
   4:2:2, two fields); each out pointer may be null. */
NUVIXI_RESULT NUVIXI_SQUAD_ON(uint32_t board, void** merged, void** image, void** osd);
NUVIXI_RESULT NUVIXI_SQUAD_UPT(uint32_t board);
NUVIXI_RESULT NUVIXI_SQUAD_OFF(uint32_t board);

/* ---- Video capture ----
   Each group of channels is captured in turns: a second of video is divided
   into frame slots (30 in NTSC, 25 in PAL, by the standard of NUVIXI_BDOpen)
   and each slot of a group's slot list names the channel captured in it, or
   NUVIXI_EMPTY_SLOT. A started channel receives one frame at every slot that
   names it, into a ring of buffers that NUVIXI_LockWait4GetImageAddress hands
   out oldest first. When the consumer has not given back a buffer (by entering
   its next wait) and none is free, the new frame is lost, as are frames over
   the bandwidth limit; NUVIXI_GET_CaptureFPS shows the rate actually delivered.

   Frames are width x height pixels of the size table, rows top first, BT.601
   studio range (Y 16..235, U and V 16..240):
     UYVY: U0 Y0 V0 Y1 per 2 pixels, rows of width x 2 bytes;
     YUY2: Y0 U0 Y1 V0 per 2 pixels, rows of width x 2 bytes;
     Y41P: U0 Y0 V0 Y1 U4 Y2 V4 Y3 Y4 Y5 Y6 Y7 per 8 pixels, rows of
           (width + 7) / 8 x 12 bytes.
   Size index 1..12: 720, 704, 640 x 576 (NTSC 480); 720, 704, 640, 360, 352,
   320 x 288 (240); 180, 176, 160 x 144 (120). */
#define NUVIXI_FOURCC_UYVY 0x59565955u /* "UYVY" */
#define NUVIXI_FOURCC_YUY2 0x32595559u /* "YUY2" */
#define NUVIXI_FOURCC_Y41P 0x50313459u /* "Y41P" */
#define NUVIXI_EMPTY_SLOT 99

/* format: a FourCC above, or the colour format number 0 (UYVY), 1 (Y41P),
   2 (YUY2). Switching a started channel on again restarts it with the new
   size and format. 0x21 for a channel the board lacks, a size or a format
   outside these; 0x53 when the buffers cannot be had. */
NUVIXI_RESULT NUVIXI_CaptureVideoTransferON(uint32_t board, uint32_t channel, uint32_t sizeIndex,
                                            uint32_t fourcc);
/* Stops the channel's frames; those still queued are withdrawn. 0x56 when
   the channel was not started. */
NUVIXI_RESULT NUVIXI_CaptureVideoTransferOFF(uint32_t board, uint32_t channel);
/* slots: slotCount (1 up to the slots of a second) entries, each a channel of
   the group or NUVIXI_EMPTY_SLOT; a shorter list repeats. On QCA models group
   g holds channels g, g + G, g + 2G, ... for the model's G groups (QCA02 2,
   QCA04 4, QCA08 8). On QLA models group is a channel and the list holds that
   channel's slots only. */
NUVIXI_RESULT NUVIXI_VideoSliceCtrl(uint32_t board, uint32_t group, const int32_t* slots, uint32_t slotCount,
                                    uint32_t reserved);
/* signal[ch] is 1 when input ch has a camera, else 0. */
NUVIXI_RESULT NUVIXI_CAMERA_SIGNAL(uint32_t board, int32_t signal[32]);
/* fps[ch] (ch 0..31): frames delivered to the channel during the last second
   of slots, in tenths of a frame per second; fps[32..63] are 0. */
NUVIXI_RESULT NUVIXI_GET_CaptureFPS(uint32_t board, int32_t fps[64]);
/* on 1: limit the board's total frame bytes to value MB/s (10^6 bytes per
   second, value at least 1); frames over the budget are lost. on 0: no limit. */
NUVIXI_RESULT NUVIXI_PCI_BAND_WIDTH_Control(uint32_t board, uint32_t on, uint32_t value);

/* ---- Audio capture ----
   Reference level 0..63 (one for all inputs), volume 0..15 on QLA models and
   0..31 on the others, pre-amplifier gain 0..7; a channel beyond the board's
   audio inputs or a value out of range gives NUVIXI_ERR_INVALID_ARGUMENT.
   TransferON takes rate index 1..4 (8000, 11025, 16000, 22050 Hz) and block
   units 64, 88, 128 or 176; a started channel delivers signed 16-bit
   little-endian mono blocks through NUVIXI_LockWait4GetSoundAddress, 16384
   bytes each on QLA models and block units x 128 bytes on the others. */
NUVIXI_RESULT NUVIXI_CaptureAudioReference(uint32_t board, uint32_t level);
NUVIXI_RESULT NUVIXI_CaptureAudioVolume(uint32_t board, uint32_t channel, uint32_t volume);
NUVIXI_RESULT NUVIXI_CaptureAudioPreAMP(uint32_t board, uint32_t channel, uint32_t gain);
NUVIXI_RESULT NUVIXI_CaptureAudioTransferON(uint32_t board, uint32_t channel, uint32_t rateIndex,
                                            uint32_t blockUnits);
NUVIXI_RESULT NUVIXI_CaptureAudioTransferOFF(uint32_t board, uint32_t channel);

/* ---- Digital I/O sub-board ---- */
NUVIXI_RESULT NUVIXI_WDOGEnable(uint32_t board, uint32_t seconds);
NUVIXI_RESULT NUVIXI_WDOGDisable(uint32_t board);
NUVIXI_RESULT NUVIXI_TVOUT(uint32_t board, uint32_t camera);
NUVIXI_RESULT NUVIXI_TVOUT2(uint32_t board, uint32_t camera);
NUVIXI_RESULT NUVIXI_OSD(uint32_t board, uint32_t start, uint32_t count, const uint32_t* codes);
NUVIXI_RESULT NUVIXI_OSD2(uint32_t board, uint32_t start, uint32_t count, const uint32_t* codes);
/* outputs: 16 master then 16 slave values, 0 or 1. */
NUVIXI_RESULT NUVIXI_DIGITALOUT_SIGNAL(uint32_t board, const uint32_t outputs[32]);
/* buffer: 168 bytes. */
NUVIXI_RESULT NUVIXI_DIGITALIN_SIGNAL(uint32_t board, void* buffer);
/* key: 8 bytes; result: 16 bytes. */
NUVIXI_RESULT NUVIXI_EEPROM_READ_Control(uint32_t board, const uint8_t* key, uint8_t* result);

#ifdef __cplusplus
}
#endif

#endif /* NUVIXI_H */
