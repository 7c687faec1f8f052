#include "lantern/app/Dragger.h"

#include <QMouseEvent>
#include <QWidget>

namespace oa::lantern {

Dragger::Dragger(QWidget* handle, QWidget* window, int delayMs) : QObject(handle), window_(window), delayMs_(delayMs)
{
    handle->installEventFilter(this);
}

bool Dragger::eventFilter(QObject* o, QEvent* e)
{
    if (!window_) return QObject::eventFilter(o, e);
    if (e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        windowAt_ = window_->pos();
        cursorAt_ = me->globalPosition().toPoint();
        sincePress_.start();
    } else if (e->type() == QEvent::MouseMove) {
        auto* me = static_cast<QMouseEvent*>(e);
        if ((me->buttons() & Qt::LeftButton) && sincePress_.isValid() && sincePress_.elapsed() >= delayMs_
            && !window_->isMaximized())
            window_->move(windowAt_ + (me->globalPosition().toPoint() - cursorAt_));
    }
    return QObject::eventFilter(o, e);
}

}  // namespace oa::lantern
