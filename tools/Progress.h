// Progress on standard error while a long step runs, drawn only when
// standard error is a terminal; otherwise the command stays quiet. Each
// display rewrites one line and erases it when done. Host-only.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

// The text of the bar for done of total bytes, e.g.
// "compressing  [#####               ]  25%"; a total of 0 counts as done.
std::string ProgressBarText(const std::string& label, uint64_t done, uint64_t total);

// Whether standard error is a terminal, asked once.
bool ProgressShown();

// A bar for a step whose amount of work is known.
class TProgressBar {
 public:
  TProgressBar(const std::string& label, uint64_t total);
  // Erases the line.
  ~TProgressBar();
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;

  // Redraws when the whole percentage moved.
  void Update(uint64_t done);

 private:
  std::string label_;
  uint64_t total_;
  int lastPercent_ = -1;
};

// For a step that reports nothing while it runs (the launcher's decoder):
// the label and the seconds so far, redrawn by a thread of its own.
class TActivityLine {
 public:
  explicit TActivityLine(const std::string& label);
  // Stops the thread and erases the line.
  ~TActivityLine();
  TActivityLine(const TActivityLine&) = delete;
  TActivityLine& operator=(const TActivityLine&) = delete;

  void Stop();

 private:
  std::string label_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Stops whatever is drawn and erases its line, so that a message that ends
// the command starts at the beginning of a clean line.
void ClearProgress();
