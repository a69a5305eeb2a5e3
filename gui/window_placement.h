#pragma once

class QWidget;

namespace ferulo::gui {

// Centres a top-level window's client area on its screen's available area.
void CentreOnScreen(QWidget& window);

}  // namespace ferulo::gui
