#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

class QWidget;

namespace oa {

// Every message box, question, input box and file or folder dialog goes through a Prompter. The real one
// shows Qt dialogs; tests and headless runs use the scripted one, which answers from a queue and records
// everything that was shown.
class Prompter {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    virtual ~Prompter() = default;

    virtual void message(const QString& caption, const QString& text, Icon icon = Icon::Information) = 0;
    // Yes/No question; true for Yes.
    virtual bool question(const QString& caption, const QString& text) = 0;
    // Input box; nullopt when cancelled.
    virtual std::optional<QString> input(const QString& caption, const QString& label, const QString& initial = {},
                                         bool password = false) = 0;
    // File and folder dialogs; empty when cancelled.
    virtual QString openFile(const QString& caption, const QString& filter) = 0;
    virtual QString saveFile(const QString& caption, const QString& filter, const QString& suggested = {}) = 0;
    virtual QString folder(const QString& caption) = 0;

    // A plain message without a caption of its own (the program's name is used).
    void show(const QString& text) { message(QString(), text, Icon::None); }
    void error(const QString& text) { message(QStringLiteral("错误"), text, Icon::Error); }
};

class DialogPrompter : public Prompter {
public:
    explicit DialogPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* p) { parent_ = p; }
    void message(const QString& caption, const QString& text, Icon icon) override;
    bool question(const QString& caption, const QString& text) override;
    std::optional<QString> input(const QString& caption, const QString& label, const QString& initial,
                                 bool password) override;
    QString openFile(const QString& caption, const QString& filter) override;
    QString saveFile(const QString& caption, const QString& filter, const QString& suggested) override;
    QString folder(const QString& caption) override;

private:
    QWidget* parent_;
};

// One thing the program showed, as the scripted prompter recorded it.
struct Shown {
    enum Kind { Message, Question, Input, OpenFile, SaveFile, Folder } kind;
    QString caption;
    QString text;
    Prompter::Icon icon = Prompter::Icon::None;
};

class ScriptedPrompter : public Prompter {
public:
    // Answers are taken in order by questions (bool), inputs (QString or an invalid QVariant for Cancel) and
    // file/folder dialogs (QString, empty for Cancel). A prompt with no answer left gets the default: No, Cancel.
    ScriptedPrompter& answer(const QVariant& v)
    {
        answers_.append(v);
        return *this;
    }
    void message(const QString& caption, const QString& text, Icon icon) override;
    bool question(const QString& caption, const QString& text) override;
    std::optional<QString> input(const QString& caption, const QString& label, const QString& initial,
                                 bool password) override;
    QString openFile(const QString& caption, const QString& filter) override;
    QString saveFile(const QString& caption, const QString& filter, const QString& suggested) override;
    QString folder(const QString& caption) override;

    const QList<Shown>& shown() const { return shown_; }
    QStringList texts() const;           // the texts of everything shown, in order
    QString lastText() const { return shown_.isEmpty() ? QString() : shown_.last().text; }
    bool wasShown(const QString& text) const { return texts().contains(text); }
    void clear() { shown_.clear(); }
    int pendingAnswers() const { return int(answers_.size()); }

private:
    QVariant take();
    QList<QVariant> answers_;
    QList<Shown> shown_;
};

// Prints messages to stdout and answers every question with the given default; for command-line runs.
class ConsolePrompter : public Prompter {
public:
    explicit ConsolePrompter(bool yes = true) : yes_(yes) {}
    void message(const QString& caption, const QString& text, Icon icon) override;
    bool question(const QString& caption, const QString& text) override;
    std::optional<QString> input(const QString&, const QString&, const QString& initial, bool) override { return initial; }
    QString openFile(const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString& suggested) override { return suggested; }
    QString folder(const QString&) override { return {}; }

private:
    bool yes_;
};

}  // namespace oa
