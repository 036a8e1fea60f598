#pragma once

#include <functional>
#include <string>

#include "connections/Prompter.h"
#include "shell/CommandGate.h"
#include "shell/PathPicker.h"
#include "shell/RandomSource.h"
#include "shell/SkinLayer.h"
#include "shell/WebBrowser.h"

namespace shell {

// What both windows share: the prompt seam, the choosers, the browser, the random draw,
// the skin layer, the command gate, the program folder and the application title.
struct ShellServices {
  connections::Prompter& prompts;
  PathPicker& pickers;
  WebBrowser& browser;
  RandomSource& random;
  SkinLayer& skin;
  CommandGate& gate;
  std::string programFolder;
  /// Set once at start-up; the real prompter reads it for prompts without a title.
  std::string& applicationTitle;
  /// Ends the program: every window closes and no further handler runs.
  std::function<void()> endProgram;
};

}  // namespace shell
