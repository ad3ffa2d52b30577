#include "Progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <mutex>

namespace {

constexpr int BarWidth = 30;
constexpr int FullPercent = 100;
constexpr auto ActivityRedraw = std::chrono::milliseconds(100);
constexpr double MillisecondsPerSecond = 1000.0;

// One line at a time, shared by the bar and the activity thread.
std::mutex LineMutex;
bool LineDrawn = false;
TActivityLine* ActiveActivity = nullptr;

void DrawLine(const std::string& text) {
  std::lock_guard<std::mutex> lock(LineMutex);
  std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
  std::fflush(stderr);
  LineDrawn = true;
}

void EraseLine() {
  std::lock_guard<std::mutex> lock(LineMutex);
  if (!LineDrawn) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  LineDrawn = false;
}

}  // namespace

std::string ProgressBarText(const std::string& label, uint64_t done, uint64_t total) {
  const uint64_t clamped = done > total ? total : done;
  const int percent = total == 0 ? FullPercent : static_cast<int>(clamped * FullPercent / total);
  const int filled = percent * BarWidth / FullPercent;
  std::string text = label + " [";
  text.append(static_cast<size_t>(filled), '#');
  text.append(static_cast<size_t>(BarWidth - filled), ' ');
  char tail[16];
  std::snprintf(tail, sizeof tail, "] %3d%%", percent);
  return text + tail;
}

bool ProgressShown() {
  static const bool shown = isatty(STDERR_FILENO) == 1;
  return shown;
}

TProgressBar::TProgressBar(const std::string& label, uint64_t total) : label_(label), total_(total) {
  Update(0);
}

TProgressBar::~TProgressBar() {
  if (ProgressShown()) EraseLine();
}

void TProgressBar::Update(uint64_t done) {
  if (!ProgressShown()) return;
  const uint64_t clamped = done > total_ ? total_ : done;
  const int percent = total_ == 0 ? FullPercent : static_cast<int>(clamped * FullPercent / total_);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  DrawLine(ProgressBarText(label_, done, total_));
}

TActivityLine::TActivityLine(const std::string& label) : label_(label) {
  if (!ProgressShown()) return;
  ActiveActivity = this;
  thread_ = std::thread([this] {
    const auto start = std::chrono::steady_clock::now();
    while (!stop_.load()) {
      const auto elapsed =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, " %.1f s", static_cast<double>(elapsed) / MillisecondsPerSecond);
      DrawLine(label_ + seconds);
      std::this_thread::sleep_for(ActivityRedraw);
    }
  });
}

TActivityLine::~TActivityLine() { Stop(); }

void TActivityLine::Stop() {
  if (thread_.joinable()) {
    stop_.store(true);
    thread_.join();
    EraseLine();
  }
  if (ActiveActivity == this) ActiveActivity = nullptr;
}

void ClearProgress() {
  if (ActiveActivity != nullptr) ActiveActivity->Stop();
  EraseLine();
}
