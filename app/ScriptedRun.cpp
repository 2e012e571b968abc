// What every front end's scripted-run driver shares.
#include "app/ScriptedRun.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace vorn {

namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n\v\f");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n\v\f");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<ScriptSettings> ScriptSettingsFromEnvironment() {
  const std::optional<std::string> password = Variable("VORN_SCRIPT_PASSWORD");
  const std::optional<std::string> presses = Variable("VORN_SCRIPT_PRESS");
  const std::optional<std::string> screenshot = Variable("VORN_SCRIPT_SCREENSHOT");
  if (!password && !presses && !screenshot) return std::nullopt;
  ScriptSettings settings;
  settings.Password = password.value_or("");
  settings.Screenshot = screenshot.value_or("");
  const std::string list = presses.value_or("");
  for (size_t start = 0; start <= list.size();) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string name = TrimBlanks(list.substr(start, comma - start));
    if (!name.empty()) settings.Presses.push_back(std::move(name));
    start = comma + 1;
  }
  return settings;
}

void PrintScriptLine(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void PrintAnsweredBox(const std::string& caption, const std::string& text) {
  PrintScriptLine("[" + caption + "] " + text);
}

void RunScriptedPresses(TSetup_ZAV& window, const std::vector<std::string>& presses,
                        const std::function<void(TStepButton)>& click) {
  constexpr TStepButton clickable[] = {TStepButton::BtnAvanti, TStepButton::BtnDBE, TStepButton::BtnZAV,
                                       TStepButton::BtnAlias};
  for (const std::string& name : presses) {
    bool known = false;
    for (const TStepButton button : clickable) {
      if (name == ButtonName(button)) {
        known = true;
        click(button);
      }
    }
    // The hidden button cannot be clicked by a person; its handler runs the same way.
    if (name == ButtonName(TStepButton::AllineaVersione)) {
      known = true;
      window.StepButtonClicked(TStepButton::AllineaVersione);
    } else if (name == "Button3") {
      known = true;
      window.Button3Click();
    }
    if (!known) PrintScriptLine("scripted run: unknown button " + name);
    if (window.TerminateRequested()) break;
  }
  PrintScriptLine(window.LogText());
}

}  // namespace vorn
