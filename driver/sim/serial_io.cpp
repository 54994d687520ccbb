// The remote serial port, digital I/O, watchdog, TV-out multiplexer, OSD and
// EEPROM calls of the simulated boards, and their control surface.
#include <algorithm>
#include <cstring>

#include "simulator.h"

using nuvixsim::BoardState;
using nuvixsim::CallArg;
using nuvixsim::OnEngine;
using nuvixsim::Simulator;

extern "C" {

NUVIXI_RESULT NUVIXI_RUART_CONFIG(uint32_t board, uint32_t baudIndex, uint32_t parityIndex) {
  return OnEngine<&BoardState::uart>("RUART_CONFIG", board, NUVIXI_OPEN_SERIAL, {board, baudIndex, parityIndex},
                                     [&](auto& uart) { return uart.Configure(baudIndex, parityIndex); });
}

NUVIXI_RESULT NUVIXI_RUART_WRITE(uint32_t board, const void* bytes, uint32_t length, uint32_t timeoutMs) {
  return OnEngine<&BoardState::uart>(
      "RUART_WRITE", board, NUVIXI_OPEN_SERIAL, {board, bytes, length, timeoutMs},
      [&](auto& uart) { return uart.Write(static_cast<const uint8_t*>(bytes), length, timeoutMs); });
}

NUVIXI_RESULT NUVIXI_WDOGEnable(uint32_t board, uint32_t seconds) {
  return OnEngine<&BoardState::watchdog>("WDOGEnable", board, 0, {board, seconds},
                                         [&](auto& watchdog) { return watchdog.Enable(seconds); });
}

NUVIXI_RESULT NUVIXI_WDOGDisable(uint32_t board) {
  return OnEngine<&BoardState::watchdog>("WDOGDisable", board, 0, {board},
                                         [&](auto& watchdog) { return watchdog.Disable(); });
}

NUVIXI_RESULT NUVIXI_TVOUT(uint32_t board, uint32_t camera) {
  return OnEngine<&BoardState::pinax>("TVOUT", board, 0, {board, camera},
                                      [&](auto& pinax) { return pinax.SelectCamera(0, camera); });
}

NUVIXI_RESULT NUVIXI_TVOUT2(uint32_t board, uint32_t camera) {
  return OnEngine<&BoardState::pinax>("TVOUT2", board, 0, {board, camera},
                                      [&](auto& pinax) { return pinax.SelectCamera(1, camera); });
}

NUVIXI_RESULT NUVIXI_OSD(uint32_t board, uint32_t start, uint32_t count, const uint32_t* codes) {
  return OnEngine<&BoardState::pinax>("OSD", board, 0, {board, start, count, codes},
                                      [&](auto& pinax) { return pinax.WriteOsd(0, start, count, codes); });
}

NUVIXI_RESULT NUVIXI_OSD2(uint32_t board, uint32_t start, uint32_t count, const uint32_t* codes) {
  return OnEngine<&BoardState::pinax>("OSD2", board, 0, {board, start, count, codes},
                                      [&](auto& pinax) { return pinax.WriteOsd(1, start, count, codes); });
}

NUVIXI_RESULT NUVIXI_DIGITALOUT_SIGNAL(uint32_t board, const uint32_t outputs[32]) {
  return OnEngine<&BoardState::pinax>("DIGITALOUT_SIGNAL", board, 0, {board, outputs},
                                      [&](auto& pinax) { return pinax.SetOutputs(outputs); });
}

NUVIXI_RESULT NUVIXI_DIGITALIN_SIGNAL(uint32_t board, void* buffer) {
  return OnEngine<&BoardState::pinax>("DIGITALIN_SIGNAL", board, 0, {board, buffer},
                                      [&](auto& pinax) { return pinax.ReadInputs(buffer); });
}

NUVIXI_RESULT NUVIXI_EEPROM_READ_Control(uint32_t board, const uint8_t* key, uint8_t* result) {
  return OnEngine<&BoardState::pinax>("EEPROM_READ_Control", board, 0, {board, key, result},
                                      [&](auto& pinax) { return pinax.ReadEeprom(key, result); });
}

int NUVIXI_SIM_TakeSerialTx(uint32_t board, void* buffer, uint32_t size) {
  auto uart = Simulator::Instance().Engine<&BoardState::uart>(board);
  if (!uart || (size > 0 && !buffer)) return -1;
  return static_cast<int>(uart->TakeTransmitted(static_cast<uint8_t*>(buffer), std::min<uint32_t>(size, INT32_MAX)));
}

int NUVIXI_SIM_SerialPortPath(uint32_t board, char* buffer, size_t size) {
  auto uart = Simulator::Instance().Engine<&BoardState::uart>(board);
  if (!uart) return -1;
  const std::string path = uart->PortPath();
  if (buffer && size > 0) {
    const size_t n = std::min(size - 1, path.size());
    std::memcpy(buffer, path.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<int>(path.size());
}

int NUVIXI_SIM_DigitalOutputs(uint32_t board, uint32_t outputs[32]) {
  auto pinax = Simulator::Instance().Engine<&BoardState::pinax>(board);
  if (!pinax || !outputs) return -1;
  const auto values = pinax->Outputs();
  std::copy(values.begin(), values.end(), outputs);
  return 0;
}

int NUVIXI_SIM_SetDigitalInput(uint32_t board, uint32_t input, int level) {
  auto pinax = Simulator::Instance().Engine<&BoardState::pinax>(board);
  return pinax && pinax->SetInputLevel(input, level != 0) ? 0 : -1;
}

int NUVIXI_SIM_SetTestPlug(uint32_t board, int plugged) {
  auto pinax = Simulator::Instance().Engine<&BoardState::pinax>(board);
  if (!pinax) return -1;
  pinax->SetTestPlug(plugged != 0);
  return 0;
}

int NUVIXI_SIM_WatchdogExpiries(uint32_t board, uint64_t* count) {
  auto watchdog = Simulator::Instance().Engine<&BoardState::watchdog>(board);
  if (!watchdog || !count) return -1;
  *count = watchdog->Expiries();
  return 0;
}

int NUVIXI_SIM_TvOutState(uint32_t board, NUVIXI_SIM_TVOUT_STATE* state) {
  auto pinax = Simulator::Instance().Engine<&BoardState::pinax>(board);
  if (!pinax || !state) return -1;
  const auto tvOut = pinax->TvOutState();
  for (int mux = 0; mux < nuvixsim::PinaxEngine::kMuxes; ++mux) {
    state->camera[mux] = tvOut.camera[mux];
    std::copy(tvOut.osd[mux].begin(), tvOut.osd[mux].end(), state->osd[mux]);
  }
  return 0;
}

int NUVIXI_SIM_SetEeprom(uint32_t board, const uint8_t key[8], const uint8_t block[16]) {
  auto pinax = Simulator::Instance().Engine<&BoardState::pinax>(board);
  if (!pinax) return -1;
  pinax->SetEeprom(key, block);
  return 0;
}

}  // extern "C"
