#include "shell/ListBinding.h"

#include <QListWidget>

namespace shell {
namespace {

// Sets flag for the lifetime of the guard.
class Showing {
 public:
  explicit Showing(bool& flag) : m_flag(flag), m_before(flag) { m_flag = true; }
  ~Showing() { m_flag = m_before; }
  Showing(const Showing&) = delete;
  Showing& operator=(const Showing&) = delete;

 private:
  bool& m_flag;
  bool m_before;
};

}  // namespace

ListBinding::ListBinding(connections::ListBox& list, QListWidget& widget) : m_list(list), m_widget(widget) {
  m_widget.setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_widget.setSortingEnabled(false);  // the list keeps its own (case-insensitive) order
  {
    const Showing showing(m_showing);
    m_widget.clear();
    for (int i = 0; i < m_list.ListCount(); ++i) {
      m_widget.addItem(QString::fromStdString(m_list.List(i)));
      m_widget.item(i)->setSelected(m_list.Selected(i));
    }
    m_widget.setCurrentRow(m_list.ListIndex(), QItemSelectionModel::NoUpdate);
  }
  m_selectionChanged =
      QObject::connect(&m_widget, &QListWidget::itemSelectionChanged, [this] { TakeSelectionFromWidget(); });
  m_currentChanged =
      QObject::connect(&m_widget, &QListWidget::currentRowChanged, [this](int row) { TakeCurrentFromWidget(row); });
  m_list.SetView(this);
}

ListBinding::~ListBinding() {
  m_list.SetView(nullptr);
  QObject::disconnect(m_selectionChanged);
  QObject::disconnect(m_currentChanged);
}

void ListBinding::Inserted(int index, const std::string& text) {
  const Showing showing(m_showing);
  m_widget.insertItem(index, QString::fromStdString(text));
}

void ListBinding::Removed(int index) {
  const Showing showing(m_showing);
  delete m_widget.takeItem(index);
  // Qt moves the current row its own way; the list's rule is the one the commands read.
  m_widget.setCurrentRow(m_list.ListIndex(), QItemSelectionModel::NoUpdate);
}

void ListBinding::Cleared() {
  const Showing showing(m_showing);
  m_widget.clear();
}

void ListBinding::SelectionChanged(int index, bool selected) {
  const Showing showing(m_showing);
  m_widget.item(index)->setSelected(selected);
}

void ListBinding::CurrentChanged(int index) {
  const Showing showing(m_showing);
  m_widget.setCurrentRow(index, QItemSelectionModel::NoUpdate);
}

void ListBinding::TakeSelectionFromWidget() {
  if (m_showing) return;
  for (int i = 0; i < m_widget.count() && i < m_list.ListCount(); ++i) {
    m_list.SetSelected(i, m_widget.item(i)->isSelected());
  }
}

void ListBinding::TakeCurrentFromWidget(int row) {
  if (m_showing || row >= m_list.ListCount()) return;
  m_list.SetListIndex(row);
}

}  // namespace shell
