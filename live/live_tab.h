// The LIVE tab: the overlay window, live DMA, the split shape and sequence of
// the board's live display, per-input scan modes and colour settings, scaler
// filters, TV-out and the on-screen text. QCA boards keep only the colour settings.
#pragma once

#include <cstdint>

#include "overlay_slot.h"
#include "grid_event.h"
#include "settings_grids.h"
#include "tab_dialog.h"

class CLiveTab : public CTabDialog {
  Q_OBJECT
 public:
  static constexpr int kInputs = 16;
  static constexpr int kChannels = 32;
  enum Colour { kBrightness, kContrast, kHue, kSaturation };

  CLiveTab();
  ~CLiveTab() override;

  void Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int ntsc) override;

  void OpenOverlay();
  void CloseOverlay();
  void StartLive();
  void StopLive();
  void ApplyScanModes();
  // 0 "Default", 1 "Seq0", 2 "Seq1".
  void ApplyPreset(int preset);
  void SetColour(Colour control, int32_t value);
  void SelectColourChannel(int32_t channel);
  void OnGridNotify(const nuvix::GridEvent& event);
  void OnOsdEnable();
  void OnOsdDisable();
  void OnSelectFont();
  void OnDefaultStrings();

  // Read-outs for the tour and the tests.
  bool IsLive() const { return liveRunning_; }
  int32_t Shape() const { return static_cast<int32_t>(shape_); }
  int32_t Start() const { return static_cast<int32_t>(start_); }
  int32_t ColourChannel() const { return static_cast<int32_t>(colourChannel_); }
  int32_t Sequence(int k) const { return sequence_[k]; }
  int32_t ScanMode(int input) const { return scanModes_[input]; }
  int32_t ColourValue(Colour control, int channel) const { return colours_[control][channel]; }
  int32_t TvOut() const { return tvOut_; }
  COverlaySlot& Overlay() { return overlay_; }
  const void* SurfaceAddress() const { return surfaceAddress_; }
  nuvix::SettingsGrid& Grid() { return grid_; }

  std::vector<TourStep> TourSteps() override;

 protected:
  void OnInitDialog() override;

 private:
  bool IsQca() const;
  uint32_t CellCount() const;
  bool IsShown(int32_t input) const;
  // The input a colour setting of channel addresses; -1 when there is none.
  int32_t TargetOf(int32_t channel) const;
  void SetShape();
  void StopLiveTransfer();
  void SendScanModes();
  void SetDefaultColours(int32_t channel);
  void ShowColourLabel(Colour control, int32_t value);
  void SetCheckedPair(int on, int off);
  void EnableIds(std::initializer_list<int> ids, bool enable);
  void ReadFilter(bool vertical);
  void WriteFilter(bool vertical);
  void SetTvOut(int32_t on);
  void SendStrings(const char* const strings[kInputs]);
  void ConnectControls();

  uint32_t board_ = 0;
  int32_t model_ = 0;
  int32_t standard_ = 1;
  uint32_t channels_ = 0;
  uint32_t shapeCount_ = 0;
  uint32_t startCount_ = 0;
  uint32_t c2Value_ = 0;
  bool liveRunning_ = false;
  int32_t labelIds_[kInputs] = {};
  int32_t sequence_[kInputs] = {};
  // Bound to the grid's rows (one value each, and the scan modes of the inputs).
  uint32_t shape_ = 0;
  uint32_t start_ = 0;
  uint32_t colourChannel_ = 0;
  int32_t tvOut_ = 0;
  uint8_t hFilter_ = 0, vFilter_ = 0;
  int32_t scanModes_[kChannels] = {};
  COverlaySlot overlay_;
  uint32_t overlayWidth_ = 704, overlayHeight_ = 480;
  uint32_t overlayFourcc_ = 0;
  void* surfaceAddress_ = nullptr;
  uint32_t surfacePitch_ = 0;
  int32_t colours_[4][kChannels] = {};
  nuvix::SettingsGrid grid_;
};
