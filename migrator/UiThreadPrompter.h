#pragma once
#include "common/ui/Prompter.h"

class QObject;

namespace oa {

// Lets work running on another thread ask and tell through the window's Prompter: each call is carried out
// on the thread of `context` (the window), and the calling thread waits for the answer. Called on that thread
// itself, it passes straight through.
class UiThreadPrompter : public Prompter {
public:
    UiThreadPrompter(Prompter& inner, QObject* context) : inner_(inner), context_(context) {}

    void message(const QString& caption, const QString& text, Icon icon) override;
    bool question(const QString& caption, const QString& text) override;
    std::optional<QString> input(const QString& caption, const QString& label, const QString& initial,
                                 bool password) override;
    QString openFile(const QString& caption, const QString& filter) override;
    QString saveFile(const QString& caption, const QString& filter, const QString& suggested) override;
    QString folder(const QString& caption) override;

private:
    template <typename F>
    void onUiThread(F&& f);

    Prompter& inner_;
    QObject* context_;
};

}  // namespace oa
