#include "common/platform/Machine.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSysInfo>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(OA_HAVE_XSS)
#include <QGuiApplication>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#endif

namespace oa {

namespace {
QList<QHostAddress> ipv4OfHostName()
{
    QList<QHostAddress> out;
    const QHostInfo info = QHostInfo::fromName(QHostInfo::localHostName());
    if (info.error() != QHostInfo::NoError) return out;
    for (const QHostAddress& a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol) out << a;
    return out;
}
}  // namespace

QString Machine::localIPAddress() const
{
    const auto a = ipv4OfHostName();
    return a.isEmpty() ? QStringLiteral("127.0.0.1") : a.first().toString();
}

QString Machine::lanternIPAddress() const
{
    const auto a = ipv4OfHostName();
    return a.isEmpty() ? QString() : a.last().toString();
}

QString Machine::localComputerName() const { return QSysInfo::machineHostName(); }

int Machine::idleSeconds() const
{
#if defined(Q_OS_WIN)
    LASTINPUTINFO li;
    li.cbSize = sizeof(li);
    if (!GetLastInputInfo(&li)) return 0;
    return int((GetTickCount() - li.dwTime) / 1000);
#elif defined(OA_HAVE_XSS)
    static Display* dpy = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (QGuiApplication::platformName() == QLatin1String("xcb")) dpy = XOpenDisplay(nullptr);
    }
    if (!dpy) return 0;
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    int idle = 0;
    if (info && XScreenSaverQueryInfo(dpy, DefaultRootWindow(dpy), info)) idle = int(info->idle / 1000);
    if (info) XFree(info);
    return idle;
#else
    return 0;
#endif
}

}  // namespace oa
