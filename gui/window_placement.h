#pragma once

class QWidget;

namespace ferulo::gui {

// Places a top-level window in the middle of its screen's available area
// (the screen less panels and docks), moved and, where it is resizable,
// shrunk so that no part of it, frame included, lies outside that area. A
// frame that the window manager makes known only once the window is shown is
// allowed for before, and checked once after.
void CentreOnScreen(QWidget& window);

}  // namespace ferulo::gui
