#pragma once
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QListWidget;
class QStackedWidget;

namespace oa {

// "帮助": the sample-sheet window, one page per spreadsheet layout. The import windows open it on their own
// page. A page's contents come from whoever registers them; a page with none shows a short note.
class TFHelp : public QWidget {
    Q_OBJECT
public:
    using PageFactory = std::function<QWidget*(QWidget* parent)>;

    explicit TFHelp(QWidget* parent = nullptr);
    ~TFHelp() override;

    // The fixed pages, in order.
    static QStringList pageCaptions();
    // Gives a page its contents (a caption not among the fixed pages adds a page at the end). Pages already
    // built with the placeholder are rebuilt the next time they are shown.
    static void registerPage(const QString& caption, PageFactory factory);
    static bool hasPage(const QString& caption);

    // The program's window (the newest one made), if any.
    static TFHelp* instance();
    // Opens the program's window on a page, making one when there is none.
    static void open(const QString& caption);

    // Shows the window, raised, on the page; an unknown caption leaves the current page.
    void showPage(const QString& caption);
    QString currentPage() const;
    // The built contents of a page (null until the page has been shown).
    QWidget* pageWidget(const QString& caption) const;

    QListWidget* ListPages = nullptr;
    QStackedWidget* Pages = nullptr;

private:
    void syncPages();
    void build(int index);
    struct Slot {
        QString caption;
        QWidget* holder = nullptr;
        QWidget* content = nullptr;
        int generation = -1;      // registration generation the contents were built from
    };
    QList<Slot> slots_;
};

inline constexpr const char* kHelpPlaceholder = "样表见导入窗口";
inline constexpr const char* kHelpConnectionPage = "客户机连接不上服务器";

}  // namespace oa
