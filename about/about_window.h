#pragma once

#include "about/about_dependencies.h"

namespace ferulo::about {

// Shows the About window, modeless and without an owner. Only one exists at a
// time: when it is already open it is brought to the front and activated as
// it is; otherwise a new one is built, its version label filled in, and shown
// centred on the screen. Closing it discards it.
void ShowAboutWindow();
void ShowAboutWindow(const AboutDependencies& dependencies);

}  // namespace ferulo::about
