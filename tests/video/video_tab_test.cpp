// The video tab on the simulated board: grid handling, channel start and
// stop in the board's journal, recording rules, statistics and end-to-end
// capture into files that outside decoders read.
#include <turbojpeg.h>

#include <QLabel>
#include <QTimer>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "app_fixture.h"
#include "board_tables.h"
#include "fixg_ctrl.h"
#include "h263_decoder.h"
#include "nuvixi.h"
#include "recorded_file.h"
#include "timing.h"
#include "video_ids.h"
#include "video_tab.h"

namespace {

namespace fs = std::filesystem;
namespace rows = nuvix::video_rows;

constexpr uint32_t kLeft = nuvix::kFixGLButtonDown, kRight = nuvix::kFixGRButtonDown, kWheel = nuvix::kFixGWheel, kRepeat = nuvix::kFixGRepeatBit;

// Index of the first call starting with prefix at or after from; -1 when none.
int FindCall(const std::vector<std::string>& calls, const std::string& prefix, int from = 0) {
  for (int i = from; i < static_cast<int>(calls.size()); ++i)
    if (calls[i].rfind(prefix, 0) == 0) return i;
  return -1;
}

class VideoTab : public AppFixture {
 protected:
  void Open(const char* boards = "QCA08", int standard = NUVIXI_STANDARD_NTSC) {
    OpenBoard(boards, {main_ids::kVideoOption}, standard == NUVIXI_STANDARD_NTSC);
    tab_ = dynamic_cast<CVideoTab*>(dialog_->Tab(CNuvixSdkDlg::kVideo));
    ASSERT_NE(tab_, nullptr);
    tab_->Refresh();  // reads the camera signals
    NUVIXI_SIM_ClearJournal();
  }
  void Notify(uint32_t message, uint32_t column, uint32_t row) { tab_->OnGridNotify(nuvix::GridEvent::FromMessage(message, QPoint(static_cast<int>(column), static_cast<int>(row)))); }
  // An accepted click on the action row needs 350 ms since the last one.
  void Action(uint32_t column) {
    PumpWait(CVideoTab::kActionThrottleMs + 10);
    Notify(kRight, column, rows::kAction);
  }
  void SetRatio(int ch, int ratio) {
    Notify((static_cast<uint32_t>(static_cast<int16_t>(ratio * 120)) << 16) | kWheel, ch + 1, rows::kRatio);
  }
  void TurnOnFileSave() {
    prompts_->AnswerFile((scratch_ / "take").string());
    dialog_->Tab(CNuvixSdkDlg::kVideo)->ItemAs<QAbstractButton>(video_ids::kFileSave)->click();
    ASSERT_TRUE(tab_->FileSave());
  }
  std::string FileOf(int ch) const {
    char name[32];
    std::snprintf(name, sizeof name, "take_%02d.MJP", ch);
    return (scratch_ / name).string();
  }

  // Opens channel ch's recording and indexes it; 0 records when it does not scan.
  uint32_t IndexFile(nuvix::RecordedFile& file, int ch) const {
    file.SetPath("%s", FileOf(ch).c_str());
    if (!file.Open(nuvix::RecordedFile::kRead) || !file.ScanHeader()) return 0;
    return file.BuildIndex();
  }

  CVideoTab* tab_ = nullptr;
};

TEST_F(VideoTab, StartsWithDefaultRatesPerGroupAndResolution352) {
  Open();
  EXPECT_EQ(tab_->ChannelCount(), 32u);
  uint32_t sum = 0;
  for (int i = 0; i < 4; ++i) sum += tab_->RequestedFps(3 + 8 * i);  // group 3 of QCA08's eight
  EXPECT_EQ(sum, 30u);
  EXPECT_EQ(tab_->Resolution(31), 8u);
}

// Every capture channel count on every model, boards with fewer channels than
// groups among them: each group's default rates fit the second, every channel
// asks for frames, and a started channel (the last, in the shortest group)
// records into its file.
TEST_F(VideoTab, EveryChannelCountOnEveryModelSharesItsSecondsAndRecords) {
  const char* const kModels[] = {"QLA04", "QLA08", "QLA16", "QCA02", "QCA04", "QCA08"};
  for (int model = 0; model < 6; ++model) {
    for (uint32_t count = 1; count <= 32; ++count) {
      for (int standard : {NUVIXI_STANDARD_NTSC, NUVIXI_STANDARD_PAL}) {
        // PAL's rows differ from NTSC's, not the group walk: two models cover them.
        if (standard == NUVIXI_STANDARD_PAL && model != 3 && model != 4) continue;
        const std::string boards = std::string(kModels[model]) + ":ch=" + std::to_string(count);
        SCOPED_TRACE(boards + (standard == NUVIXI_STANDARD_NTSC ? " NTSC" : " PAL"));
        dialog_.reset();
        Open(boards.c_str(), standard);
        ASSERT_EQ(tab_->ChannelCount(), count);
        for (uint32_t ch = 0; ch < count; ++ch) {
          EXPECT_GE(tab_->RequestedFps(static_cast<int>(ch)), 1u) << "channel " << ch;
          uint32_t groupSum = 0;
          for (uint32_t other : tab_->Caps().GroupChannels(ch)) groupSum += tab_->RequestedFps(static_cast<int>(other));
          EXPECT_LE(groupSum, tab_->MaxFps()) << "group of channel " << ch;
        }
        // Recording takes a while: the small counts, where groups run short, and the full board.
        if ((count > 8 && count != 32) || standard != NUVIXI_STANDARD_NTSC) continue;
        TurnOnFileSave();
        const int last = static_cast<int>(count) - 1;
        SetRatio(last, 50);
        tab_->StartChannel(last);
        ASSERT_TRUE(tab_->IsCapturing(last));
        uint64_t delivered = 0, dropped = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (delivered < 2 && std::chrono::steady_clock::now() < deadline) {
          PumpWait(20);
          NUVIXI_SIM_CaptureCounters(0, static_cast<uint32_t>(last), &delivered, &dropped);
        }
        tab_->StopChannel(last);
        nuvix::RecordedFile file;
        EXPECT_GE(IndexFile(file, last), 1u);
      }
    }
  }
}

TEST_F(VideoTab, ChannelWithoutCameraSignalStaysIdle) {
  Open();
  NUVIXI_SIM_SetCameraSignal(0, 3, 0);
  tab_->Refresh();
  Action(4);
  EXPECT_FALSE(tab_->IsCapturing(3));
  EXPECT_EQ(FindCall(SimJournalCalls(), "CaptureVideoTransferON(0,3,"), -1);
}

TEST_F(VideoTab, FirstChannelOfAGroupGetsSlicesBeforeTheTransferAndTheNextAfter) {
  Open();
  tab_->StartChannel(0);
  tab_->StartChannel(8);  // the same group of eight
  const auto calls = SimJournalCalls();
  const int slices0 = FindCall(calls, "VideoSliceCtrl(0,0,");
  const int on0 = FindCall(calls, "CaptureVideoTransferON(0,0,8,0)");
  const int on8 = FindCall(calls, "CaptureVideoTransferON(0,8,8,0)");
  ASSERT_GE(slices0, 0);
  ASSERT_GE(on8, 0);
  EXPECT_LT(slices0, on0);
  const int slices8 = FindCall(calls, "VideoSliceCtrl(0,0,", on8);
  EXPECT_GT(slices8, on8);
  EXPECT_NE(LogText().find("RV(80) = NUVIXI_CaptureVideoTransferON(0,8,8,0) "), std::string::npos);
  tab_->StopChannel(0);
  tab_->StopChannel(8);
}

TEST_F(VideoTab, QlaBoardsGetOneChannelsSlotsWithTheChannelAsGroup) {
  Open("QLA16");
  tab_->StartChannel(5);
  const auto calls = SimJournalCalls();
  EXPECT_GE(FindCall(calls, "VideoSliceCtrl(0,5,"), 0);
  tab_->StopChannel(5);
}

TEST_F(VideoTab, ARateRaiseBeyondTheGroupBudgetIsRefused) {
  Open();
  const uint32_t before = tab_->RequestedFps(0);
  Notify(kRight, 1, rows::kRequestedFps);  // the group already uses all 30 slots
  EXPECT_EQ(tab_->RequestedFps(0), before);
  Notify(kLeft, 1, rows::kRequestedFps);
  EXPECT_EQ(tab_->RequestedFps(0), before - 1);
  Notify(kRight | kRepeat, 1, rows::kRequestedFps);
  EXPECT_EQ(tab_->RequestedFps(0), before);
  // In PAL the budget is 25.
  Open("QCA08", NUVIXI_STANDARD_PAL);
  EXPECT_EQ(tab_->MaxFps(), 25u);
  const uint32_t pal = tab_->RequestedFps(1);
  Notify(kRight, 2, rows::kRequestedFps);
  EXPECT_EQ(tab_->RequestedFps(1), pal);
}

TEST_F(VideoTab, SettingsClampToTheirRanges) {
  Open();
  SetRatio(2, 200);
  EXPECT_EQ(tab_->CompressRatio(2), 80u);
  SetRatio(2, -1);
  EXPECT_EQ(tab_->CompressRatio(2), 79u);
  Notify(kRight, 0, rows::kFormat);  // label column: all channels
  Notify(kRight, 0, rows::kFormat);
  Notify(kRight, 0, rows::kFormat);
  EXPECT_EQ(tab_->ColourFormat(0), 2u);
  EXPECT_EQ(tab_->ColourFormat(31), 2u);
  // Wheel turns on the resolution rows are ignored; the disabled sizes cannot be chosen.
  Notify((120u << 16) | kWheel, 1, rows::kFirstSize + 3);
  EXPECT_EQ(tab_->Resolution(0), 8u);
  Notify(kLeft, 1, 9);
  EXPECT_EQ(tab_->Resolution(0), 8u);
  Notify(kLeft, 1, rows::kFirstSize + 11);
  EXPECT_EQ(tab_->Resolution(0), 11u);
}

TEST_F(VideoTab, ResolutionChangeOfACapturingChannelStopsWaitsAndRestarts) {
  Open();
  tab_->StartChannel(2);
  NUVIXI_SIM_ClearJournal();
  Notify(kLeft, 3, rows::kFirstSize + 5);
  EXPECT_TRUE(tab_->IsCapturing(2));
  EXPECT_EQ(tab_->Resolution(2), 5u);
  const auto calls = SimJournalCalls();
  const int off = FindCall(calls, "CaptureVideoTransferOFF(0,2)");
  const int on = FindCall(calls, "CaptureVideoTransferON(0,2,5,0)");
  ASSERT_GE(off, 0);
  EXPECT_GT(on, off);
  // Choosing "Capture Disable" leaves it stopped.
  Notify(kLeft, 3, rows::kFirstSize);
  EXPECT_FALSE(tab_->IsCapturing(2));
}

TEST_F(VideoTab, TheLabelColumnActionStartsAllThenStopsAll) {
  Open("QCA02:ch=8");
  NUVIXI_SIM_SetCameraSignal(0, 6, 0);
  tab_->Refresh();
  Action(0);
  for (int ch = 0; ch < 8; ++ch) EXPECT_EQ(tab_->IsCapturing(ch), ch != 6) << ch;
  // Double clicks, wheel turns and repeats on the action row do nothing.
  PumpWait(CVideoTab::kActionThrottleMs + 10);
  Notify(0x203, 0, rows::kAction);
  Notify(kRight | kRepeat, 0, rows::kAction);
  EXPECT_TRUE(tab_->IsCapturing(0));
  Action(0);
  for (int ch = 0; ch < 8; ++ch) EXPECT_FALSE(tab_->IsCapturing(ch)) << ch;
}

TEST_F(VideoTab, ClosingTheBoardDuringAStartAllWaitsForTheHandler) {
  Open("QCA02:ch=8");
  PumpWait(CVideoTab::kActionThrottleMs + 10);
  QTimer::singleShot(100, [this] { Click(1117); });  // while the tab pauses between channels
  Notify(kRight, 0, rows::kAction);
  EXPECT_TRUE(dialog_->IsBoardOpen());
  PumpWait(50);
  EXPECT_FALSE(dialog_->IsBoardOpen());
  EXPECT_EQ(dialog_->Tab(CNuvixSdkDlg::kVideo), nullptr);
  tab_ = nullptr;
}

TEST_F(VideoTab, DefaultRatesNeverOverbookAGroup) {
  // 24 channels on a QCA04 make six per group, whose default row asks for 36 of 30 slots.
  Open("QCA04:ch=24");
  ASSERT_EQ(tab_->Caps().ChannelsPerGroup(), 6u);
  for (uint32_t g = 0; g < 4; ++g) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < 6; ++i) sum += tab_->RequestedFps(g + 4 * i);
    EXPECT_EQ(sum, 30u) << g;
  }
  Open("QCA02:ch=32", NUVIXI_STANDARD_PAL);
  uint32_t sum = 0;
  for (uint32_t i = 0; i < 16; ++i) sum += tab_->RequestedFps(1 + 2 * i);
  EXPECT_EQ(sum, 25u);
}

TEST_F(VideoTab, ActionClicksWithin350MsAreIgnored) {
  Open();
  Action(1);
  EXPECT_TRUE(tab_->IsCapturing(0));
  Notify(kRight, 1, rows::kAction);  // at once: throttled
  EXPECT_TRUE(tab_->IsCapturing(0));
  Action(1);
  EXPECT_FALSE(tab_->IsCapturing(0));
}

// A channel that records nothing leaves no file: ratio 0, Y41P, YUY2 at 120
// lines. One started at ratio 0 creates its file when its ratio is raised.
TEST_F(VideoTab, OnlyAChannelThatRecordsCreatesItsFile) {
  Open();
  TurnOnFileSave();
  Notify(kRight, 2, rows::kFormat);  // channel 1: Y41P
  SetRatio(1, 50);
  Notify(kRight, 3, rows::kFormat);
  Notify(kRight, 3, rows::kFormat);  // channel 2: YUY2 at 176 x 120
  SetRatio(2, 50);
  Notify(kLeft, 3, rows::kFirstSize + 11);
  const std::vector<int> channels = {0, 1, 2, 3};  // 0 and 3 at ratio 0
  for (int ch : channels) tab_->StartChannel(ch);
  // Frames reach every channel (or its missing file would prove nothing).
  const auto framesArrived = [&] {
    for (int ch : channels) {
      uint64_t delivered = 0, dropped = 0;
      NUVIXI_SIM_CaptureCounters(0, static_cast<uint32_t>(ch), &delivered, &dropped);
      if (delivered < 2) return false;
    }
    return true;
  };
  for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
       !framesArrived() && std::chrono::steady_clock::now() < deadline;)
    PumpWait(10);
  ASSERT_TRUE(framesArrived()) << "no frames on some channel";
  for (int ch : channels) EXPECT_FALSE(fs::exists(FileOf(ch))) << ch;

  SetRatio(3, 50);
  for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
       tab_->RecordsWritten(3) < 3 && std::chrono::steady_clock::now() < deadline;)
    PumpWait(10);
  for (int ch : channels) tab_->StopChannel(ch);
  for (int ch : {0, 1, 2}) EXPECT_FALSE(fs::exists(FileOf(ch))) << ch;
  nuvix::RecordedFile file;
  EXPECT_GE(IndexFile(file, 3), 3u);
}

TEST_F(VideoTab, StatisticsLineKeepsItsTextAfterAllChannelsStop) {
  Open();
  tab_->StartChannel(0);
  PumpWait(1200);
  tab_->Refresh();
  auto* line = dialog_->Tab(CNuvixSdkDlg::kVideo)->ItemAs<QLabel>(video_ids::kStatistics);
  const QString running = line->text();
  EXPECT_TRUE(running.startsWith("DMA-ON CH:01, Total Frame:")) << running.toStdString();
  tab_->StopChannel(0);
  tab_->Refresh();
  EXPECT_EQ(line->text(), running);
}

// A disk that fills while a channel records (here a file-size limit, which
// needs no privileges): the channel's recording ends with one log line, capture
// goes on, and the file holds only complete records.
TEST_F(VideoTab, AFullDiskEndsTheRecordingWithOneLineAndKeepsTheFileWhole) {
  Open();
  TurnOnFileSave();
  SetRatio(0, 50);
  constexpr rlim_t kLimit = 48 * 1024;  // a few dozen 352 x 240 pictures
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = before;
  limited.rlim_cur = kLimit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  tab_->StartChannel(0);
  const auto stopped = [this] { return LogText().find("FILE WRITE FAIL: CH 00 RECORDING STOPPED") != std::string::npos; };
  for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       !stopped() && std::chrono::steady_clock::now() < deadline;)
    PumpWait(20);
  PumpWait(500);  // frames go on arriving after the stop
  EXPECT_TRUE(tab_->IsCapturing(0));
  tab_->StopChannel(0);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previousSignal);

  size_t lines = 0;
  for (size_t at = LogText().find("RECORDING STOPPED"); at != std::string::npos;
       at = LogText().find("RECORDING STOPPED", at + 1))
    ++lines;
  EXPECT_EQ(lines, 1u) << LogText();
  EXPECT_NE(LogText().find("File too large"), std::string::npos);
  // Every byte of the file belongs to a complete record.
  nuvix::RecordedFile file;
  const uint32_t records = IndexFile(file, 0);
  ASSERT_GT(records, 2u);
  EXPECT_EQ(records, tab_->RecordsWritten(0)) << "writes taken back are not counted";
  std::vector<uint8_t> record(2 << 20);
  BITMAPINFOHEADER header{};
  uint64_t recorded = 8;
  for (uint32_t i = 0; i < records; ++i) {
    const uint32_t length = file.ReadRecord(i, record.data(), static_cast<uint32_t>(record.size()), &header);
    ASSERT_GT(length, 40u) << i;
    recorded += length;  // image header and payload
  }
  EXPECT_EQ(recorded, fs::file_size(FileOf(0)));
  EXPECT_LE(fs::file_size(FileOf(0)), kLimit);
}

TEST_F(VideoTab, AChannelCapturesAtItsProgrammedRateIntoAnIndexedMjpgFile) {
  Open();
  TurnOnFileSave();
  SetRatio(0, 50);
  // Group 0 of QCA08: channel 0 asks 8 of the 30 NTSC slots.
  const auto start = std::chrono::steady_clock::now();
  tab_->StartChannel(0);
  PumpWait(3000);
  tab_->Refresh();
  uint64_t delivered = 0, dropped = 0;
  NUVIXI_SIM_CaptureCounters(0, 0, &delivered, &dropped);
  tab_->StopChannel(0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  nuvix::RecordedFile file;
  const uint32_t records = IndexFile(file, 0);
  EXPECT_EQ(file.parameter(), 8u);
  // 8 frames per second over the time it ran (3 s, or more on a busy machine), within 10 %.
  EXPECT_NEAR(records, 8 * seconds, 0.8 * seconds);
  EXPECT_NEAR(records, delivered, 1.0);  // a frame may arrive between the read-out and the stop
  EXPECT_EQ(records, tab_->RecordsWritten(0)) << "the tab's count of records written";
  EXPECT_EQ(dropped, 0u);

  // The last record decodes with TurboJPEG into a 352 x 240 picture.
  std::vector<uint8_t> record(2 << 20);
  BITMAPINFOHEADER header{};
  const uint32_t length = file.ReadRecord(records - 1, record.data(), static_cast<uint32_t>(record.size()), &header);
  ASSERT_GT(length, 40u);
  tjhandle decoder = tjInitDecompress();
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  ASSERT_EQ(tjDecompressHeader3(decoder, record.data(), header.biSizeImage, &width, &height, &subsampling,
                                &colourspace),
            0);
  EXPECT_EQ(width, 352);
  EXPECT_EQ(height, 240);
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  EXPECT_EQ(tjDecompress2(decoder, record.data(), header.biSizeImage, rgb.data(), width, 0, height, TJPF_RGB, 0), 0);
  tjDestroy(decoder);
  // The camera's number is drawn in white at the centre of the picture.
  int white = 0;
  for (int y = height / 3; y < 2 * height / 3; ++y)
    for (int x = width / 3; x < 2 * width / 3; ++x) {
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      white += p[0] > 220 && p[1] > 220 && p[2] > 220;
    }
  EXPECT_GT(white, width * height / 100);
}

TEST_F(VideoTab, AYuy2ChannelRecordsH263ThatOurDecoderReads) {
  Open();
  TurnOnFileSave();
  Notify(kRight, 1, rows::kFormat);
  Notify(kRight, 1, rows::kFormat);
  SetRatio(0, 10);
  tab_->StartChannel(0);
  PumpWait(1000);
  tab_->StopChannel(0);
  nuvix::RecordedFile file;
  const uint32_t records = IndexFile(file, 0);
  ASSERT_GT(records, 3u);
  EXPECT_EQ(records, tab_->RecordsWritten(0));
  CH263Decoder* decoder = CreateCorvaneDecoder();
  ASSERT_NE(decoder, nullptr);
  decoder->Init(0);
  std::vector<uint8_t> record(2 << 20), picture(kH263MaxPictureBytes);
  for (uint32_t i = 0; i < records; ++i) {
    BITMAPINFOHEADER header{};
    ASSERT_GT(file.ReadRecord(i, record.data(), static_cast<uint32_t>(record.size()), &header), 0u);
    EXPECT_EQ(header.biCompression, FOURCC_H263);
    EXPECT_EQ(decoder->Decode(record.data(), picture.data(), static_cast<int>(header.biSizeImage)), 1) << i;
  }
  decoder->Release();
}

TEST_F(VideoTab, StoppingWhileFramesArriveNeverWritesAfterTheFileCloses) {
  Open();
  TurnOnFileSave();
  SetRatio(0, 20);
  for (int i = 0; i < 200; ++i) {
    tab_->StartChannel(0);
    std::this_thread::sleep_for(std::chrono::microseconds(700 * (i % 7)));
    tab_->StopChannel(0);
    ASSERT_FALSE(tab_->IsCapturing(0));
    if (i % 40 == 39) {
      // Nothing reaches the file once the channel has stopped.
      const auto size = fs::file_size(FileOf(0));
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      EXPECT_EQ(fs::file_size(FileOf(0)), size) << i;
    }
  }
}

}  // namespace
