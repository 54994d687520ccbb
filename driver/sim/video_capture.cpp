// The video capture calls of the simulated boards.
#include "simulator.h"

namespace {

// The capture calls run on the capture engine of an open board with the video block.
template <typename Work>
NUVIXI_RESULT OnCapture(const char* function, uint32_t board, std::initializer_list<nuvixsim::CallArg> args,
                        Work work) {
  return nuvixsim::OnEngine<&nuvixsim::BoardState::capture>(function, board, NUVIXI_OPEN_VIDEO, args, work);
}

}  // namespace

extern "C" {

NUVIXI_RESULT NUVIXI_CaptureVideoTransferON(uint32_t board, uint32_t channel, uint32_t sizeIndex, uint32_t fourcc) {
  return OnCapture("CaptureVideoTransferON", board, {board, channel, sizeIndex, fourcc},
                   [&](auto& capture) { return capture.TransferOn(channel, sizeIndex, fourcc); });
}

NUVIXI_RESULT NUVIXI_CaptureVideoTransferOFF(uint32_t board, uint32_t channel) {
  return OnCapture("CaptureVideoTransferOFF", board, {board, channel},
                   [&](auto& capture) { return capture.TransferOff(channel); });
}

NUVIXI_RESULT NUVIXI_VideoSliceCtrl(uint32_t board, uint32_t group, const int32_t* slots, uint32_t slotCount,
                                    uint32_t reserved) {
  return OnCapture("VideoSliceCtrl", board, {board, group, slots, slotCount, reserved},
                   [&](auto& capture) { return capture.SetSlots(group, slots, slotCount); });
}

NUVIXI_RESULT NUVIXI_CAMERA_SIGNAL(uint32_t board, int32_t signal[32]) {
  return OnCapture("CAMERA_SIGNAL", board, {board, signal},
                   [&](auto& capture) { return capture.CameraSignals(signal); });
}

NUVIXI_RESULT NUVIXI_GET_CaptureFPS(uint32_t board, int32_t fps[64]) {
  return OnCapture("GET_CaptureFPS", board, {board, fps}, [&](auto& capture) { return capture.CaptureRates(fps); });
}

NUVIXI_RESULT NUVIXI_PCI_BAND_WIDTH_Control(uint32_t board, uint32_t on, uint32_t value) {
  return OnCapture("PCI_BAND_WIDTH_Control", board, {board, on, value},
                   [&](auto& capture) { return capture.LimitBandwidth(on, value); });
}

}  // extern "C"
