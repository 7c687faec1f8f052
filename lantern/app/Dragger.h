#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

namespace oa::lantern {

// Moves a borderless window by one of its areas: press records the window's and the cursor's position,
// a move with the left button held places the window by the cursor's travel. delayMs holds the drag back
// after the press (the chat window's title, so a double-click does not move it).
class Dragger : public QObject {
public:
    Dragger(QWidget* handle, QWidget* window, int delayMs = 0);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QPointer<QWidget> window_;
    QPoint windowAt_, cursorAt_;
    QElapsedTimer sincePress_;
    int delayMs_;
};

}  // namespace oa::lantern
