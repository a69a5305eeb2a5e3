#pragma once

namespace ferulo {

// The icon a message box shows: what kind of news it brings. The generation
// run picks it for its message; the windows show it.
enum class MessageIcon { Information, Warning, Error };

}  // namespace ferulo
