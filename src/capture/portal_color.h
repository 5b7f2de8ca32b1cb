// Picking a colour through the desktop portal, where Corvalin cannot read the screen itself
// (Wayland): the desktop shows its own chooser.
#pragma once

#include <QColor>
#include <functional>

namespace corvalin {

// Exactly one handler runs, on the main thread: the colour picked, the user's cancelling, or
// `alFallar` when no portal answers or the answer holds no colour.
void colorDelPortal(std::function<void(const QColor&)> onPick, std::function<void()> onCancel,
                    std::function<void()> alFallar);

}  // namespace corvalin
