// The SQUAD tab: software screen division. Lays out 1 to 30 labelled camera
// cells on the board's output surfaces and scales every captured frame into
// its channel's cell.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "failure_edge.h"
#include "screen_division_sink.h"
#include "tab_dialog.h"

class CSquadPreview;
class QLabel;

class CSquadTab : public CTabDialog {
  Q_OBJECT
 public:
  static constexpr int kFirstLayoutId = 1910;  // then 1913..1925 for layouts 2..14
  static constexpr int kIdSlider = 2001, kIdStartText = 2002;
  static constexpr int kInitialLayout = 3;

  CSquadTab();
  ~CSquadTab() override;

  void Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int standard) override;

  // The control id of layout 1..14's button.
  static constexpr int LayoutButtonId(int layout) { return layout == 1 ? kFirstLayoutId : kFirstLayoutId + 1 + layout; }

  void ApplyLayout(int layout, int startChannel);
  void OnLayoutButton(int layout);
  void OnSliderScroll();
  // The frame entry; runs on capture worker threads.
  void OnCameraFrame(int32_t channel, const void* image, int32_t width, int32_t height);
  // Shows the division as the surfaces hold it now; the tab's timer runs it a
  // few times a second while the tab is shown. Makes no board call.
  void RefreshPreview();
  const CSquadPreview* Preview() const { return preview_; }

  // Read-outs for the tour and the tests.
  bool HasRenderer() const { return renderer_ != nullptr; }
  int32_t RendererIndex() const { return renderer_ ? renderer_->index : 0; }
  int StartChannel() const { return startChannel_; }
  int CurrentLayout() const { return currentLayout_; }
  // The channel of each cell of the current layout.
  const std::array<int32_t, 32>* Cells() const { return renderer_ ? &renderer_->cells : nullptr; }
  // The surfaces the board handed out (null while screen division is refused).
  const void* MergedSurface() const { return merged_; }
  int Lines() const { return standard_ ? 480 : 576; }

  std::vector<TourStep> TourSteps() override;

 protected:
  void OnInitDialog() override;
  void showEvent(QShowEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  struct Renderer {
    int32_t index = 0;
    int32_t labelsOn = 0;
    int32_t bordersOn = 0;
    int32_t standard = 0;
    std::array<int32_t, 32> cells{};
  };
  // What the capture path calls; a member of its own so the hand-off can be
  // switched away from it before anything of the tab is torn down.
  class FrameEntry : public IScreenDivisionSink {
   public:
    explicit FrameEntry(CSquadTab& tab) : tab_(tab) {}
    bool IsViewActive() const override { return tab_.HasRenderer(); }
    void OnCameraFrame(int32_t channel, const void* image, int32_t width, int32_t height) override {
      tab_.OnCameraFrame(channel, image, width, height);
    }

   private:
    CSquadTab& tab_;
  };

  void CreateRenderer();
  void LogUpdate();
  // The TV-out picture the board shows, from the merged surface, for the tour.
  QLabel* TvOutPicture();

  int32_t standard_ = 0;
  int32_t channelCount_ = 0;
  int32_t startChannel_ = 0;
  int32_t currentLayout_ = 0;
  void* merged_ = nullptr;
  void* image_ = nullptr;
  void* osd_ = nullptr;
  std::unique_ptr<Renderer> renderer_;
  // Held around a frame's render into the image surface and around the
  // preview's copy of it. Layouts and the OSD surface are the GUI thread's.
  std::mutex imageMutex_;
  std::vector<uint8_t> imageCopy_;  // GUI thread
  CSquadPreview* preview_ = nullptr;
  int previewTimer_ = 0;
  FailureEdge frameUpdate_;  // the update after each camera frame
  FrameEntry entry_{*this};
};
