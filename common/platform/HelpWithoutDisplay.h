#pragma once
#include <QtGlobal>
#include <cstring>

namespace oa {

// "--help" prints text only; on a Linux machine without a display it must still answer rather than fail to
// open one, so the window system is swapped for the offscreen one before the application starts.
inline void allowHelpWithoutDisplay(int argc, char** argv)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    bool help = false;
    for (int i = 1; i < argc; ++i)
        for (const char* flag : {"--help", "-h", "--help-all", "-?"}) help = help || std::strcmp(argv[i], flag) == 0;
    if (help && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
#endif
}

}  // namespace oa
