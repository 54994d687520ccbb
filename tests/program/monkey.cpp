#include "monkey.h"

#include <execinfo.h>
#include <pthread.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <fstream>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>

#include "broken_recordings.h"
#include "control_ids.h"
#include "fixg_ctrl.h"
#include "nuvix_sdk_dlg.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"
#include "scripted_prompts.h"
#include "tab_dialog.h"
#include "tab_factory.h"
#include "timing.h"

// The sanitizers' own, present only in a sanitized build.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

namespace fs = std::filesystem;

// ---- Random choices ----

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

uint64_t HashText(const std::string& text) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char c : text) hash = (hash ^ c) * 0x100000001B3ull;
  return hash;
}

uint64_t Salted(uint64_t seed, const std::string& salt) { return Mix(seed ^ HashText(salt)); }

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() { return Mix(state_++ * 0x9E3779B97F4A7C15ull); }
  uint32_t Below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(Next() % n); }
  int Between(int low, int high) { return low + static_cast<int>(Below(static_cast<uint32_t>(high - low + 1))); }
  bool Chance(double p) { return static_cast<double>(Next() >> 11) * 0x1.0p-53 < p; }
  template <typename T, size_t N>
  const T& Of(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  uint64_t state_;
};

// A choice among candidates of different weights where each candidate draws
// its own number from the seed and its key: candidates that would not have
// won may come and go (a button enabled a moment later) without changing it.
template <typename T>
struct Candidate {
  std::string key;
  double weight;
  T value;
};

template <typename T>
const Candidate<T>* Choose(uint64_t seed, const std::vector<Candidate<T>>& candidates) {
  const Candidate<T>* best = nullptr;
  double bestScore = std::numeric_limits<double>::infinity();
  for (const Candidate<T>& candidate : candidates) {
    const double unit = (static_cast<double>(Salted(seed, candidate.key) >> 11) + 0.5) * 0x1.0p-53;
    const double score = -std::log(unit) / candidate.weight;
    if (score < bestScore) {
      bestScore = score;
      best = &candidate;
    }
  }
  return best;
}

// ---- Hands: real input events sent to the widgets ----

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

void Press(QWidget* widget, QPoint at, Qt::MouseButton button) {
  SendMouse(widget, QEvent::MouseButtonPress, at, button, button);
}

void Release(QWidget* widget, QPoint at, Qt::MouseButton button) {
  SendMouse(widget, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

void Wheel(QWidget* widget, QPoint at, int delta) {
  QWheelEvent event(QPointF(at), QPointF(widget->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &event);
}

// A key pressed and let go; the press may delete the widget.
void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  const QPointer<QWidget> widget(target);
  if (!widget) return;
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(widget, &press);
  if (!widget) return;
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(widget, &release);
}

// The key a character is typed with (Qt's key codes are Latin-1's upper case).
int KeyOf(QChar c) {
  const QChar upper = c.toUpper();
  return upper.unicode() < 0x100 ? upper.unicode() : static_cast<int>(Qt::Key_unknown);
}

QPoint PointIn(const QRect& rect, Rng& rng) {
  return {rect.left() + static_cast<int>(rng.Below(std::max(rect.width(), 1))),
          rect.top() + static_cast<int>(rng.Below(std::max(rect.height(), 1)))};
}

std::string PointText(QPoint at) { return "(" + std::to_string(at.x()) + "," + std::to_string(at.y()) + ")"; }

// QSlider keeps the option its style draws with to itself.
struct SliderStyle : QSlider {
  using QSlider::initStyleOption;
};

QRect HandleRect(QSlider* slider) {
  QStyleOptionSlider option;
  (slider->*(&SliderStyle::initStyleOption))(&option);
  return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
}

// The point a fraction of the way along the slider's groove.
QPoint AlongSlider(QSlider* slider, double fraction) {
  const QRect r = slider->rect();
  if (slider->orientation() == Qt::Horizontal) return {r.left() + static_cast<int>(fraction * r.width()), r.center().y()};
  return {r.center().x(), r.top() + static_cast<int>(fraction * r.height())};
}

// ---- Controls of the main dialog and the shown tab ----

enum class Kind { kButton, kSlider, kGrid, kEdit, kCombo };

std::optional<Kind> KindOf(QWidget* widget) {
  if (qobject_cast<nuvix::CFixGCtrl*>(widget)) return Kind::kGrid;
  if (qobject_cast<QAbstractButton*>(widget)) return Kind::kButton;
  if (qobject_cast<QSlider*>(widget)) return Kind::kSlider;
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->isReadOnly() ? std::nullopt : std::optional(Kind::kEdit);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
    return edit->isReadOnly() ? std::nullopt : std::optional(Kind::kEdit);
  if (qobject_cast<QComboBox*>(widget)) return Kind::kCombo;
  return std::nullopt;
}

bool InsideTab(const QWidget* widget, const QWidget* top) {
  for (const QWidget* w = widget->parentWidget(); w && w != top; w = w->parentWidget())
    if (qobject_cast<const CTabDialog*>(w)) return true;
  return false;
}

// The control's id (its object name), or its parent's id and its class.
std::string NameOf(const QWidget* widget) {
  if (!widget->objectName().isEmpty()) return widget->objectName().toStdString();
  const QWidget* parent = widget->parentWidget();
  return (parent ? parent->objectName().toStdString() : std::string()) + "." + widget->metaObject()->className();
}

bool IsTabButton(const QWidget* widget) {
  for (int id : main_ids::kTabButtons)
    if (widget->objectName() == QString::number(id)) return true;
  return false;
}

struct Control {
  QPointer<QWidget> widget;
  std::string label;  // scope, id and caption, for the action list
};

using Controls = std::vector<Candidate<Control>>;

// Shown, enabled controls of a kind: the main dialog's weigh less than the
// shown tab's, so the tab's work gets done between board changes, but for
// the tab buttons, so that every tab gets its turn.
class ControlFinder {
 public:
  explicit ControlFinder(CNuvixSdkDlg& dialog) : dialog_(dialog) {}

  Controls Find(Kind kind) const {
    Controls found;
    std::map<std::string, int> seen;
    Add(found, seen, kind, &dialog_, "main", 0.5);
    for (int tab = 0; tab < CNuvixSdkDlg::kTabCount; ++tab) {
      CTabDialog* shown = dialog_.Tab(tab);
      if (!shown || !shown->isVisible()) continue;
      Add(found, seen, kind, shown, dialog_.ItemAs<QAbstractButton>(main_ids::kTabButtons[tab])->text().toStdString(),
          1.0);
    }
    return found;
  }

 private:
  void Add(Controls& found, std::map<std::string, int>& seen, Kind kind, QWidget* scope, const std::string& scopeName,
           double weight) const {
    for (QWidget* widget : scope->findChildren<QWidget*>()) {
      if (KindOf(widget) != kind || !widget->isVisible() || !widget->isEnabled()) continue;
      if (scope == &dialog_ && InsideTab(widget, scope)) continue;
      std::string key = scopeName + "/" + NameOf(widget);
      if (const int n = seen[key]++; n > 0) key += "#" + std::to_string(n);
      std::string label = key;
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) label += " \"" + button->text().toStdString() + "\"";
      found.push_back({key, IsTabButton(widget) ? 4 * weight : weight, {widget, label}});
    }
  }

  CNuvixSdkDlg& dialog_;
};

// ---- Failures that end the process ----

// What a dying process prints about its run; set while a run is on.
struct FatalContext {
  uint64_t seed = 0;
  std::string replayBase;  // the replay command without its action count
  std::atomic<uint64_t> action{0};
  std::FILE* out = stdout;
};
FatalContext* g_fatal = nullptr;

void PrintFatal(const char* why) {
  if (!g_fatal) return;
  const uint64_t action = g_fatal->action.load();
  std::fprintf(g_fatal->out,
               "monkey: FAILED: %s during action #%llu (the actions so far are listed above); seed %llu\n"
               "monkey: replay: %s --actions %llu\n",
               why, static_cast<unsigned long long>(action), static_cast<unsigned long long>(g_fatal->seed),
               g_fatal->replayBase.c_str(), static_cast<unsigned long long>(action + 1));
  std::fflush(g_fatal->out);
}

void OnSanitizerDeath() { PrintFatal("a sanitizer report"); }

// The window thread's stack, printed from the signal the watchdog sends it
// (glibc's unwinder passes the signal frame; addr2line names the offsets).
void PrintStack(int) {
  void* frames[64];
  backtrace_symbols_fd(frames, backtrace(frames, 64), STDERR_FILENO);
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Milliseconds a thread has spent ready to run but waiting for a core, from
// the kernel's scheduler statistics (0 when it keeps none).
int64_t QueuedMs(const std::string& schedstat) {
  std::ifstream in(schedstat);
  int64_t runningNs = 0, waitingNs = 0;
  in >> runningNs >> waitingNs;
  return in ? waitingNs / 1000000 : 0;
}

// Watches the window thread: a timer on it beats every few milliseconds, and a
// thread of its own ends the process when the beat stops for longer than the
// stall limit, or when one action runs longer than the action limit (a nested
// loop waiting for input nobody gives), printing the window thread's stack.
// A pause counts the time the thread ran or waited, not the time it was ready
// but found no free core: a loaded machine is no fault of the program's.
class Watchdog {
 public:
  Watchdog(int stallLimitMs, int actionLimitMs)
      : stallLimitMs_(stallLimitMs),
        actionLimitMs_(actionLimitMs),
        schedstat_("/proc/self/task/" + std::to_string(gettid()) + "/schedstat"),
        window_(pthread_self()) {
    Rebase();
    beat_.setInterval(kBeatMs);
    QObject::connect(&beat_, &QTimer::timeout, [this] { Beat(); });
    beat_.start();
    std::signal(SIGUSR2, &PrintStack);
    thread_ = std::thread([this] { Watch(); });
  }
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::signal(SIGUSR2, SIG_DFL);
  }

  void ActionBegins() { actionStart_ = NowMs(); }
  void ActionEnds() { actionStart_ = -1; }
  // The monkey's own long work (reading recordings through) is no stall of the program's.
  void OwnWorkBegins() { ownWork_ = true; }
  void OwnWorkEnds() {
    Rebase();
    ownWork_ = false;
  }
  int64_t LongestStallMs() const { return longestStall_; }
  int64_t LongestWallStallMs() const { return longestWall_; }
  uint64_t LongestStallAction() const { return longestStallAction_; }

 private:
  static constexpr int kBeatMs = 10;

  void Rebase() {
    lastBeat_ = NowMs();
    lastBeatQueued_ = QueuedMs(schedstat_);
  }

  void Beat() {
    const int64_t now = NowMs(), queued = QueuedMs(schedstat_);
    const int64_t wall = now - lastBeat_.exchange(now);
    const int64_t pause = wall - (queued - lastBeatQueued_.exchange(queued));
    if (ownWork_) return;
    longestWall_ = std::max(longestWall_, wall);
    if (pause <= longestStall_) return;
    longestStall_ = pause;
    longestStallAction_ = g_fatal ? g_fatal->action.load() : 0;
  }

  void Watch() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return stop_; })) {
      if (ownWork_) continue;
      const int64_t now = NowMs(), started = actionStart_.load();
      const int64_t pause = (now - lastBeat_.load()) - (QueuedMs(schedstat_) - lastBeatQueued_.load());
      if (pause > stallLimitMs_) Die("the window thread stopped turning");
      if (started >= 0 && now - started > actionLimitMs_) Die("an action did not return");
    }
  }

  [[noreturn]] void Die(const char* why) {
    PrintFatal(why);
    std::fprintf(stderr, "monkey: the window thread's stack:\n");
    pthread_kill(window_, SIGUSR2);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::_Exit(3);
  }

  const int stallLimitMs_, actionLimitMs_;
  const std::string schedstat_;  // the window thread's
  const pthread_t window_;
  QTimer beat_;
  std::atomic<int64_t> lastBeat_{0}, lastBeatQueued_{0};
  std::atomic<int64_t> actionStart_{-1};
  std::atomic<bool> ownWork_{false};
  int64_t longestStall_ = 0, longestWall_ = 0;  // window thread
  uint64_t longestStallAction_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

// ---- The run ----

// The driver's functions, read from its header.
std::vector<std::string> DriverFunctions(const fs::path& header) {
  std::ifstream in(header);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string declaration = "NUVIXI_RESULT NUVIXI_";
  std::vector<std::string> names;
  for (size_t at = text.find(declaration); at != std::string::npos; at = text.find(declaration, at)) {
    at += declaration.size();
    const size_t end = text.find('(', at);
    if (end != std::string::npos) names.push_back(text.substr(at, end - at));
  }
  return names;
}

constexpr uint32_t kFaultCodes[] = {NUVIXI_ERR_LOCAL_BUS,    NUVIXI_ERR_INVALID_ARGUMENT, NUVIXI_ERR_NOT_OPEN,
                                    NUVIXI_ERR_ESCAPED,      NUVIXI_ERR_MALLOC,           NUVIXI_ERR_NOT_STARTED,
                                    NUVIXI_ERR_IIC_LOCAL_BUS, NUVIXI_TIMEOUT};

constexpr const char* kTextPools[] = {"0123456789", "0123456789ABCDEFabcdef",
                                      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789",
                                      " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"};
const QString kOddCharacters = QStringLiteral("\u00E9\u00DF\u00FF\u20AC\u6F22\u0416\u00A0");

QString RandomText(Rng& rng) {
  const int shape = rng.Between(0, 99);
  const int length = shape < 70 ? rng.Between(1, 8) : shape < 90 ? rng.Between(9, 40)
                     : shape < 98 ? rng.Between(41, 300) : rng.Between(2000, 40000);
  const QString pool = QString::fromLatin1(rng.Of(kTextPools));
  const bool odd = rng.Chance(0.1);
  QString text;
  for (int i = 0; i < length; ++i)
    text += odd && rng.Chance(0.3) ? kOddCharacters[rng.Below(kOddCharacters.size())] : pool[rng.Below(pool.size())];
  return text;
}

struct Action {
  std::string kind;
  std::string text;
  std::function<void()> perform;
};

class MonkeyRun {
 public:
  explicit MonkeyRun(const MonkeyOptions& options)
      : options_(options), functions_(options.faults ? DriverFunctions(options.driverHeader) : std::vector<std::string>{}) {
    report_.seed = options.seed;
  }

  MonkeyReport Go();

 private:
  using Maker = std::optional<Action> (MonkeyRun::*)(uint64_t seed);
  struct KindSpec {
    const char* name;
    double weight;
    Maker make;
  };
  static const KindSpec kKinds[];

  bool Finished(uint64_t index) const;
  Action ChooseAction(uint64_t seed);
  void Take(uint64_t index, Action& action);
  void AfterAction();

  std::optional<Action> Click(uint64_t seed);
  std::optional<Action> Grid(uint64_t seed);
  std::optional<Action> Slide(uint64_t seed);
  std::optional<Action> Type(uint64_t seed);
  std::optional<Action> Combo(uint64_t seed);
  std::optional<Action> Wait(uint64_t seed);
  std::optional<Action> Fault(uint64_t seed);
  std::optional<Action> Camera(uint64_t seed);
  std::optional<Action> Plug(uint64_t seed);
  std::optional<Action> Restart(uint64_t seed);

  std::optional<std::string> AnswerFile(const nuvix::ScriptedPrompts::FileRequest& request);
  std::optional<nuvix::ChosenFont> AnswerFont();
  std::vector<std::string> ScratchFiles() const;

  void StartProgram();
  void EndProgram();
  void PlugBoards(const std::string& list);
  void CheckRecordings();
  void KeepDiskBudget();
  void Fail(const std::string& why);
  void PrintSummary() const;

  const MonkeyOptions& options_;
  const std::vector<std::string> functions_;
  MonkeyReport report_;
  std::shared_ptr<nuvix::ScriptedPrompts> prompts_ = std::make_shared<nuvix::ScriptedPrompts>();
  std::unique_ptr<CNuvixSdkDlg> dialog_;
  std::unique_ptr<Watchdog> watchdog_;
  std::string boards_;
  Rng promptRng_{0};
  bool boardWasOpen_ = false;
  std::chrono::steady_clock::time_point start_;
};

const MonkeyRun::KindSpec MonkeyRun::kKinds[] = {
    {"click", 40, &MonkeyRun::Click}, {"grid", 20, &MonkeyRun::Grid},     {"slide", 6, &MonkeyRun::Slide},
    {"type", 8, &MonkeyRun::Type},    {"combo", 3, &MonkeyRun::Combo},    {"wait", 4, &MonkeyRun::Wait},
    {"fault", 3, &MonkeyRun::Fault},  {"camera", 1, &MonkeyRun::Camera}, {"plug", 2, &MonkeyRun::Plug},
    {"restart", 1, &MonkeyRun::Restart},
};

MonkeyReport MonkeyRun::Go() {
  FatalContext fatal;
  fatal.seed = options_.seed;
  fatal.replayBase = ReplayCommand(options_, 0);
  fatal.replayBase.resize(fatal.replayBase.rfind(" --actions"));
  fatal.out = options_.out;
  g_fatal = &fatal;
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(&OnSanitizerDeath);
  std::fprintf(options_.out, "monkey: seed %llu; replay: %s\n", static_cast<unsigned long long>(options_.seed),
               fatal.replayBase.c_str());
  if (options_.faults && functions_.empty())
    std::fprintf(options_.out, "monkey: no driver functions in %s: no faults injected\n", options_.driverHeader.c_str());

  QApplication::setQuitOnLastWindowClosed(false);  // the monkey ends the program and starts it again
  fs::remove_all(options_.scratch);
  fs::create_directories(options_.scratch);
  prompts_->SetFileAnswerer([this](const nuvix::ScriptedPrompts::FileRequest& r) { return AnswerFile(r); });
  prompts_->SetFontAnswerer([this] { return AnswerFont(); });
  const std::shared_ptr<nuvix::Prompts> previousPrompts = nuvix::InstallPrompts(prompts_);
  NUVIXI_SIM_Reset();
  PlugBoards(options_.boardLists.front());
  StartProgram();
  start_ = std::chrono::steady_clock::now();
  watchdog_ = std::make_unique<Watchdog>(options_.stallLimitMs, options_.actionLimitMs);
  for (uint64_t index = 0; !Finished(index) && report_.failures.empty(); ++index) {
    fatal.action = index;
    Action action = ChooseAction(Mix(options_.seed ^ Mix(index)));
    watchdog_->ActionBegins();
    Take(index, action);
    watchdog_->ActionEnds();
    AfterAction();
  }
  EndProgram();
  report_.longestStallMs = watchdog_->LongestStallMs();
  report_.longestWallStallMs = watchdog_->LongestWallStallMs();
  report_.longestStallAction = watchdog_->LongestStallAction();
  watchdog_.reset();
  report_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  nuvix::InstallPrompts(previousPrompts);
  NUVIXI_SIM_Reset();
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(nullptr);
  g_fatal = nullptr;
  if (report_.failures.empty()) fs::remove_all(options_.scratch);
  PrintSummary();
  return report_;
}

bool MonkeyRun::Finished(uint64_t index) const {
  if (options_.actions > 0) return index >= options_.actions;
  return std::chrono::steady_clock::now() - start_ >= std::chrono::duration<double>(options_.seconds);
}

// The kinds in the order of their draw for this action; the first that has
// something to act on is taken (waiting always has).
Action MonkeyRun::ChooseAction(uint64_t seed) {
  std::vector<Candidate<Maker>> kinds;
  for (const KindSpec& kind : kKinds) kinds.push_back({kind.name, kind.weight, kind.make});
  promptRng_ = Rng(Salted(seed, "prompts"));
  while (!kinds.empty()) {
    const Candidate<Maker>* chosen = Choose(seed, kinds);
    if (std::optional<Action> action = (this->*chosen->value)(Salted(seed, chosen->key))) return *action;
    kinds.erase(kinds.begin() + (chosen - kinds.data()));
  }
  return {"wait", "nothing to act on", [] {}};
}

void MonkeyRun::Take(uint64_t index, Action& action) {
  const double at = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  std::fprintf(options_.out, "monkey #%llu %.3fs %s: %s\n", static_cast<unsigned long long>(index), at,
               action.kind.c_str(), action.text.c_str());
  std::fflush(options_.out);
  report_.actionList.push_back(action.kind + ": " + action.text);
  ++report_.kinds[action.kind];
  ++report_.actions;
  action.perform();
}

void MonkeyRun::AfterAction() {
  PumpWait(static_cast<uint32_t>(options_.settleMs));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  report_.messages += prompts_->Messages().size();
  prompts_->Clear();
  if (!dialog_->isVisible()) {
    // Ended by the keyboard (Escape or Enter in the main dialog): the program
    // ends, and the monkey starts it again.
    std::fprintf(options_.out, "monkey: the main dialog ended; the program starts again\n");
    EndProgram();
    PlugBoards(boards_);
    StartProgram();
  }
  const bool open = dialog_->IsBoardOpen();
  if (open && !boardWasOpen_) ++report_.boardOpens;
  if (!open && boardWasOpen_) CheckRecordings();
  boardWasOpen_ = open;
  if (report_.actions % 32 == 0) KeepDiskBudget();
}

// ---- The kinds of action ----

std::optional<Action> MonkeyRun::Click(uint64_t seed) {
  const Controls buttons = ControlFinder(*dialog_).Find(Kind::kButton);
  const Candidate<Control>* chosen = Choose(seed, buttons);
  if (!chosen) return std::nullopt;
  Rng rng(seed);
  QPointer<QWidget> button = chosen->value.widget;
  if (rng.Below(5) == 0)
    return Action{"click", chosen->value.label + " by the space bar", [button] { Key(button, Qt::Key_Space, {}, " "); }};
  const QPoint at = PointIn(button->rect(), rng);
  return Action{"click", chosen->value.label + " at " + PointText(at), [button, at] {
                  Press(button, at, Qt::LeftButton);
                  if (button) Release(button, at, Qt::LeftButton);
                }};
}

// A press, a right press, a press held for a while (the grid repeats it), a
// double click or a wheel turn over an active cell.
std::optional<Action> MonkeyRun::Grid(uint64_t seed) {
  const Controls grids = ControlFinder(*dialog_).Find(Kind::kGrid);
  const Candidate<Control>* chosenGrid = Choose(seed, grids);
  if (!chosenGrid) return std::nullopt;
  QPointer<nuvix::CFixGCtrl> grid = qobject_cast<nuvix::CFixGCtrl*>(chosenGrid->value.widget);
  std::vector<Candidate<QPoint>> cells;
  for (int row = 0; row < grid->Rows(); ++row)
    for (int column = 0; column < grid->Columns(); ++column)
      if (grid->CellActive(column, row) && !(grid->CellFlags(column, row) & nuvix::kCellInactive))
        cells.push_back({std::to_string(column) + "," + std::to_string(row), 1.0, QPoint(column, row)});
  const Candidate<QPoint>* chosenCell = Choose(Salted(seed, "cell"), cells);
  if (!chosenCell) return std::nullopt;
  const QPoint cell = chosenCell->value;
  Rng rng(seed);
  const int gesture = rng.Between(0, 99);
  const Qt::MouseButton button = rng.Chance(0.7) ? Qt::LeftButton : Qt::RightButton;
  const int notches = rng.Between(1, 3) * (rng.Chance(0.5) ? 1 : -1);
  const int holdMs = rng.Between(150, 1200);
  const char* buttonName = button == Qt::LeftButton ? "left" : "right";
  std::string text = chosenGrid->value.label + " cell " + PointText(cell) + " ";
  if (gesture < 55) text += std::string(buttonName) + " press";
  else if (gesture < 80) text += "wheel " + std::to_string(notches * 120);
  else if (gesture < 94) text += std::string(buttonName) + " press held " + std::to_string(holdMs) + " ms";
  else text += "double click";
  return Action{"grid", text, [grid, cell, gesture, button, notches, holdMs] {
                  // The table scrolls the cell into view first, as a user would.
                  const QRect rect = grid->CellRect(cell.x(), cell.y());
                  const QSize visible = grid->VisibleSize();
                  if (rect.right() >= grid->ScrollPos().x() + visible.width() || rect.left() < grid->ScrollPos().x())
                    grid->horizontalScrollBar()->setValue(rect.left());
                  if (rect.bottom() >= grid->ScrollPos().y() + visible.height() || rect.top() < grid->ScrollPos().y())
                    grid->verticalScrollBar()->setValue(rect.top());
                  const QPoint at = rect.center() - grid->ScrollPos();
                  QWidget* view = grid->viewport();
                  SendMouse(view, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
                  if (gesture >= 55 && gesture < 80) return Wheel(view, at, notches * 120);
                  Press(view, at, button);
                  if (gesture >= 80 && gesture < 94) PumpWait(static_cast<uint32_t>(holdMs));
                  if (!grid) return;
                  Release(view, at, button);
                  if (gesture < 94 || !grid) return;
                  SendMouse(view, QEvent::MouseButtonDblClick, at, button, button);
                  if (grid) Release(view, at, button);
                }};
}

// A drag of the handle, a press on the groove, a key or a wheel turn.
std::optional<Action> MonkeyRun::Slide(uint64_t seed) {
  const Controls sliders = ControlFinder(*dialog_).Find(Kind::kSlider);
  const Candidate<Control>* chosen = Choose(seed, sliders);
  if (!chosen) return std::nullopt;
  QPointer<QSlider> slider = qobject_cast<QSlider*>(chosen->value.widget);
  Rng rng(seed);
  const int gesture = rng.Between(0, 99);
  std::vector<double> path(rng.Between(1, 4));
  for (double& stop : path) stop = rng.Below(1001) / 1000.0;
  constexpr int kKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
  const int key = rng.Of(kKeys);
  const int delta = rng.Chance(0.5) ? 120 : -120;
  std::string text = chosen->value.label;
  if (gesture < 45) {
    text += " dragged through";
    for (double stop : path) text += " " + std::to_string(static_cast<int>(stop * 100)) + "%";
  } else if (gesture < 65) {
    text += " pressed at " + std::to_string(static_cast<int>(path.front() * 100)) + "%";
  } else if (gesture < 85) {
    text += " key " + QKeySequence(key).toString().toStdString();
  } else {
    text += " wheel " + std::to_string(delta);
  }
  return Action{"slide", text, [slider, gesture, path, key, delta] {
                  if (gesture >= 85) return Wheel(slider, slider->rect().center(), delta);
                  if (gesture >= 65) return Key(slider, key);
                  const QPoint from = gesture < 45 ? HandleRect(slider).center() : AlongSlider(slider, path.front());
                  Press(slider, from, Qt::LeftButton);
                  QPoint at = from;
                  for (double stop : path) {
                    if (!slider || gesture >= 45) break;
                    at = AlongSlider(slider, stop);
                    SendMouse(slider, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
                  }
                  if (slider) Release(slider, at, Qt::LeftButton);
                }};
}

// Typing into an edit, sometimes after clearing it, sometimes a long paste,
// sometimes ended by Enter or Escape (which reach the dialog).
std::optional<Action> MonkeyRun::Type(uint64_t seed) {
  const Controls edits = ControlFinder(*dialog_).Find(Kind::kEdit);
  const Candidate<Control>* chosen = Choose(seed, edits);
  if (!chosen) return std::nullopt;
  QPointer<QWidget> edit = chosen->value.widget;
  Rng rng(seed);
  const bool clear = rng.Chance(0.4);
  const QString text = RandomText(rng);
  const int ending = rng.Between(0, 99);
  const int endKey = ending < 8 ? Qt::Key_Return : ending < 11 ? Qt::Key_Escape : 0;
  std::string description = chosen->value.label + (clear ? " cleared," : "") + " " + std::to_string(text.size()) +
                            " characters \"" + text.left(40).toStdString() + (text.size() > 40 ? "...\"" : "\"");
  if (endKey) description += endKey == Qt::Key_Return ? " then Enter" : " then Escape";
  return Action{"type", description, [edit, clear, text, endKey] {
                  if (clear) {
                    Key(edit, Qt::Key_A, Qt::ControlModifier);
                    Key(edit, Qt::Key_Backspace);
                  }
                  if (text.size() > 300) {  // pasted
                    if (auto* line = qobject_cast<QLineEdit*>(edit)) line->insert(text);
                    else if (auto* box = qobject_cast<QPlainTextEdit*>(edit)) box->insertPlainText(text);
                  } else {
                    // Typed, so the window turns between two keys as it does for a person typing.
                    for (QChar c : text) {
                      if (edit) Key(edit, KeyOf(c), Qt::NoModifier, QString(c));
                      QCoreApplication::processEvents();
                    }
                  }
                  if (endKey && edit) Key(edit, endKey);
                }};
}

std::optional<Action> MonkeyRun::Combo(uint64_t seed) {
  const Controls combos = ControlFinder(*dialog_).Find(Kind::kCombo);
  const Candidate<Control>* chosen = Choose(seed, combos);
  if (!chosen) return std::nullopt;
  QPointer<QWidget> combo = chosen->value.widget;
  Rng rng(seed);
  constexpr int kKeys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown};
  const int key = rng.Of(kKeys);
  return Action{"combo", chosen->value.label + " key " + QKeySequence(key).toString().toStdString(),
                [combo, key] { Key(combo, key); }};
}

std::optional<Action> MonkeyRun::Wait(uint64_t seed) {
  const int ms = Rng(seed).Between(100, 2000);
  return Action{"wait", std::to_string(ms) + " ms", [ms] { PumpWait(static_cast<uint32_t>(ms)); }};
}

std::optional<Action> MonkeyRun::Fault(uint64_t seed) {
  if (functions_.empty()) return std::nullopt;
  Rng rng(seed);
  const std::string function = functions_[rng.Below(static_cast<uint32_t>(functions_.size()))];
  const uint32_t code = rng.Of(kFaultCodes);
  char text[128];
  std::snprintf(text, sizeof text, "the next %s returns %X", function.c_str(), code);
  ++report_.faults;
  return Action{"fault", text, [function, code] { NUVIXI_SIM_FailNext(function.c_str(), code); }};
}

std::optional<Action> MonkeyRun::Camera(uint64_t seed) {
  if (!dialog_->IsBoardOpen()) return std::nullopt;
  Rng rng(seed);
  const auto board = static_cast<uint32_t>(dialog_->BoardIndex());
  const uint32_t channel = rng.Below(32);
  const bool present = rng.Chance(0.5);
  return Action{"camera",
                "channel " + std::to_string(channel) + (present ? " gets its camera back" : " loses its camera"),
                [board, channel, present] { NUVIXI_SIM_SetCameraSignal(board, channel, present ? 1 : 0); }};
}

// Another set of boards while none is open; the dialog keeps what its search found.
std::optional<Action> MonkeyRun::Plug(uint64_t seed) {
  if (dialog_->IsBoardOpen()) return std::nullopt;
  const std::string list = options_.boardLists[Rng(seed).Below(static_cast<uint32_t>(options_.boardLists.size()))];
  return Action{"plug", "boards " + list, [this, list] { PlugBoards(list); }};
}

// The program ends (whatever is open) and starts again on a set of boards.
std::optional<Action> MonkeyRun::Restart(uint64_t seed) {
  const std::string list = options_.boardLists[Rng(seed).Below(static_cast<uint32_t>(options_.boardLists.size()))];
  return Action{"restart", "the program ends and starts again on boards " + list, [this, list] {
                  EndProgram();
                  PlugBoards(list);
                  StartProgram();
                }};
}

// ---- Answers to the file and font dialogs ----

std::vector<std::string> MonkeyRun::ScratchFiles() const {
  std::vector<std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(options_.scratch))
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::optional<std::string> MonkeyRun::AnswerFile(const nuvix::ScriptedPrompts::FileRequest& request) {
  ++report_.filesAnswered;
  Rng& rng = promptRng_;
  if (rng.Chance(0.15)) return std::nullopt;
  const std::vector<std::string> files = ScratchFiles();
  const int shape = rng.Between(0, 99);
  const fs::path& dir = options_.scratch;
  if (!files.empty() && (request.openForRead ? shape < 65 : shape < 10))
    return files[rng.Below(static_cast<uint32_t>(files.size()))];  // an existing file, perhaps in use
  if (shape < 80) {
    std::string name = "m" + std::to_string(rng.Below(5));
    if (rng.Chance(0.5)) name += "." + request.defaultExtension;
    return (dir / name).string();
  }
  if (shape < 88) return (dir / "missing" / "m").string();
  if (shape < 94) return dir.string();  // a folder
  return (dir / ("k\u00E4se \u20AC " + std::to_string(rng.Below(3)))).string();
}

std::optional<nuvix::ChosenFont> MonkeyRun::AnswerFont() {
  Rng& rng = promptRng_;
  if (rng.Chance(0.3)) return std::nullopt;
  const std::string faces[] = {"DejaVu Sans", "Liberation Sans", "", "No Such Font", std::string(300, 'W')};
  return nuvix::ChosenFont{.faceName = rng.Of(faces),
                           .height = rng.Between(0, 200),
                           .weight = rng.Between(0, 1000),
                           .italic = rng.Chance(0.5)};
}

// ---- The program, the boards and the checks ----

void MonkeyRun::StartProgram() {
  dialog_ = std::make_unique<CNuvixSdkDlg>(&MakeTab);
  dialog_->show();
  boardWasOpen_ = false;
  ++report_.restarts;
}

void MonkeyRun::EndProgram() {
  const bool wasOpen = dialog_->IsBoardOpen() || boardWasOpen_;
  dialog_.reset();
  if (wasOpen) CheckRecordings();
  boardWasOpen_ = false;
}

// A program that ends leaves no board open at the driver (the process is
// gone), so a new set of boards is plugged in every time it starts.
void MonkeyRun::PlugBoards(const std::string& list) {
  if (NUVIXI_SIM_SetBoardsFromText(list.c_str()) != 0) Fail("the simulator does not take the boards " + list);
  boards_ = list;
  NUVIXI_SIM_ClearJournal();
}

void MonkeyRun::CheckRecordings() {
  ++report_.recordingChecks;
  const QDir dir(QString::fromStdString(options_.scratch.string()));
  report_.recordingsChecked += dir.entryList({QStringLiteral("*.MJP"), QStringLiteral("*.PCM")}, QDir::Files).size();
  if (watchdog_) watchdog_->OwnWorkBegins();
  const std::vector<std::string> broken = BrokenRecordings(dir);
  if (watchdog_) watchdog_->OwnWorkEnds();
  for (const std::string& file : broken) Fail("a recording with a half record: " + file);
}

// Recordings of long runs are removed, largest first, while no board is open;
// a session that writes too much is ended.
void MonkeyRun::KeepDiskBudget() {
  constexpr uintmax_t kBudget = 1ull << 30;
  std::vector<std::pair<uintmax_t, fs::path>> files;
  uintmax_t total = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(options_.scratch)) {
    if (!entry.is_regular_file()) continue;
    files.emplace_back(entry.file_size(), entry.path());
    total += files.back().first;
  }
  if (total <= kBudget) return;
  std::fprintf(options_.out, "monkey: %ju MB of files: the program ends and the largest go\n", total >> 20);
  EndProgram();
  std::sort(files.rbegin(), files.rend());
  for (const auto& [size, path] : files) {
    if (total <= kBudget / 4) break;
    fs::remove(path);
    total -= size;
  }
  PlugBoards(boards_);
  StartProgram();
}

void MonkeyRun::Fail(const std::string& why) {
  report_.failures.push_back(why);
  std::fprintf(options_.out, "monkey: FAILED: %s after action #%llu; seed %llu; the files are kept in %s\n"
                             "monkey: replay: %s\n",
               why.c_str(), static_cast<unsigned long long>(report_.actions ? report_.actions - 1 : 0),
               static_cast<unsigned long long>(options_.seed), options_.scratch.c_str(),
               ReplayCommand(options_, report_.actions).c_str());
  std::fflush(options_.out);
}

void MonkeyRun::PrintSummary() const {
  std::string kinds;
  for (const auto& [kind, count] : report_.kinds) kinds += " " + kind + " " + std::to_string(count);
  std::fprintf(options_.out,
               "monkey: seed %llu: %llu actions in %.1f s (%.0f a minute); the window thread's longest pause %lld ms "
               "(action #%llu; %lld ms with the time it waited for a core)\n"
               "monkey: actions:%s\n"
               "monkey: program starts %llu, board opens %llu, faults injected %llu, message boxes %llu, file "
               "dialogs answered %llu, recording checks %llu (%llu files)\n"
               "monkey: %s\n",
               static_cast<unsigned long long>(report_.seed), static_cast<unsigned long long>(report_.actions),
               report_.seconds, report_.ActionsPerMinute(), static_cast<long long>(report_.longestStallMs),
               static_cast<unsigned long long>(report_.longestStallAction),
               static_cast<long long>(report_.longestWallStallMs),
               kinds.c_str(), static_cast<unsigned long long>(report_.restarts),
               static_cast<unsigned long long>(report_.boardOpens), static_cast<unsigned long long>(report_.faults),
               static_cast<unsigned long long>(report_.messages), static_cast<unsigned long long>(report_.filesAnswered),
               static_cast<unsigned long long>(report_.recordingChecks),
               static_cast<unsigned long long>(report_.recordingsChecked),
               report_.failures.empty() ? "PASS" : "FAILED");
  std::fflush(options_.out);
}

}  // namespace

MonkeyReport RunMonkey(const MonkeyOptions& options) { return MonkeyRun(options).Go(); }

std::optional<std::vector<std::string>> ParseBoardLists(const std::string& text) {
  std::vector<std::string> lists;
  for (size_t start = 0;; ) {
    const size_t end = std::min(text.find(';', start), text.size());
    if (end == start) return std::nullopt;
    lists.push_back(text.substr(start, end - start));
    if (end == text.size()) return lists;
    start = end + 1;
  }
}

std::string ReplayCommand(const MonkeyOptions& options, uint64_t actions) {
  std::string boards;
  for (const std::string& list : options.boardLists) boards += (boards.empty() ? "" : ";") + list;
  return "monkey --seed " + std::to_string(options.seed) + " --boards '" + boards + "'" +
         (options.faults ? "" : " --no-faults") + " --actions " + std::to_string(actions);
}
