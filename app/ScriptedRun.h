// Drives the program without a person, for scripts and tests only. It is
// switched on by environment variables, which the product never sets:
//   VORN_SCRIPT_PASSWORD    typed into the access dialog, then OK is pressed
//                           (without it, a scripted run presses "Annulla");
//   VORN_SCRIPT_PRESS       buttons pressed in order once the main window is
//                           up, separated by commas: BtnAvanti, BtnDBE,
//                           BtnZAV, BtnAlias, AllineaVersione, Button3;
//   VORN_SCRIPT_SCREENSHOT  a PNG file where the main window is saved after
//                           the presses.
// During a scripted run every message box is answered with OK and every other
// dialog with its default button (Enter), caption and text printed on
// standard output as "[CAPTION] TEXT"; an "Information" box is read for
// InformationReadingMs first, as a person would. After the last action the
// log pane is printed on standard output and the program ends.
//
// This is what every front end's driver shares; each toolkit finds and
// answers its own boxes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/V_Main.h"

namespace vorn {

struct ScriptSettings {
  std::string Password;
  std::vector<std::string> Presses;  // names as given, blanks trimmed, empty ones dropped
  std::string Screenshot;            // a host path; empty: no picture
};

// Null when no scripting variable is set.
std::optional<ScriptSettings> ScriptSettingsFromEnvironment();

constexpr int InformationReadingMs = 2000;

// Prints one line on standard output, flushed.
void PrintScriptLine(const std::string& text);
// "[CAPTION] TEXT" for an answered box.
void PrintAnsweredBox(const std::string& caption, const std::string& text);

// Runs the presses in order on the window: a step button through its click
// (click(button) as the front end does it for a person; the hidden
// AllineaVersione through StepButtonClicked), "Button3" through
// Button3Click; an unknown name prints "scripted run: unknown button NAME".
// Stops early once the program is asked to end. Then prints the log pane.
// The caller saves the picture and calls Terminate.
void RunScriptedPresses(TSetup_ZAV& window, const std::vector<std::string>& presses,
                        const std::function<void(TStepButton)>& click);

}  // namespace vorn
