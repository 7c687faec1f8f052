#include "registrar/imports/HelpPages.h"

#include "tools/samples/SampleSheets.h"

#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QTableWidget>
#include <QVBoxLayout>

namespace oa {

namespace {

HelpOpener& opener()
{
    static HelpOpener o;
    return o;
}

QString columnLetter(int c)
{
    QString s;
    for (++c; c > 0; c = (c - 1) / 26) s.prepend(QChar(u'A' + (c - 1) % 26));
    return s;
}

}  // namespace

QStringList importHelpPages()
{
    QStringList pages;
    for (const SampleSheet& s : sampleSheets())
        if (!s.helpPage.isEmpty()) pages << s.helpPage;
    return pages;
}

QWidget* createImportHelpPage(const QString& page, QWidget* parent)
{
    const SampleSheet* sample = nullptr;
    for (const SampleSheet& s : sampleSheets())
        if (s.helpPage == page) sample = &s;
    if (!sample) return nullptr;

    auto* w = new QWidget(parent);
    w->setObjectName(QStringLiteral("HelpPage"));
    auto* v = new QVBoxLayout(w);
    auto* title = new QLabel(QStringLiteral("<b>%1</b>　（%2）").arg(page.toHtmlEscaped(), sample->title.toHtmlEscaped()), w);
    v->addWidget(title);

    // The sheet as a spreadsheet shows it: lettered columns, numbered rows.
    const QList<QStringList> text = sampleText(*sample);
    int columns = 0;
    for (const QStringList& r : text) columns = std::max(columns, int(r.size()));
    auto* table = new QTableWidget(int(text.size()), columns, w);
    table->setObjectName(QStringLiteral("SampleTable"));
    QStringList letters;
    for (int c = 0; c < columns; ++c) letters << columnLetter(c);
    table->setHorizontalHeaderLabels(letters);
    for (int r = 0; r < text.size(); ++r)
        for (int c = 0; c < text[r].size(); ++c) {
            auto* item = new QTableWidgetItem(text[r][c]);
            item->setTextAlignment(Qt::AlignCenter);
            item->setFlags(Qt::ItemIsEnabled);
            table->setItem(r, c, item);
        }
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->resizeColumnsToContents();
    table->horizontalHeader()->setMinimumSectionSize(60);
    v->addWidget(table, 1);

    auto* notes = new QLabel(w);
    notes->setObjectName(QStringLiteral("SampleNotes"));
    notes->setWordWrap(true);
    notes->setTextFormat(Qt::PlainText);
    QStringList numbered;
    for (int i = 0; i < sample->notes.size(); ++i) numbered << QStringLiteral("%1、%2").arg(i + 1).arg(sample->notes[i]);
    notes->setText(QStringLiteral("说明：\n") + numbered.join(QLatin1Char('\n')));
    v->addWidget(notes);
    return w;
}

void setImportHelpOpener(HelpOpener o) { opener() = std::move(o); }

void showImportHelp(const QString& page)
{
    if (opener()) {
        opener()(page);
        return;
    }
    static QPointer<QWidget> window;
    if (!window) {
        window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("帮助"));
        window->resize(820, 480);
        new QVBoxLayout(window);
    }
    QLayout* l = window->layout();
    while (QLayoutItem* item = l->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (QWidget* p = createImportHelpPage(page, window)) l->addWidget(p);
    window->show();
    window->raise();
}

}  // namespace oa
