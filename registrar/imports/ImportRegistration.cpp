#include "registrar/imports/ImportRegistration.h"

#include "registrar/imports/HelpPages.h"
#include "registrar/imports/ScoreImportForm.h"
#include "registrar/imports/TFormstudent.h"
#include "registrar/shell/Commands.h"
#include "registrar/shell/TFHelp.h"
#include "registrar/shell/WindowRegistry.h"

namespace oa {

namespace {

// Import windows open maximised inside the main window.
QWidget* maximised(QWidget* w, const QString& caption)
{
    if (!caption.isEmpty()) w->setWindowTitle(caption);
    w->setWindowState(Qt::WindowMaximized);
    return w;
}

template <typename Form>
WindowFactory scoreWindow(ScoreLayout shown)
{
    return [shown](const WindowContext& ctx, QWidget* parent) -> QWidget* {
        return maximised(new Form(ctx.session, ctx.prompter, ctx.clock, shown, parent), ctx.command);
    };
}

}  // namespace

void registerImportWindows()
{
    WindowRegistry::add(QString::fromLatin1(win::StudentImport), [](const WindowContext& ctx, QWidget* parent) -> QWidget* {
        return maximised(new TFormstudent(ctx.session, ctx.prompter, ctx.clock, parent), QString());
    });
    WindowRegistry::add(QString::fromLatin1(win::ScoreImportClassNumberName), scoreWindow<TFInputScore>(ScoreLayout::A));
    WindowRegistry::add(QString::fromLatin1(win::ScoreImportNumberName), scoreWindow<TFInputScore>(ScoreLayout::B));
    WindowRegistry::add(QString::fromLatin1(win::ScoreImportUnifiedName), scoreWindow<TFInputTongBianHaoScore>(ScoreLayout::C));
    WindowRegistry::add(QString::fromLatin1(win::ScoreImportUnified), scoreWindow<TFInputTongBianHaoScore>(ScoreLayout::D));
    WindowRegistry::add(QString::fromLatin1(win::ScoreImportExamNumberName), scoreWindow<TFormInputKaoHaoScore>(ScoreLayout::E));
    WindowRegistry::add(QString::fromLatin1(win::ScoreImportClassName), scoreWindow<TFormInputKaoHaoScore>(ScoreLayout::F));
}

void registerImportHelpPages()
{
    for (const QString& page : importHelpPages())
        TFHelp::registerPage(page, [page](QWidget* parent) { return createImportHelpPage(page, parent); });
    setImportHelpOpener([](const QString& page) { TFHelp::open(page); });
}

}  // namespace oa
