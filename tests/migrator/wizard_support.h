#pragma once
#include "TForm1.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace oa::test {

// Lets the wizard's background work finish, serving its questions and progress on the way.
inline bool waitIdle(TForm1& f, int ms = 120000)
{
    QElapsedTimer t;
    t.start();
    while (f.busy()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    QCoreApplication::processEvents();
    return true;
}

}  // namespace oa::test
