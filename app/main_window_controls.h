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

inline constexpr int kFieldListCount = 4;

// The controls of the main window, each named after its role so that tests
// and tools find it by objectName.
struct MainWindowControls {
  QGroupBox* Frame1 = nullptr;
  std::array<QLabel*, 7> labels{};  // Label1 to Label7
  QListWidget* ListTable = nullptr;
  std::array<FieldListBox*, kFieldListCount> ListItem{};  // ListItem0 to ListItem3
  QLineEdit* txtInput = nullptr;
  QPushButton* btnSelectDB = nullptr;
  QLineEdit* txtOutput = nullptr;
  QPushButton* btnSelectPath = nullptr;
  QPushButton* start = nullptr;
  QPushButton* aboutus = nullptr;
  QPushButton* quitsys = nullptr;
};

// The client area the main window opens with: the page of its controls.
[[nodiscard]] QSize MainWindowPageSize(const gui::LayoutUnits& units);

// Creates the controls at places drawn in layout units on a page of
// MainWindowPageSize, shown through a scroll area that fills the window:
// nothing moves or grows when the window is resized, and a window made smaller
// than the page scrolls. Sets the keyboard focus order.
MainWindowControls BuildMainWindowControls(QWidget* window, const gui::LayoutUnits& units);

}  // namespace ferulo::app
