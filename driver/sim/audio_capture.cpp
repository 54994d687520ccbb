// The audio capture calls of the simulated boards.
#include "simulator.h"

namespace {

// The audio capture calls run on the audio engine of an open board with the audio block.
template <typename Work>
NUVIXI_RESULT OnAudio(const char* function, uint32_t board, std::initializer_list<nuvixsim::CallArg> args,
                      Work work) {
  return nuvixsim::OnEngine<&nuvixsim::BoardState::audio>(function, board, NUVIXI_OPEN_AUDIO, args, work);
}

}  // namespace

extern "C" {

NUVIXI_RESULT NUVIXI_CaptureAudioReference(uint32_t board, uint32_t level) {
  return OnAudio("CaptureAudioReference", board, {board, level},
                 [&](auto& audio) { return audio.SetReference(level); });
}

NUVIXI_RESULT NUVIXI_CaptureAudioVolume(uint32_t board, uint32_t channel, uint32_t volume) {
  return OnAudio("CaptureAudioVolume", board, {board, channel, volume},
                 [&](auto& audio) { return audio.SetVolume(channel, volume); });
}

NUVIXI_RESULT NUVIXI_CaptureAudioPreAMP(uint32_t board, uint32_t channel, uint32_t gain) {
  return OnAudio("CaptureAudioPreAMP", board, {board, channel, gain},
                 [&](auto& audio) { return audio.SetPreAmp(channel, gain); });
}

NUVIXI_RESULT NUVIXI_CaptureAudioTransferON(uint32_t board, uint32_t channel, uint32_t rateIndex,
                                            uint32_t blockUnits) {
  return OnAudio("CaptureAudioTransferON", board, {board, channel, rateIndex, blockUnits},
                 [&](auto& audio) { return audio.TransferOn(channel, rateIndex, blockUnits); });
}

NUVIXI_RESULT NUVIXI_CaptureAudioTransferOFF(uint32_t board, uint32_t channel) {
  return OnAudio("CaptureAudioTransferOFF", board, {board, channel},
                 [&](auto& audio) { return audio.TransferOff(channel); });
}

}  // extern "C"
