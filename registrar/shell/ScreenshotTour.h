#pragma once
#include "registrar/shell/TFMain.h"

#include <QTextStream>

namespace oa {

struct TourOptions {
    QString dir;              // where the pictures go
    ConnectOptions connect;
    QString login;            // staff number
    QString password;
};

// Shows the login window and the main window of a school database without a person (offscreen or under
// Xvfb), logs in with the given account and saves a picture of each window into dir, printing each path.
// Exit status: 0 done; 1 the login failed; 2 no database or the pictures cannot be written.
int runScreenshotTour(const TourOptions& o, QTextStream& out, QTextStream& err);

}  // namespace oa
