// OSD conversion of the drawing surface and the merge of OSD over image.
#include "drawing.h"
#include "pixel_ops.h"

namespace zmb {

void ConvertDrawingToOsd(Board& board, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const uint8_t* drawing = board.DrawingBytes();
  const int pairs = (right - left) / 2;
  for (int32_t row = top; row < bottom; ++row) {
    ConvertRgbRowToUyvy(drawing + static_cast<size_t>(row) * kDrawPitch + static_cast<size_t>(left) * 4,
                        board.osd + static_cast<size_t>(row) * kPitch + static_cast<size_t>(left) * 2,
                        pairs);
  }
}

void MergeOsdOverImage(Board& board) {
  // The image surface is written by capture threads under the cell lock.
  std::lock_guard<std::mutex> lock(board.cellLock);
  const int32_t lines = board.lines;
  for (int32_t i = 0; i < lines; ++i) {
    // The OSD keeps the drawing's bottom-up order; the merge turns it back.
    const uint8_t* osd = board.osd + static_cast<size_t>(lines - 1 - i) * kPitch;
    const uint8_t* image = board.image + static_cast<size_t>(i) * kPitch;
    uint8_t* out = board.merged + static_cast<size_t>(i / 2) * kPitch + (i % 2 ? board.FieldOffset() : 0);
    MergeRow(osd, image, out, kWidth);
  }
}

}  // namespace zmb
