// Prompts for tests: records every message box and answers the file and font
// dialogs from queues; with a queue empty, from the answerer set for it (none
// set: cancel).
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "prompts.h"

namespace nuvix {

class ScriptedPrompts final : public Prompts {
 public:
  struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
  };
  struct FileRequest {
    bool openForRead;
    std::string defaultExtension;
    std::string filter;
  };

  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
    std::lock_guard lock(mutex_);
    messages_.push_back({text, caption, icon});
  }

  using FileAnswerer = std::function<std::optional<std::string>(const FileRequest&)>;
  using FontAnswerer = std::function<std::optional<ChosenFont>()>;

  std::optional<std::string> ChooseFile(bool openForRead, const std::string& defaultExtension,
                                        const std::string& filter) override {
    const FileRequest request{openForRead, defaultExtension, filter};
    FileAnswerer answerer;
    {
      std::lock_guard lock(mutex_);
      fileRequests_.push_back(request);
      if (!fileAnswers_.empty()) {
        std::optional<std::string> answer = fileAnswers_.front();
        fileAnswers_.pop_front();
        return answer;
      }
      answerer = fileAnswerer_;
    }
    return answerer ? answerer(request) : std::nullopt;
  }

  std::optional<ChosenFont> ChooseFont() override {
    FontAnswerer answerer;
    {
      std::lock_guard lock(mutex_);
      if (!fontAnswers_.empty()) {
        ChosenFont answer = fontAnswers_.front();
        fontAnswers_.pop_front();
        return answer;
      }
      answerer = fontAnswerer_;
    }
    return answerer ? answerer() : std::nullopt;
  }

  // The next file dialog answers path (nothing = cancel).
  void AnswerFile(std::optional<std::string> path) {
    std::lock_guard lock(mutex_);
    fileAnswers_.push_back(std::move(path));
  }
  void AnswerFont(ChosenFont font) {
    std::lock_guard lock(mutex_);
    fontAnswers_.push_back(std::move(font));
  }

  // Answers the dialogs that find their queue empty (called without the lock held).
  void SetFileAnswerer(FileAnswerer answerer) {
    std::lock_guard lock(mutex_);
    fileAnswerer_ = std::move(answerer);
  }
  void SetFontAnswerer(FontAnswerer answerer) {
    std::lock_guard lock(mutex_);
    fontAnswerer_ = std::move(answerer);
  }

  std::vector<Message> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  std::vector<FileRequest> FileRequests() const {
    std::lock_guard lock(mutex_);
    return fileRequests_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
    fileRequests_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Message> messages_;
  std::vector<FileRequest> fileRequests_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::deque<ChosenFont> fontAnswers_;
  FileAnswerer fileAnswerer_;
  FontAnswerer fontAnswerer_;
};

}  // namespace nuvix
