#include "prompts.h"

#include <mutex>

namespace nuvix {
namespace {

class SilentPrompts final : public Prompts {
 public:
  void MessageBox(const std::string&, const std::string&, MessageIcon) override {}
  std::optional<std::string> ChooseFile(bool, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<ChosenFont> ChooseFont() override { return std::nullopt; }
};

std::mutex g_mutex;
std::shared_ptr<Prompts> g_prompts = std::make_shared<SilentPrompts>();

}  // namespace

Prompts& CurrentPrompts() {
  std::lock_guard lock(g_mutex);
  return *g_prompts;
}

std::shared_ptr<Prompts> InstallPrompts(std::shared_ptr<Prompts> prompts) {
  std::lock_guard lock(g_mutex);
  auto previous = g_prompts;
  g_prompts = prompts ? std::move(prompts) : std::make_shared<SilentPrompts>();
  return previous;
}

}  // namespace nuvix
