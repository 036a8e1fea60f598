#include <QApplication>
#include <QIcon>
#include <cstdlib>
#include <string>

#include "cli/CommandLine.h"
#include "connections/DataProviders.h"
#include "shell/CommandGate.h"
#include "shell/DesktopBrowser.h"
#include "shell/Form1.h"
#include "shell/Form2.h"
#include "shell/Main.h"
#include "shell/ProgramIcon.h"
#include "shell/QtPathPicker.h"
#include "shell/QtPrompter.h"
#include "shell/ShellServices.h"
#include "shell/SkinLayer.h"
#include "shell/StandardRandom.h"

int main(int argc, char** argv) {
  // With arguments the program runs one command without windows.
  if (cli::WantsCommandLine(argc, argv)) return cli::RunCommandLine(argc, argv);
  // Qt would abort without a display; say what is wrong and what works without one.
  if (!cli::HasDisplay()) return cli::NoDisplay();

  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(shell::kProductName));
  QApplication::setWindowIcon(shell::ProgramIcon());
  QApplication::setDesktopFileName(QStringLiteral("tesselby"));
  connections::InstallDataProviders();

  std::string applicationTitle = shell::kProductName;
  shell::QtPrompter prompter(applicationTitle);
  shell::QtPathPicker pickers;
  shell::DesktopBrowser browser;
  shell::StandardRandom random;
  shell::SkinLayer skin;
  shell::CommandGate gate;
  shell::ShellServices services{prompter,         pickers, browser, random, skin, gate, shell::ProgramFolder(),
                                applicationTitle, {}};
  bool ending = false;
  services.endProgram = [&gate, &ending] {
    if (ending) return;  // closing the other window is part of this same end
    ending = true;
    // A command that is yielding would otherwise go on after its window is gone.
    if (gate.Running()) std::_Exit(EXIT_SUCCESS);
    QApplication::closeAllWindows();
    QApplication::quit();
  };

  shell::Form1 connectionWindow(services);
  shell::Form2 tablesWindow(services, connectionWindow);
  connectionWindow.SetTablesWindow(tablesWindow);
  connectionWindow.Form_Load();
  return QApplication::exec();
}
