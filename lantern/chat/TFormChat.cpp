#include "lantern/chat/TFormChat.h"

#include "lantern/app/Dragger.h"
#include "lantern/app/Pictures.h"
#include "lantern/rtf/Rtf.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace oa::lantern {

namespace {
QColor fromWindowsColor(int v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }
int toWindowsColor(const QColor& c) { return c.red() + c.green() * 256 + c.blue() * 65536; }

QToolButton* titleButton(const QString& text, const QString& tip, QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    b->setFixedSize(28, 24);
    return b;
}
}  // namespace

TFormChat::TFormChat(ChatContext* ctx, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ctx_(ctx)
{
    setObjectName(QStringLiteral("FormChat"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(674, 540);
    setStyleSheet(QStringLiteral(
        "#FormChat{background:#fbf7f0;border:1px solid #b5651d;}"
        "#ChatTitle{background:qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #d9482b,stop:1 #a82f1c);}"
        "#ChatTitle QLabel{color:white;font-size:15px;font-weight:bold;}"
        "#ChatTitle QToolButton{color:white;border:none;font-size:14px;}"
        "#ChatTitle QToolButton:hover{background:#e06650;}"
        "QTextBrowser,QTextEdit{background:white;border:1px solid #d8c3a5;}"
        "#PanelRight{background:#f3ebe0;border-left:1px solid #d8c3a5;}"
        "QPushButton#ButtonSend{background:#d9482b;color:white;border:none;padding:5px 22px;border-radius:3px;}"));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(1, 1, 1, 1);
    root->setSpacing(0);

    title_ = new QWidget(this);
    title_->setObjectName(QStringLiteral("ChatTitle"));
    title_->setFixedHeight(34);
    auto* tl = new QHBoxLayout(title_);
    tl->setContentsMargins(6, 0, 4, 0);
    ImageState = new QLabel(title_);
    ImageState->setFixedSize(30, 30);
    LabelTitle = new QLabel(title_);
    LabelID = new QLabel(title_);
    LabelID->hide();
    LabelIP = new QLabel(title_);
    LabelIP->hide();
    ImageMin = titleButton(QStringLiteral("—"), QStringLiteral("最小化"), title_);
    ImageMax = titleButton(QStringLiteral("□"), QStringLiteral("最大化"), title_);
    ImageClose = titleButton(QStringLiteral("✕"), QStringLiteral("关闭"), title_);
    tl->addWidget(ImageState);
    tl->addWidget(LabelTitle, 1);
    tl->addWidget(ImageMin);
    tl->addWidget(ImageMax);
    tl->addWidget(ImageClose);
    root->addWidget(title_);
    title_->installEventFilter(this);
    new Dragger(title_, this, 100);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    root->addLayout(body, 1);

    auto* main = new QWidget(this);
    auto* ml = new QVBoxLayout(main);
    ml->setContentsMargins(6, 4, 6, 6);
    ml->setSpacing(4);
    auto* topStrip = new QHBoxLayout;
    ButtonShare = new QToolButton(main);
    ButtonShare->setText(QStringLiteral("对方电脑共享文件"));
    ButtonShare->setAutoRaise(true);
    topStrip->addWidget(ButtonShare);
    topStrip->addStretch();
    ml->addLayout(topStrip);
    RichEditRec = new QTextBrowser(main);
    RichEditRec->setObjectName(QStringLiteral("RichEditRec"));
    RichEditRec->setReadOnly(true);
    RichEditRec->setOpenLinks(false);
    ml->addWidget(RichEditRec, 3);
    auto* sendStrip = new QHBoxLayout;
    sendStrip->setObjectName(QStringLiteral("ToolStripSend"));
    ButtonFont = new QToolButton(main);
    ButtonFont->setText(QStringLiteral("字体"));
    ButtonFont->setAutoRaise(true);
    ButtonColor = new QToolButton(main);
    ButtonColor->setText(QStringLiteral("颜色"));
    ButtonColor->setAutoRaise(true);
    sendStrip->addWidget(ButtonFont);
    sendStrip->addWidget(ButtonColor);
    sendStrip->addStretch();
    ml->addLayout(sendStrip);
    RichEditSend = new QTextEdit(main);
    RichEditSend->setObjectName(QStringLiteral("RichEditSend"));
    RichEditSend->setAcceptRichText(true);
    RichEditSend->installEventFilter(this);
    ml->addWidget(RichEditSend, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    ButtonSms = new QPushButton(QStringLiteral("发送到手机短信"), main);
    ButtonSms->hide();
    ButtonSend = new QPushButton(QStringLiteral("发送"), main);
    ButtonSend->setObjectName(QStringLiteral("ButtonSend"));
    buttons->addWidget(ButtonSms);
    buttons->addWidget(ButtonSend);
    ml->addLayout(buttons);
    body->addWidget(main, 1);

    PanelRight = new QWidget(this);
    PanelRight->setObjectName(QStringLiteral("PanelRight"));
    PanelRight->setFixedWidth(200);
    auto* rl = new QVBoxLayout(PanelRight);
    rl->setContentsMargins(8, 10, 8, 8);
    PageControl = new QStackedWidget(PanelRight);
    auto* details = new QWidget(PageControl);
    auto* form = new QFormLayout(details);
    form->setContentsMargins(0, 0, 0, 0);
    auto field = [&](const QString& label) {
        auto* e = new QLineEdit(details);
        e->setReadOnly(true);
        form->addRow(label, e);
        return e;
    };
    EditMobile = field(QStringLiteral("手机："));
    EditPhone = field(QStringLiteral("电话："));
    EditShort = field(QStringLiteral("短号："));
    EditEmail = field(QStringLiteral("邮箱："));
    PageControl->addWidget(details);
    PageControl->addWidget(new QWidget(PageControl));   // the history page
    rl->addWidget(PageControl);
    rl->addStretch();
    body->addWidget(PanelRight);

    connect(ImageClose, &QToolButton::clicked, this, &TFormChat::ImageCloseClick);
    connect(ImageMin, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(ImageMax, &QToolButton::clicked, this, &TFormChat::ImageMaxClick);
    connect(ButtonSend, &QPushButton::clicked, this, &TFormChat::ButtonSendClick);
    connect(ButtonFont, &QToolButton::clicked, this, &TFormChat::ButtonFontClick);
    connect(ButtonColor, &QToolButton::clicked, this, &TFormChat::ButtonColorClick);
    connect(ButtonShare, &QToolButton::clicked, this, [this] {
        if (ctx_ && ctx_->openShare && !LabelIP->text().isEmpty()) ctx_->openShare(LabelIP->text());
    });
}

void TFormChat::setColleague(const QString& name)
{
    caption_ = name;
    setWindowTitle(name);
    LabelTitle->setText(name);
}

void TFormChat::setPresenceId(int id) { LabelID->setText(QString::number(id)); }
int TFormChat::presenceId() const { return LabelID->text().toInt(); }

void TFormChat::setStatePicture(int state) { ImageState->setPixmap(Pictures::statePicture(state)); }

void TFormChat::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!e->spontaneous()) FormShow();
}

void TFormChat::FormShow()
{
    if (ctx_ && ctx_->messages) {
        try {
            const ChatInfo info = ctx_->messages->chatInfo(caption_);
            LabelIP->setText(info.address);
            if (info.font) applySendFont(*info.font);
            EditMobile->setText(info.mobile);
            EditPhone->setText(info.phone);
            EditShort->setText(info.shortNumber);
            EditEmail->setText(info.email);
            ButtonSms->setVisible(info.smsVisible);
            ButtonSms->setEnabled(info.smsEnabled);
        } catch (const DbError&) {
            // A lost database keeps the window as it was; the main window shows the offline picture.
        }
    }
    PageControl->setCurrentIndex(0);
    PanelRight->setFixedWidth(200);
    if (!isMaximized()) resize(600, height());
    ButtonShare->setToolTip(QStringLiteral("\\\\") + LabelIP->text());
}

void TFormChat::ImageMaxClick()
{
    if (isMaximized()) showNormal();
    else showMaximized();
}

void TFormChat::appendMessage(const QString& header, const QColor& headerColor, const QString& rtf)
{
    QTextCursor c(RichEditRec->document());
    c.movePosition(QTextCursor::End);
    if (!RichEditRec->document()->isEmpty()) c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextCharFormat head;
    head.setForeground(headerColor);
    c.insertText(header, head);
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextDocument body;
    body.setDefaultFont(RichEditRec->document()->defaultFont());
    bool parsed = false;
    if (rtf.trimmed().startsWith(QLatin1String("{\\rtf"))) {
        try {
            oa::fromRtf(rtf, &body);
            parsed = true;
        } catch (...) {
        }
    }
    // Text that is not RTF (or that the reader refuses) is shown as it is.
    if (!parsed) body.setPlainText(rtf);
    // A trailing empty paragraph of the document would leave a blank line under every message.
    QTextCursor all(&body);
    all.movePosition(QTextCursor::End);
    while (body.blockCount() > 1 && body.lastBlock().text().isEmpty()) {
        all.deletePreviousChar();
        all.movePosition(QTextCursor::End);
    }
    c.insertFragment(QTextDocumentFragment(&body));
    RichEditRec->verticalScrollBar()->setValue(RichEditRec->verticalScrollBar()->maximum());
}

void TFormChat::appendReceived(const QString& sender, const QDateTime& sent, const QString& rtf)
{
    appendMessage(sender + QLatin1Char(' ') + sent.toString(QStringLiteral("hh:mm:ss")), QColor(0, 0, 255), rtf);
}

void TFormChat::flash() { QApplication::alert(this, 3000); }

void TFormChat::ButtonSendClick()
{
    if (!ctx_ || !ctx_->messages) return;
    try {
        const auto sent = ctx_->messages->send(caption_, *RichEditSend->document(), [this](const QDateTime& t, const QString& rtf) {
            appendMessage(ctx_->state->tname + QStringLiteral("  ") + t.toString(QStringLiteral("hh:mm:ss")), QColor(0, 128, 0), rtf);
        });
        if (!sent) return;
        RichEditSend->clear();
        applySendFont(font_);
        RichEditSend->setFocus();
    } catch (const DbError& e) {
        // The typed text stays in the send box, so nothing is lost.
        if (ctx_->prompter) ctx_->prompter->error(e.message());
    }
}

ChatFont TFormChat::sendFont() const { return font_; }

void TFormChat::applySendFont(const ChatFont& f)
{
    font_ = f;
    QFont q = RichEditSend->font();
    if (!f.name.isEmpty()) q.setFamily(f.name);
    if (f.size > 0) q.setPointSize(f.size);
    q.setBold(f.style & 1);
    q.setItalic(f.style & 2);
    q.setUnderline(f.style & 4);
    q.setStrikeOut(f.style & 8);
    QTextCharFormat fmt;
    fmt.setFont(q);
    fmt.setForeground(fromWindowsColor(f.color));
    QTextCursor all(RichEditSend->document());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(fmt);
    RichEditSend->setCurrentCharFormat(fmt);
}

void TFormChat::saveFont()
{
    if (ctx_ && ctx_->messages) ctx_->messages->saveFont(font_);
}

void TFormChat::ButtonFontClick()
{
    const QTextCharFormat cur = RichEditSend->currentCharFormat();
    QFont start = cur.font();
    if (ctx_ && ctx_->pickFont) {
        if (const auto f = ctx_->pickFont(start, this)) {
            ChatFont cf = font_;
            cf.name = f->family();
            cf.size = f->pointSize() > 0 ? f->pointSize() : cf.size;
            cf.style = (f->bold() ? 1 : 0) | (f->italic() ? 2 : 0) | (f->underline() ? 4 : 0) | (f->strikeOut() ? 8 : 0);
            if (cf.charSet == 0) cf.charSet = 1;
            applySendFont(cf);
        }
    }
    // Stored whether or not the dialog was confirmed, as the font the send box now has.
    if (font_.name.isEmpty()) font_.name = start.family();
    saveFont();
}

void TFormChat::ButtonColorClick()
{
    if (ctx_ && ctx_->pickColor) {
        if (const auto c = ctx_->pickColor(fromWindowsColor(font_.color), this)) {
            ChatFont cf = font_;
            if (cf.name.isEmpty()) cf.name = RichEditSend->currentCharFormat().font().family();
            cf.color = toWindowsColor(*c);
            applySendFont(cf);
        }
    }
    saveFont();
}

bool TFormChat::eventFilter(QObject* o, QEvent* e)
{
    if (o == RichEditSend && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
            if (mods == Qt::ShiftModifier || mods == Qt::ControlModifier) {
                RichEditSend->textCursor().insertBlock();
            } else {
                ButtonSendClick();
            }
            return true;
        }
    }
    if (o == title_ && e->type() == QEvent::MouseButtonDblClick) {
        ImageMaxClick();
        return true;
    }
    return QWidget::eventFilter(o, e);
}

}  // namespace oa::lantern
