#pragma once
#include "lantern/chat/MessageService.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTextBrowser;
class QTextEdit;
class QToolButton;

namespace oa::lantern {

// What every chat window shares: the message service of the current session, the login state, the prompter.
struct ChatContext {
    MessageService* messages = nullptr;
    LanternState* state = nullptr;
    Prompter* prompter = nullptr;
    // Font and colour dialogs; tests replace them.
    std::function<std::optional<QFont>(const QFont&, QWidget*)> pickFont;
    std::function<std::optional<QColor>(const QColor&, QWidget*)> pickColor;
    // Opens the colleague's shared folders ("\\" + address).
    std::function<void(const QString&)> openShare;
};

// The conversation with one colleague: borderless, on the taskbar, received box above the send box,
// the colleague's contact details on the right.
class TFormChat : public QWidget {
    Q_OBJECT
public:
    explicit TFormChat(ChatContext* ctx, QWidget* parent = nullptr);

    QString colleague() const { return caption_; }
    void setColleague(const QString& name);     // caption and title caption
    void setPresenceId(int id);
    int presenceId() const;
    void setStatePicture(int state);

    // The show routine: the colleague's address and details, the own font, the SMS button; history closed.
    void FormShow();
    void ButtonSendClick();
    void ButtonFontClick();
    void ButtonColorClick();
    void ImageCloseClick() { hide(); }
    void ImageMaxClick();

    // Received box: a coloured header line, then the message's rich text.
    void appendMessage(const QString& header, const QColor& headerColor, const QString& rtf);
    void appendReceived(const QString& sender, const QDateTime& sent, const QString& rtf);
    void flash();

    ChatFont sendFont() const;
    void applySendFont(const ChatFont& f);

    QLabel* LabelID = nullptr;          // hidden: the colleague's presence id
    QLabel* LabelIP = nullptr;          // hidden: his desktop address
    QLabel* ImageState = nullptr;
    QLabel* LabelTitle = nullptr;
    QToolButton* ImageClose = nullptr;
    QToolButton* ImageMax = nullptr;
    QToolButton* ImageMin = nullptr;
    QWidget* PanelRight = nullptr;
    QStackedWidget* PageControl = nullptr;
    QLineEdit* EditMobile = nullptr;
    QLineEdit* EditPhone = nullptr;
    QLineEdit* EditShort = nullptr;
    QLineEdit* EditEmail = nullptr;
    QToolButton* ButtonShare = nullptr;
    QTextBrowser* RichEditRec = nullptr;
    QTextEdit* RichEditSend = nullptr;
    QToolButton* ButtonFont = nullptr;
    QToolButton* ButtonColor = nullptr;
    QPushButton* ButtonSend = nullptr;
    QPushButton* ButtonSms = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void saveFont();
    ChatContext* ctx_;
    QString caption_;
    QWidget* title_ = nullptr;
    ChatFont font_;
};

}  // namespace oa::lantern
