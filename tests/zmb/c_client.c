/* A plain C program using the renderer through its public header only. */
#include <stdio.h>
#include <string.h>

#include "zmb.h"

static int failures = 0;

static void Expect(int condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "failed: %s\n", what);
    ++failures;
  }
}

int main(void) {
  int32_t board = 0;
  static uint8_t camera[64 * 48 * 2];
  const RECT cell = {0, 0, 64, 48};
  const RECT label = {100, 0, 120, 10};
  void* image = NULL;
  void* osd = NULL;
  void* merged = NULL;
  BITMAPINFO info;
  uint8_t pixel[4] = {0, 0, 255, 0};

  Expect(sizeof(RECT) == 16 && sizeof(BITMAPINFOHEADER) == 40 && sizeof(BITMAPINFO) == 44, "record sizes");
  memset(camera, 0x40, sizeof camera);
  memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 1;
  info.bmiHeader.biHeight = 1;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;

  Expect(ZMB_CREATE_BOARD(ZMB_STANDARD_NTSC, &board, 1, NULL, NULL, NULL) == ZMB_RESULT_SUCCESS, "create");
  Expect(board >= 1 && board < ZMB_MAX_BOARDS, "board index");
  Expect(ZMB_GET_BOARD_SURFACE(board, &image, &osd, &merged) == ZMB_RESULT_SUCCESS, "surfaces");
  Expect(ZMB_SET_OSDFNT(board, 10, 22, 700, 0, "System") == ZMB_RESULT_SUCCESS, "font");
  Expect(ZMB_REGIST_CELL(board, 3, &cell) == ZMB_RESULT_SUCCESS, "register");
  Expect(ZMB_CHANGE_CELL(board, 3, 1, 0) == ZMB_RESULT_SUCCESS, "enable");
  Expect(ZMB_RENDER_IMG_CELL(board, 3, camera, 64, 48) == ZMB_RESULT_SUCCESS, "render");
  Expect(ZMB_RENDER_GDI_CLEAR(board) == ZMB_RESULT_SUCCESS, "clear");
  Expect(ZMB_RENDER_GDI_RECT_BITBLT(board, &label, &info, pixel) == ZMB_RESULT_SUCCESS, "bitmap");
  Expect(ZMB_RENDER_GDI_STRING(board, 200, 0, "CH  3", 0x141414, 0xFFFFFF, 2) == ZMB_RESULT_SUCCESS, "text");
  Expect(ZMB_RENDER_OSD_SURFACE(board) == ZMB_RESULT_SUCCESS, "osd");
  Expect(ZMB_RENDER_MRG_SURFACE(board) == ZMB_RESULT_SUCCESS, "merge");
  /* Camera bytes in the cell, the red bitmap over the image, grey elsewhere. */
  Expect(((const uint8_t*)merged)[10] == 0x40, "camera in the cell");
  Expect(((const uint8_t*)merged)[100 * 2 + 1] != 0x80, "bitmap over the image");
  Expect(((const uint8_t*)merged)[400 * 2] == 0x80, "grey elsewhere");
  Expect(ZMB_DELETE_BOARD(board) == ZMB_RESULT_SUCCESS, "delete");
  Expect(ZMB_DELETE_BOARD(board) == ZMB_RESULT_INVALID_ARGUMENT, "double delete");
  Expect(ZMB_IO_TDD(0) == 1, "test value");
  if (failures == 0) printf("zmb C client: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
