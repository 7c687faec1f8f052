#include "common/ui/Prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTextStream>
#include <cstdio>

namespace oa {

namespace {
QMessageBox::Icon qtIcon(Prompter::Icon i)
{
    switch (i) {
    case Prompter::Icon::Information: return QMessageBox::Information;
    case Prompter::Icon::Warning: return QMessageBox::Warning;
    case Prompter::Icon::Error: return QMessageBox::Critical;
    case Prompter::Icon::Question: return QMessageBox::Question;
    case Prompter::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

void DialogPrompter::message(const QString& caption, const QString& text, Icon icon)
{
    QMessageBox box(qtIcon(icon), caption.isEmpty() ? QApplication::applicationDisplayName() : caption, text,
                    QMessageBox::Ok, parent_);
    box.exec();
}

bool DialogPrompter::question(const QString& caption, const QString& text)
{
    return QMessageBox::question(parent_, caption.isEmpty() ? QApplication::applicationDisplayName() : caption, text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

std::optional<QString> DialogPrompter::input(const QString& caption, const QString& label, const QString& initial,
                                             bool password)
{
    bool ok = false;
    const QString v = QInputDialog::getText(parent_, caption, label, password ? QLineEdit::Password : QLineEdit::Normal,
                                            initial, &ok);
    if (!ok) return std::nullopt;
    return v;
}

QString DialogPrompter::openFile(const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent_, caption, QString(), filter);
}

QString DialogPrompter::saveFile(const QString& caption, const QString& filter, const QString& suggested)
{
    return QFileDialog::getSaveFileName(parent_, caption, suggested, filter);
}

QString DialogPrompter::folder(const QString& caption)
{
    return QFileDialog::getExistingDirectory(parent_, caption);
}

QVariant ScriptedPrompter::take() { return answers_.isEmpty() ? QVariant() : answers_.takeFirst(); }

void ScriptedPrompter::message(const QString& caption, const QString& text, Icon icon)
{
    shown_.append({Shown::Message, caption, text, icon});
}

bool ScriptedPrompter::question(const QString& caption, const QString& text)
{
    shown_.append({Shown::Question, caption, text, Icon::Question});
    const QVariant v = take();
    return v.isValid() && v.toBool();
}

std::optional<QString> ScriptedPrompter::input(const QString& caption, const QString& label, const QString&, bool)
{
    shown_.append({Shown::Input, caption, label, Icon::None});
    const QVariant v = take();
    if (!v.isValid()) return std::nullopt;
    return v.toString();
}

QString ScriptedPrompter::openFile(const QString& caption, const QString&)
{
    shown_.append({Shown::OpenFile, caption, QString(), Icon::None});
    return take().toString();
}

QString ScriptedPrompter::saveFile(const QString& caption, const QString&, const QString&)
{
    shown_.append({Shown::SaveFile, caption, QString(), Icon::None});
    return take().toString();
}

QString ScriptedPrompter::folder(const QString& caption)
{
    shown_.append({Shown::Folder, caption, QString(), Icon::None});
    return take().toString();
}

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const Shown& s : shown_) out << s.text;
    return out;
}

void ConsolePrompter::message(const QString& caption, const QString& text, Icon)
{
    QTextStream out(stdout);
    out << (caption.isEmpty() ? QString() : caption + QStringLiteral(": ")) << text << Qt::endl;
}

bool ConsolePrompter::question(const QString& caption, const QString& text)
{
    QTextStream out(stdout);
    out << (caption.isEmpty() ? QString() : caption + QStringLiteral(": ")) << text
        << (yes_ ? QStringLiteral(" [是]") : QStringLiteral(" [否]")) << Qt::endl;
    return yes_;
}

}  // namespace oa
