// The play tab on the simulated board: loading and indexing recordings,
// stepping and the information line, H.263 and MJPG pictures, the bitmap
// export read back by Qt's reader, audio played through the board, volume
// and monitor, hostile files, and stopping or closing while playing.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "app_fixture.h"
#include "nuvixi.h"
#include "play_ids.h"
#include "play_tab.h"
#include "recorded_file.h"
#include "recordings.h"
#include "timing.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace recordings;

class PlayTab : public AppFixture {
 protected:
  void Open(bool aplay = true, const char* boards = "QCA08") {
    if (aplay) OpenBoard(boards, {main_ids::kAPlayOption});
    else OpenBoard(boards, {});
    tab_ = dynamic_cast<CPlayTab*>(dialog_->Tab(CNuvixSdkDlg::kPlay));
    ASSERT_NE(tab_, nullptr);
    NUVIXI_SIM_ClearJournal();
  }
  void Load(const fs::path& path) {
    prompts_->AnswerFile(path.string());
    tab_->OnLoad();
  }
  QString Info() const { return tab_->ItemAs<QLabel>(play_ids::kInfo)->text(); }
  bool LogHas(const std::string& text) const { return LogText().find(text) != std::string::npos; }
  // The shown picture as a bitmap file, read back by Qt's BMP reader.
  QImage SaveAndRead(const std::string& name) {
    const auto deadline = Clock::now() + 5s;
    while (tab_->ShowPending() && Clock::now() < deadline) PumpWait(5);
    const fs::path path = scratch_ / name;
    prompts_->AnswerFile(path.string());
    tab_->OnSaveBitmap();
    return QImage(QString::fromStdString(path.string()), "BMP");
  }
  fs::path WritePcm(const std::string& name, uint32_t parameter, const std::vector<int16_t>& samples) {
    nuvix::RecordedFile file;
    file.SetPath("%s", (scratch_ / name).c_str());
    EXPECT_TRUE(file.Open(nuvix::RecordedFile::kWrite));
    file.WriteHeader(false, parameter);
    file.Transfer(static_cast<const void*>(samples.data()), static_cast<uint32_t>(samples.size() * 2));
    return scratch_ / name;
  }

  CPlayTab* tab_ = nullptr;
};

TEST_F(PlayTab, RecordCountsSteppingAndTheInformationLine) {
  Open();
  // Three complete records, the last ending at the end of the file.
  const fs::path three = scratch_ / "three.MJP";
  WriteBytes(three, Concat({FileHeader("VIDE", 8), MjpgRecord(2200), MjpgRecord(2150), MjpgRecord(2200)}));
  Load(three);
  ASSERT_EQ(tab_->PlayState(), CPlayTab::kStopped);
  EXPECT_EQ(tab_->Count(), 3u);
  EXPECT_EQ(Info(), "Total:3, Current:0, 64*48, 2.1KB");
  tab_->OnNext();
  EXPECT_EQ(Info(), "Total:3, Current:1, 64*48, 2.0KB");
  tab_->OnPrevious();
  tab_->OnPrevious();
  EXPECT_EQ(tab_->Cursor(), 2u) << "back from 0 is the last record";
  EXPECT_EQ(Info(), "Total:3, Current:2, 64*48, 2.1KB");
  tab_->ItemAs<QSlider>(play_ids::kPosition)->setValue(1);
  EXPECT_EQ(tab_->Cursor(), 1u);
  EXPECT_FALSE(tab_->Item(play_ids::kLoad)->isEnabled());
  EXPECT_TRUE(tab_->Item(play_ids::kClose)->isEnabled());
  EXPECT_TRUE(tab_->Item(play_ids::kSave)->isEnabled());
  tab_->OnClose();
  EXPECT_EQ(tab_->PlayState(), CPlayTab::kNoFile);
  EXPECT_EQ(Info(), "FILE INFORMATION");
  EXPECT_TRUE(tab_->Item(play_ids::kLoad)->isEnabled());
  EXPECT_FALSE(tab_->Item(play_ids::kSave)->isEnabled());

  // Half a record more still offers three, and the log says what was skipped.
  std::vector<uint8_t> half = MjpgRecord(2200);
  half.resize(1000);
  WriteBytes(three, half, true);
  Load(three);
  EXPECT_EQ(tab_->Count(), 3u);
  EXPECT_TRUE(LogHas("FILE TRUNCATED: 1000 BYTES AFTER RECORD 2 ARE SKIPPED"));
  tab_->OnClose();

  // One record: stepping shows it again.
  const fs::path one = scratch_ / "one.MJP";
  WriteBytes(one, Concat({FileHeader("VIDE", 8), MjpgRecord(4200)}));
  Load(one);
  ASSERT_EQ(tab_->Count(), 1u);
  tab_->OnNext();
  EXPECT_EQ(tab_->Cursor(), 0u);
  EXPECT_EQ(Info(), "Total:1, Current:0, 64*48, 4.1KB");
  tab_->OnClose();

  // No complete record, or too small a file: nothing is loaded.
  const fs::path none = scratch_ / "none.MJP";
  std::vector<uint8_t> cut = MjpgRecord(5000);
  cut.resize(4500);
  WriteBytes(none, Concat({FileHeader("VIDE", 8), cut}));
  for (const fs::path& path : {none, one.parent_path() / "missing.MJP"}) {
    Load(path);
    EXPECT_EQ(tab_->PlayState(), CPlayTab::kNoFile) << path;
    EXPECT_EQ(tab_->Window().Get(), nullptr);
  }
  // A cancelled choice does nothing.
  tab_->OnLoad();
  EXPECT_EQ(tab_->PlayState(), CPlayTab::kNoFile);
}

TEST_F(PlayTab, H263BitmapIsUprightWithTheCameraColoursAndBackwardPlayDecodesRight) {
  Open();
  const fs::path path = scratch_ / "h263.MJP";
  WriteBytes(path, H263Recording(40));
  Load(path);
  ASSERT_EQ(tab_->PlayState(), CPlayTab::kStopped);
  ASSERT_NE(tab_->Window().Get(), nullptr);
  EXPECT_EQ(tab_->Window().Get()->windowTitle(), "DC Win:Search Window");

  const fs::path bmpPath = scratch_ / "first.bmp";
  prompts_->AnswerFile(bmpPath.string());
  tab_->OnSaveBitmap();
  const std::vector<uint8_t> bmp = ReadBytes(bmpPath);
  ASSERT_EQ(bmp.size(), 54u + kWidth * kHeight * 4);
  auto le32 = [&](size_t at) {
    return uint32_t{bmp[at]} | uint32_t{bmp[at + 1]} << 8 | uint32_t{bmp[at + 2]} << 16 | uint32_t{bmp[at + 3]} << 24;
  };
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(le32(2), bmp.size());
  EXPECT_EQ(le32(10), 54u);
  EXPECT_EQ(le32(14), 40u);
  EXPECT_EQ(static_cast<int32_t>(le32(22)), kHeight) << "positive height: rows stored bottom up";
  EXPECT_EQ(bmp[28], 32);
  EXPECT_EQ(le32(30), 0u) << "uncompressed";
  EXPECT_EQ(le32(34), uint32_t{kWidth} * kHeight * 4);

  const QImage image(QString::fromStdString(bmpPath.string()), "BMP");
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
  const QColor top = image.pixelColor(300, 20), bottom = image.pixelColor(300, kHeight - 20);
  EXPECT_GT(top.red(), 200);
  EXPECT_LT(top.blue(), 60);
  EXPECT_GT(bottom.blue(), 200);
  EXPECT_LT(bottom.red(), 60);

  // Picture 35 reached forwards, then again from 36 backwards and after
  // jumping with the slider: the same picture every time.
  for (int i = 0; i < 35; ++i) tab_->OnNext();
  const QImage forward = SaveAndRead("forward.bmp");
  tab_->OnNext();
  tab_->OnPrevious();
  EXPECT_EQ(SaveAndRead("backward.bmp"), forward);
  tab_->ItemAs<QSlider>(play_ids::kPosition)->setValue(10);
  tab_->ItemAs<QSlider>(play_ids::kPosition)->setValue(35);
  EXPECT_EQ(SaveAndRead("jumped.bmp"), forward);

  // Timed play both ways without a decoder error.
  for (bool backward : {true, false}) {
    const uint32_t before = tab_->Cursor();
    if (backward) tab_->OnPlayBackward();
    else tab_->OnPlayForward();
    EXPECT_EQ(tab_->PlayState(), backward ? CPlayTab::kPlayingBackward : CPlayTab::kPlayingForward);
    const auto deadline = Clock::now() + 5s;
    while (tab_->Cursor() == before && Clock::now() < deadline) PumpWait(10);
    PumpWait(300);
    tab_->OnStop();
    EXPECT_NE(tab_->Cursor(), before);
  }
  EXPECT_EQ(tab_->FailedRecords(), 0u);
}

TEST_F(PlayTab, AudioPlaysThroughTheBoardInOrderScaledByTheVolume) {
  Open();
  constexpr uint32_t kBlockSamples = 44 * 512 / 2;
  // Three blocks, so the file goes round with its first block in the half that
  // played last (the block's parity would put it into the other one).
  const std::vector<int16_t> samples = AudioSamples(3 * kBlockSamples);
  Load(WritePcm("voice_00.PCM", 4, samples));
  ASSERT_EQ(tab_->PlayState(), CPlayTab::kStopped);
  EXPECT_FALSE(tab_->IsVideo());
  EXPECT_EQ(Info(), "Total:3, Current:0, Block Size:22.0KB");
  EXPECT_FALSE(tab_->Item(play_ids::kSave)->isEnabled()) << "no bitmap of sound";
  tab_->ItemAs<QSlider>(play_ids::kVolume)->setValue(100);
  EXPECT_EQ(tab_->ItemAs<QLabel>(play_ids::kVolumeLabel)->text(), "Volume : 100");

  tab_->OnPlayForward();
  ASSERT_EQ(tab_->PlayState(), CPlayTab::kPlayingForward);
  // Five blocks are 2.6 s of sound at 22,050 Hz.
  constexpr size_t kWanted = 5 * kBlockSamples;
  std::vector<int16_t> played;
  const auto deadline = Clock::now() + 15s;
  while (played.size() < kWanted && Clock::now() < deadline) {
    int16_t chunk[4096];
    const size_t n = NUVIXI_SIM_TakePlayedAudio(0, chunk, 4096);
    played.insert(played.end(), chunk, chunk + n);
    PumpWait(20);
  }
  tab_->OnStop();
  ASSERT_GE(played.size(), kWanted);
  for (size_t i = 0; i < kWanted; ++i) {
    ASSERT_EQ(played[i], static_cast<int16_t>(samples[i % samples.size()] * 100 / 127)) << "sample " << i;
  }
  NUVIXI_SIM_APLAY_STATE state{};
  NUVIXI_SIM_AudioPlayState(0, &state);
  EXPECT_EQ(state.playing, 0u);

  // Blocks go to the halves by their parity, both halves before playing starts.
  const std::string journal = SimJournal();
  EXPECT_NE(journal.find("APLAY_Volume(0,64)"), std::string::npos);
  EXPECT_NE(journal.find("APLAY_LOAD(0,4,0,"), std::string::npos);
  EXPECT_NE(journal.find("APLAY_LOAD(0,4,5800,"), std::string::npos);
  EXPECT_NE(journal.find("APLAY_OFF(0)"), std::string::npos);
  EXPECT_TRUE(LogHas("NUVIXI_APLAY_ON(0,4,2C) CALL : RESULT ->CHECK THREAD"));
  EXPECT_TRUE(LogHas("NUVIXI_APLAYOFF(0) SUCCESS"));

  // Stepping by hand loads odd blocks at the second half, even ones at the first.
  NUVIXI_SIM_ClearJournal();
  tab_->ItemAs<QSlider>(play_ids::kPosition)->setValue(0);
  tab_->OnNext();
  const std::string steps = SimJournal();
  const size_t even = steps.find("APLAY_LOAD(0,4,0,"), odd = steps.find("APLAY_LOAD(0,4,5800,");
  ASSERT_NE(even, std::string::npos) << steps;
  ASSERT_NE(odd, std::string::npos) << steps;
  EXPECT_LT(even, odd);
}

TEST_F(PlayTab, WithoutThePlaybackBlockAudioIsRefused) {
  Open(false);
  Load(WritePcm("mute_00.PCM", 1, AudioSamples(3 * 8192 / 2)));
  ASSERT_EQ(tab_->PlayState(), CPlayTab::kStopped);
  EXPECT_EQ(Info(), "FILE INFORMATION") << "nothing is loaded into the board";
  tab_->OnPlayForward();
  EXPECT_EQ(tab_->PlayState(), CPlayTab::kStopped);
  EXPECT_TRUE(LogHas("RV(80) = APLAY BOX CHECK WHEN BOARD OPEN()"));
  EXPECT_EQ(SimJournal().find("APLAY_LOAD"), std::string::npos);
}

TEST_F(PlayTab, VolumeAndMonitorFollowTheModel) {
  Open();
  EXPECT_EQ(tab_->Volume(), 127u);
  auto* enable = tab_->ItemAs<QCheckBox>(play_ids::kMonitorEnable);
  auto* channel = tab_->ItemAs<QSlider>(play_ids::kMonitorChannel);
  channel->setValue(5);
  EXPECT_EQ(tab_->ItemAs<QLabel>(play_ids::kMonitorLabel)->text(), "Select CH :  5");
  EXPECT_EQ(SimJournal().find("APLAY_Monitor"), std::string::npos) << "not applied while disabled";
  enable->setChecked(true);
  channel->setValue(9);
  EXPECT_NE(SimJournal().find("APLAY_Monitor(0,1,5,1)\nAPLAY_Monitor(0,1,9,1)"), std::string::npos);
  NUVIXI_SIM_APLAY_STATE state{};
  NUVIXI_SIM_AudioPlayState(0, &state);
  EXPECT_EQ(state.monitorChannel, 9u);

  dialog_.reset();
  Open(false, "QLA16");
  for (int id : {play_ids::kMonitorEnable, play_ids::kMonitorChannel, play_ids::kVolumeLabel, play_ids::kVolume}) EXPECT_FALSE(tab_->Item(id)->isEnabled()) << id;
  EXPECT_EQ(tab_->Volume(), 0u);
}

TEST_F(PlayTab, HostileAndDamagedRecordingsLoadOrAreRefusedCleanly) {
  Open();
  // A record larger than the data buffer, first or later in the file.
  std::vector<uint8_t> huge = MjpgRecord(2200);
  PutLe32(huge.data() + 20, nuvix::Playback::kDataBytes + 1);
  huge.resize(40 + nuvix::Playback::kDataBytes + 1, 0);
  const fs::path first = scratch_ / "huge-first.MJP", later = scratch_ / "huge-later.MJP";
  WriteBytes(first, Concat({FileHeader("VIDE", 8), huge, MjpgRecord(2200)}));
  WriteBytes(later, Concat({FileHeader("VIDE", 8), MjpgRecord(2200), MjpgRecord(2200), huge, MjpgRecord(2200)}));
  Load(first);
  EXPECT_EQ(tab_->PlayState(), CPlayTab::kNoFile);
  EXPECT_TRUE(LogHas("FILE TRUNCATED: RECORD 0 IS LARGER THAN 524288 BYTES"));
  Load(later);
  ASSERT_EQ(tab_->PlayState(), CPlayTab::kStopped);
  EXPECT_EQ(tab_->Count(), 2u);
  EXPECT_TRUE(LogHas("FILE TRUNCATED: RECORD 2 IS LARGER THAN 524288 BYTES"));
  tab_->OnClose();

  // A picture header claiming a frame far larger than the display buffers.
  std::vector<uint8_t> h263 = H263Recording(40);
  PutLe32(h263.data() + 8 + 4, 20000);
  const fs::path wide = scratch_ / "wide.MJP";
  WriteBytes(wide, h263);
  Load(wide);
  EXPECT_EQ(tab_->PlayState(), CPlayTab::kNoFile);
  EXPECT_TRUE(LogHas("FILE NOT LOADED: ITS FIRST RECORD CANNOT BE READ OR DECODED"));

  // Damaged payloads: records that do not decode leave the last picture in place.
  std::vector<uint8_t> damaged = H263Recording(40);
  std::mt19937 random(7);
  const size_t firstEnd = 8 + 40 + (damaged[8 + 20] | damaged[8 + 21] << 8 | damaged[8 + 22] << 16);
  for (size_t i = firstEnd + 60; i < damaged.size(); i += 97) damaged[i] = static_cast<uint8_t>(random());
  const fs::path broken = scratch_ / "broken.MJP";
  WriteBytes(broken, damaged);
  Load(broken);
  ASSERT_EQ(tab_->PlayState(), CPlayTab::kStopped);
  for (int i = 0; i < 30; ++i) tab_->OnNext();
  EXPECT_GT(tab_->FailedRecords(), 0u);
  tab_->OnClose();

  // Random bytes after a video or audio header: loaded or refused, never read past.
  for (const char* tag : {"VIDE", "AUDI"}) {
    for (int seed = 0; seed < 20; ++seed) {
      std::mt19937 bytes(static_cast<uint32_t>(seed));
      std::vector<uint8_t> noise(5000 + seed * 611);
      for (auto& b : noise) b = static_cast<uint8_t>(bytes());
      const fs::path path = scratch_ / "noise.MJP";
      WriteBytes(path, Concat({FileHeader(tag, static_cast<uint32_t>(seed)), noise}));
      Load(path);
      for (int i = 0; i < 3 && tab_->PlayState() != CPlayTab::kNoFile; ++i) tab_->OnNext();
      tab_->OnClose();
      EXPECT_EQ(tab_->PlayState(), CPlayTab::kNoFile);
    }
  }
}

TEST_F(PlayTab, StopAndCloseWhilePlayingAHundredTimes) {
  Open();
  const fs::path video = scratch_ / "loop.MJP";
  WriteBytes(video, H263Recording(40));
  const fs::path audio = WritePcm("loop_00.PCM", 4, AudioSamples(4 * 11264));
  const auto start = Clock::now();
  for (int round = 0; round < 100; ++round) {
    const bool isAudio = round % 2 != 0;
    Load(isAudio ? audio : video);
    ASSERT_EQ(tab_->PlayState(), CPlayTab::kStopped) << round;
    if (round % 4 == 2) tab_->OnPlayBackward();
    else tab_->OnPlayForward();
    if (round % 3 == 0) PumpWait(40);
    if (round % 2 == 0) tab_->OnStop();
    tab_->OnClose();
    ASSERT_EQ(tab_->PlayState(), CPlayTab::kNoFile) << round;
  }
  NUVIXI_SIM_APLAY_STATE state{};
  NUVIXI_SIM_AudioPlayState(0, &state);
  EXPECT_EQ(state.playing, 0u);
  EXPECT_LT(Clock::now() - start, 45s);
  // Closing the board with a file playing stops it too.
  Load(audio);
  tab_->OnPlayForward();
  dialog_.reset();
  NUVIXI_SIM_AudioPlayState(0, &state);
  EXPECT_EQ(state.playing, 0u);
}

}  // namespace
