// A stand-in for the main window in the alignment's tests: it records every
// log line, bar movement, message box and event-processing call in one
// journal, so a test can check both what was shown and in which order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/UserInterface.h"

namespace vorn {

class RecordingProgressBar : public IProgressBar {
 public:
  RecordingProgressBar(std::string name, int32_t max, std::vector<std::string>& journal)
      : name_(std::move(name)), max_(max), journal_(journal) {}

  void SetMax(int32_t max) override {
    if (max < 0) throw EInvalidOperation("Property value out of range");
    max_ = max;
    busy_ = false;
    journal_.push_back(name_ + ".Max=" + std::to_string(max));
  }
  int32_t Max() const override { return max_; }
  void SetPosition(int32_t position) override {
    position_ = position;
    journal_.push_back(name_ + ".Position=" + std::to_string(position));
  }
  int32_t Position() const override { return position_; }
  void StepIt() override {
    ++position_;
    ++steps;
    journal_.push_back(name_ + ".StepIt");
  }
  void SetBusy() override { busy_ = true; }
  bool Busy() const override { return busy_; }

  int steps = 0;

 private:
  std::string name_;
  int32_t max_;
  int32_t position_ = 0;
  bool busy_ = false;
  std::vector<std::string>& journal_;
};

class RecordingUserInterface : public IUserInterface {
 public:
  // The log lines as the pane would show them, without the time stamp.
  std::vector<std::string> log;
  // Message boxes, as "Error: text" or "Information: text".
  std::vector<std::string> boxes;
  // Everything in order: "Log: ...", "Box: ...", "ProcessMessages", bar moves.
  std::vector<std::string> journal;
  int processMessagesCalls = 0;
  // Runs inside ProcessMessages, as a click the user makes at that moment would.
  std::function<void()> onProcessMessages;

  void AddLogLine(const std::string& text) override {
    log.push_back(text);
    journal.push_back("Log:" + text);
  }
  IProgressBar& Barrazza() override { return barrazza; }
  IProgressBar& BarrazzaTotale() override { return barrazzaTotale; }
  void SetStatusPanel(int index, const std::string& text) override { panels[index & 1] = text; }
  std::string StatusPanel(int index) const override { return panels[index & 1]; }
  void ShowMessageBox(MessageBoxKind kind, const std::string& text) override {
    std::string entry = (kind == MessageBoxKind::Error ? "Error: " : "Information: ") + text;
    boxes.push_back(entry);
    journal.push_back("Box:" + entry);
  }
  void ProcessMessages() override {
    ++processMessagesCalls;
    journal.push_back("ProcessMessages");
    if (onProcessMessages) {
      auto handler = std::move(onProcessMessages);
      onProcessMessages = nullptr;
      handler();
    }
  }
  void SetHourglass(bool) override {}

  RecordingProgressBar barrazza{"Barrazza", 100, journal};
  RecordingProgressBar barrazzaTotale{"BarrazzaTotale", 9, journal};

 private:
  std::string panels[2];
};

}  // namespace vorn
