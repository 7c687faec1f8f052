#pragma once
#include <QHash>
#include <QString>
#include <functional>

class QWidget;

namespace oa {

class DesktopSettings;
class Clock;
class Machine;
class Prompter;
class Session;
class TFMain;

// What the main window hands a tool window it opens.
struct WindowContext {
    Session& session;
    Prompter& prompter;
    const Clock& clock;
    const Machine& machine;
    DesktopSettings& desktop;
    TFMain& main;              // session state (member, server address), colour, list helpers
    QString command;           // caption of the command that opens the window (some windows take it as caption)
};

// A child window is created on each use as a child of the main window and destroyed when closed; a modal
// window is created on first use, kept for the run and shown modally each time.
enum class WindowMode { Child, Modal };

using WindowFactory = std::function<QWidget*(const WindowContext& ctx, QWidget* parent)>;

// The tool windows the main window's commands open, by command id (see Commands.h) or by command caption.
// Each tool registers its factory once before the main window is built; a command with no factory stays
// visible and disabled.
class WindowRegistry {
public:
    struct Entry {
        WindowFactory factory;
        WindowMode mode = WindowMode::Child;
    };

    // The program's registry, which the main window uses unless it is given another one (tests).
    static WindowRegistry& global();
    static void add(const QString& id, WindowFactory factory, WindowMode mode = WindowMode::Child)
    {
        global().put(id, std::move(factory), mode);
    }

    void put(const QString& id, WindowFactory factory, WindowMode mode = WindowMode::Child);
    void remove(const QString& id) { entries_.remove(id); }
    void clear() { entries_.clear(); }
    // The entry for a command: registered under its id, else under its caption.
    const Entry* find(const QString& id, const QString& caption = QString()) const;
    bool contains(const QString& id, const QString& caption = QString()) const { return find(id, caption) != nullptr; }

private:
    QHash<QString, Entry> entries_;
};

}  // namespace oa
