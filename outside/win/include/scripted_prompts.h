// Prompts for tests: records every message box and answers the file and font
// dialogs from queues (an empty queue cancels).
#pragma once

#include <deque>
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

  std::optional<std::string> ChooseFile(bool openForRead, const std::string& defaultExtension,
                                        const std::string& filter) override {
    std::lock_guard lock(mutex_);
    fileRequests_.push_back({openForRead, defaultExtension, filter});
    if (fileAnswers_.empty()) return std::nullopt;
    std::optional<std::string> answer = fileAnswers_.front();
    fileAnswers_.pop_front();
    return answer;
  }

  std::optional<ChosenFont> ChooseFont() override {
    std::lock_guard lock(mutex_);
    if (fontAnswers_.empty()) return std::nullopt;
    ChosenFont answer = fontAnswers_.front();
    fontAnswers_.pop_front();
    return answer;
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
};

}  // namespace nuvix
