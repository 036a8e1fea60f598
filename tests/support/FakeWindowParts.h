#pragma once

#include <memory>
#include <string>
#include <vector>

#include "connections/ListBox.h"
#include "connections/WindowParts.h"
#include "support/ScriptedPrompter.h"

namespace support {

/// Connection window fields with settable texts and option.
class FakeConnectionFields : public connections::ConnectionFields {
 public:
  std::string oracleServer, oracleUser, oraclePassword, dbcFile, freeTableFolder;
  std::string oracleDriver = "Microsoft ODBC for Oracle", oracleDsn;
  bool dbcMode = true;
  bool keepTypes = false;
  int codePage = 1252;

  std::string OracleServer() const override { return oracleServer; }
  std::string OracleUser() const override { return oracleUser; }
  std::string OraclePassword() const override { return oraclePassword; }
  std::string OracleDriver() const override { return oracleDriver; }
  std::string OracleDsn() const override { return oracleDsn; }
  std::string DbcFile() const override { return dbcFile; }
  std::string FreeTableFolder() const override { return freeTableFolder; }
  bool DbcMode() const override { return dbcMode; }
  bool KeepTypes() const override { return keepTypes; }
  int CodePage() const override { return codePage; }
};

/// A pointer state that records every value it is set to.
class FakeMousePointer : public connections::MousePointer {
 public:
  int Get() const override { return m_value; }
  void Set(int value) override {
    m_value = value;
    m_history.push_back(value);
  }
  /// Every value set, in order.
  const std::vector<int>& History() const { return m_history; }

 private:
  int m_value = connections::vbDefault;
  std::vector<int> m_history;
};

/// A progress bar that records every value and text it is given.
class FakeProgressBar : public connections::ProgressBar {
 public:
  void SetValue(int percent) override {
    m_value = percent;
    m_values.push_back(percent);
  }
  int GetValue() const override { return m_value; }
  void SetText(const std::string& text) override {
    m_text = text;
    m_texts.push_back(text);
  }
  std::string GetText() const override { return m_text; }
  const std::vector<int>& Values() const { return m_values; }
  const std::vector<std::string>& Texts() const { return m_texts; }

 private:
  int m_value = 0;
  std::string m_text;
  std::vector<int> m_values;
  std::vector<std::string> m_texts;
};

// The tables window as its commands see it: its two table lists,
// fake pointer, progress bar and fields, and a scripted prompter. Not copyable: parts
// refers to the members.
class FakeTablesWindow {
 public:
  FakeTablesWindow() = default;
  FakeTablesWindow(const FakeTablesWindow&) = delete;
  FakeTablesWindow& operator=(const FakeTablesWindow&) = delete;

  connections::ListBox list1;  // FoxPro Tables
  connections::ListBox list2;  // Oracle Tables
  FakeProgressBar progress;
  FakeMousePointer pointer;
  ScriptedPrompter prompter;
  FakeConnectionFields fields;
  connections::TablesWindowParts parts{list1, list2, progress, pointer, prompter, fields};

  /// Fills a list with items (sorted as the list box sorts them).
  static void Fill(connections::ListBox& list, const std::vector<std::string>& items) {
    for (const auto& item : items) list.AddItem(item);
  }
  /// The items of a list, top to bottom.
  static std::vector<std::string> Items(const connections::ListBox& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.ListCount(); ++i) items.push_back(list.List(i));
    return items;
  }
  /// Selects the items with these texts.
  static void Select(connections::ListBox& list, const std::vector<std::string>& texts) {
    for (int i = 0; i < list.ListCount(); ++i)
      for (const auto& t : texts)
        if (list.List(i) == t) list.SetSelected(i, true);
  }
};

/// A tables window on the heap, for tests that hand it around.
inline std::unique_ptr<FakeTablesWindow> MakeTablesWindow() { return std::make_unique<FakeTablesWindow>(); }

}  // namespace support
