#include "scripted_prompts.h"

#include <gtest/gtest.h>

namespace {

using nuvix::ScriptedPrompts;

// Queued answers come first, in order; then the answerer, which sees the
// request; with neither, the dialog is cancelled.
TEST(ScriptedPrompts, FileDialogsTakeTheQueueThenTheAnswererThenCancel) {
  ScriptedPrompts prompts;
  EXPECT_EQ(prompts.ChooseFile(true, "NUV", "NUV FILE|*.*||"), std::nullopt);
  prompts.AnswerFile("/a");
  prompts.AnswerFile(std::nullopt);
  int asked = 0;
  prompts.SetFileAnswerer([&asked](const ScriptedPrompts::FileRequest& request) {
    ++asked;
    return std::optional<std::string>((request.openForRead ? "/read." : "/write.") + request.defaultExtension);
  });
  EXPECT_EQ(prompts.ChooseFile(true, "NUV", ""), "/a");
  EXPECT_EQ(prompts.ChooseFile(true, "NUV", ""), std::nullopt);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(prompts.ChooseFile(false, "BMP", ""), "/write.BMP");
  EXPECT_EQ(prompts.ChooseFile(true, "PCM", ""), "/read.PCM");
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(prompts.FileRequests().size(), 5u);
  prompts.SetFileAnswerer(nullptr);
  EXPECT_EQ(prompts.ChooseFile(true, "NUV", ""), std::nullopt);
}

TEST(ScriptedPrompts, FontDialogsTakeTheQueueThenTheAnswererThenCancel) {
  ScriptedPrompts prompts;
  EXPECT_EQ(prompts.ChooseFont(), std::nullopt);
  prompts.AnswerFont({.faceName = "Queued"});
  prompts.SetFontAnswerer([] { return std::optional<nuvix::ChosenFont>({.faceName = "Answered", .height = 12}); });
  EXPECT_EQ(prompts.ChooseFont()->faceName, "Queued");
  const std::optional<nuvix::ChosenFont> answered = prompts.ChooseFont();
  ASSERT_TRUE(answered);
  EXPECT_EQ(answered->faceName, "Answered");
  EXPECT_EQ(answered->height, 12);
}

// An answerer may itself ask the prompts (a dialog that opens another): the
// lock is not held while it runs.
TEST(ScriptedPrompts, AnswererMayUseThePrompts) {
  ScriptedPrompts prompts;
  prompts.SetFileAnswerer([&prompts](const ScriptedPrompts::FileRequest&) {
    prompts.MessageBox("asked", "NUVIXSDK", nuvix::MessageIcon::None);
    return std::optional<std::string>("/x");
  });
  EXPECT_EQ(prompts.ChooseFile(false, "LOG", ""), "/x");
  ASSERT_EQ(prompts.Messages().size(), 1u);
  EXPECT_EQ(prompts.Messages()[0].text, "asked");
}

}  // namespace
