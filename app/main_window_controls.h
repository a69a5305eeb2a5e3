#pragma once

#include <QSize>

#include <array>

#include "gui/layout_units.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace ferulo::app {

class FieldListBox;
class ListBox;

inline constexpr int kFieldListCount = 4;

// The controls of the main window, each named after its role so that tests
// and tools find it by objectName.
struct MainWindowControls {
  QGroupBox* Frame1 = nullptr;
  std::array<QLabel*, 7> labels{};  // Label1 to Label7
  ListBox* ListTable = nullptr;
  std::array<FieldListBox*, kFieldListCount> ListItem{};  // ListItem0 to ListItem3
  QLineEdit* txtInput = nullptr;
  QPushButton* btnSelectDB = nullptr;
  QLineEdit* txtOutput = nullptr;
  QPushButton* btnSelectPath = nullptr;
  QPushButton* start = nullptr;
  QPushButton* aboutus = nullptr;
  QPushButton* quitsys = nullptr;
};

// The client area the main window opens with.
[[nodiscard]] QSize MainWindowPageSize(const gui::LayoutUnits& units);

// Creates the controls in layouts on a page that fills the window through a
// scroll area: the five lists share what the window gains in width and
// height, and a window made smaller than the page's least size scrolls.
// Labels carry access keys and name their lists and boxes; the keyboard focus
// goes top to bottom, left to right.
MainWindowControls BuildMainWindowControls(QWidget* window, const gui::LayoutUnits& units);

}  // namespace ferulo::app
