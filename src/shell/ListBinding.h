#pragma once

#include <QObject>

#include "connections/ListBox.h"

class QListWidget;

namespace shell {

// Shows a table list in a QListWidget and hands the user's selection and current item back
// to it: the list is the commands' data, the widget only its view.
class ListBinding : public connections::ListBoxView {
 public:
  ListBinding(connections::ListBox& list, QListWidget& widget);
  ~ListBinding() override;
  ListBinding(const ListBinding&) = delete;
  ListBinding& operator=(const ListBinding&) = delete;

  void Inserted(int index, const std::string& text) override;
  void Removed(int index) override;
  void Cleared() override;
  void SelectionChanged(int index, bool selected) override;
  void CurrentChanged(int index) override;

 private:
  void TakeSelectionFromWidget();
  void TakeCurrentFromWidget(int row);

  connections::ListBox& m_list;
  QListWidget& m_widget;
  // While the list changes the widget, the widget's signals echo that change: not news.
  bool m_showing = false;
  QMetaObject::Connection m_selectionChanged;
  QMetaObject::Connection m_currentChanged;
};

}  // namespace shell
