#include "connections/ListBox.h"

#include <QListWidget>
#include <QString>

#include "platform/ado/Failure.h"

namespace connections {
namespace {

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

void CheckIndex(const QListWidget& widget, int index) {
  if (index < 0 || index >= widget.count()) throw ado::Failure("Invalid procedure call or argument");
}

}  // namespace

ListBox::ListBox(QListWidget& widget) : widget_(widget) {
  widget_.setSelectionMode(QAbstractItemView::ExtendedSelection);
  widget_.setSortingEnabled(false);  // Qt's own order is case-sensitive
}

int ListBox::ListCount() const { return widget_.count(); }

std::string ListBox::List(int index) const {
  CheckIndex(widget_, index);
  return widget_.item(index)->text().toStdString();
}

bool ListBox::Selected(int index) const {
  CheckIndex(widget_, index);
  return widget_.item(index)->isSelected();
}

void ListBox::SetSelected(int index, bool selected) {
  CheckIndex(widget_, index);
  widget_.item(index)->setSelected(selected);
}

int ListBox::SelCount() const { return static_cast<int>(widget_.selectedItems().size()); }

int ListBox::ListIndex() const { return widget_.currentRow(); }

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= widget_.count()) throw ado::Failure("Invalid property value");
  // Making an item current must not change which items are selected.
  widget_.setCurrentRow(index, QItemSelectionModel::NoUpdate);
}

void ListBox::AddItem(const std::string& text) {
  const QString item = ToQt(text);
  int position = widget_.count();
  for (int i = 0; i < widget_.count(); ++i) {
    if (QString::compare(item, widget_.item(i)->text(), Qt::CaseInsensitive) < 0) {
      position = i;
      break;
    }
  }
  widget_.insertItem(position, item);
}

void ListBox::RemoveItem(int index) {
  CheckIndex(widget_, index);
  delete widget_.takeItem(index);
}

void ListBox::Clear() { widget_.clear(); }

}  // namespace connections
