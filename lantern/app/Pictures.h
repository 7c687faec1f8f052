#pragma once
#include <QIcon>
#include <QPixmap>

namespace oa::lantern::Pictures {

// Lantern's pictures are drawn, not shipped: a few shapes in the school's colours.
QPixmap onlineLogo();          // the lantern, lit
QPixmap offlinePicture();      // the lantern, dark
QPixmap statePicture(int state);   // 1 online, 2 away, 3 offline; null for 4
QIcon trayIcon(int index);     // 0 normal, 1-3 the cycling frames
QIcon offlineTrayIcon();
QIcon reconnectedTrayIcon();
QIcon errorIcon();             // the login window after the fourth wrong password
QIcon groupIcon();

}  // namespace oa::lantern::Pictures
