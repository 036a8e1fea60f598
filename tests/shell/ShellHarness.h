#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "connections/ProfileStore.h"
#include "shell/CommandGate.h"
#include "shell/Form1.h"
#include "shell/Form2.h"
#include "shell/PathPicker.h"
#include "shell/RandomSource.h"
#include "shell/ShellServices.h"
#include "shell/SkinLayer.h"
#include "shell/WebBrowser.h"
#include "support/ScriptedPrompter.h"

namespace shelltest {

/// Choosers with scripted answers that record how they were called.
class ScriptedPathPicker : public shell::PathPicker {
 public:
  struct Call {
    std::string kind, prompt, startFolder, filter;
    int flags = 0;
    QWidget* owner = nullptr;
  };
  std::string folderAnswer;
  std::string fileAnswer;
  std::vector<Call> calls;

  std::string BrowseForFolder(QWidget* owner, const std::string& prompt, const std::string& startFolder) override {
    calls.push_back({"folder", prompt, startFolder, {}, 0, owner});
    return folderAnswer;
  }
  std::string ShowOpen(QWidget* owner, const std::string& title, const std::string& filter, int flags) override {
    calls.push_back({"file", title, {}, filter, flags, owner});
    return fileAnswer;
  }
};

class RecordingBrowser : public shell::WebBrowser {
 public:
  std::vector<std::string> opened;
  void Open(const std::string& url) override { opened.push_back(url); }
};

/// Always draws the same value; records the seeds.
class FixedRandom : public shell::RandomSource {
 public:
  double value = 0.5;
  std::vector<double> seeds;
  void Randomize(double seed) override { seeds.push_back(seed); }
  double Rnd() override { return value; }
};

/// Writes a small hand cursor as a Windows .cur file (an icon file with type 2 and a hot spot).
inline bool WriteHandCursor(const QString& path, int hotSpotX = 5, int hotSpotY = 2) {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < 32; ++y)
    for (int x = 10; x < 16; ++x) image.setPixelColor(x, y, Qt::black);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "ICO")) return false;
  QByteArray bytes = buffer.data();
  bytes[2] = 2;                             // resource type: cursor
  bytes[10] = static_cast<char>(hotSpotX);  // hot spot x (the icon's planes field)
  bytes[11] = 0;
  bytes[12] = static_cast<char>(hotSpotY);  // hot spot y (the icon's bit count field)
  bytes[13] = 0;
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Both windows over scripted seams, with their own settings folder and program folder.
class ShellHarness {
 public:
  ShellHarness() {
    EXPECT_TRUE(settingsFolder.isValid());
    EXPECT_TRUE(programFolder.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    services = std::make_unique<shell::ShellServices>(
        shell::ShellServices{prompter, pickers, browser, random, skin, gate, programFolder.path().toStdString(),
                             applicationTitle, [this] { ++endProgramCalls; }});
    form1 = std::make_unique<shell::Form1>(*services);
    form2 = std::make_unique<shell::Form2>(*services, *form1);
    form1->SetTablesWindow(*form2);
  }
  ~ShellHarness() {
    form2.reset();
    form1.reset();
  }
  ShellHarness(const ShellHarness&) = delete;
  ShellHarness& operator=(const ShellHarness&) = delete;

  static void Save(const std::string& key, const std::string& value) {
    connections::SaveSetting("Quenmark", "Tesselby", key, value);
  }
  static std::string Stored(const std::string& key) { return connections::GetSetting("Quenmark", "Tesselby", key); }

  template <class T = QWidget>
  static T& Find(QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return *found;
  }
  QPushButton& Button1(const char* name) { return Find<QPushButton>(*form1, name); }
  QPushButton& Button2(const char* name) { return Find<QPushButton>(*form2, name); }

  static void MoveMouseOver(QWidget& widget) {
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget.mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
  }
  static void Type(QWidget& widget, const std::string& text) {
    for (char c : text) {
      const QString ch(QLatin1Char{c});
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, ch);
      QApplication::sendEvent(&widget, &press);
    }
  }
  static void Key(QWidget& widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
  }

  static std::vector<std::string> Items(connections::ListBox& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.ListCount(); ++i) items.push_back(list.List(i));
    return items;
  }

  QTemporaryDir settingsFolder;
  QTemporaryDir programFolder;
  support::ScriptedPrompter prompter;
  ScriptedPathPicker pickers;
  RecordingBrowser browser;
  FixedRandom random;
  shell::SkinLayer skin;
  shell::CommandGate gate;
  std::string applicationTitle;
  int endProgramCalls = 0;
  std::unique_ptr<shell::ShellServices> services;
  std::unique_ptr<shell::Form1> form1;
  std::unique_ptr<shell::Form2> form2;
};

}  // namespace shelltest
