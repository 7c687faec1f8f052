#include "UiThreadPrompter.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace oa {

template <typename F>
void UiThreadPrompter::onUiThread(F&& f)
{
    if (QThread::currentThread() == context_->thread()) f();
    else QMetaObject::invokeMethod(context_, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

void UiThreadPrompter::message(const QString& caption, const QString& text, Icon icon)
{
    onUiThread([&] { inner_.message(caption, text, icon); });
}

bool UiThreadPrompter::question(const QString& caption, const QString& text)
{
    bool yes = false;
    onUiThread([&] { yes = inner_.question(caption, text); });
    return yes;
}

std::optional<QString> UiThreadPrompter::input(const QString& caption, const QString& label, const QString& initial,
                                               bool password)
{
    std::optional<QString> v;
    onUiThread([&] { v = inner_.input(caption, label, initial, password); });
    return v;
}

QString UiThreadPrompter::openFile(const QString& caption, const QString& filter)
{
    QString v;
    onUiThread([&] { v = inner_.openFile(caption, filter); });
    return v;
}

QString UiThreadPrompter::saveFile(const QString& caption, const QString& filter, const QString& suggested)
{
    QString v;
    onUiThread([&] { v = inner_.saveFile(caption, filter, suggested); });
    return v;
}

QString UiThreadPrompter::folder(const QString& caption)
{
    QString v;
    onUiThread([&] { v = inner_.folder(caption); });
    return v;
}

}  // namespace oa
