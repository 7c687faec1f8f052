#pragma once
#include <QDateTime>
#include <QString>

namespace oa::lantern {

// Presence codes of tongxinV5.状态 (and the contact list's "never logged in").
inline constexpr const char* kOnline = "1";
inline constexpr const char* kAway = "2";
inline constexpr const char* kOffline = "3";
inline constexpr int kNoPresence = 4;

// Poll rates of the message timer: fast while something happens, slow after a run of empty polls.
inline constexpr int kFastPollMs = 3000;
inline constexpr int kSlowPollMs = 60000;
inline constexpr int kSlowAfterTicks = 101;        // the back-off counter starts at 1
inline constexpr int kAwayAfterMs = 600000;
inline constexpr int kHeartbeatSecs = 300;

// Everything the main window keeps for the life of the process. The services read and write it; it outlives
// any one database session, so a reconnection to another server keeps the login and the counters.
struct LanternState {
    QString tno;                 // staff number of the member logged in
    QString tname;               // display name: the key of every table
    QString password;            // TPassWord as stored
    int presenceId = 0;          // tongxinV5.id of the own row
    QString serverAddress;       // the settings file's server (or --database), as shown in the login window
    QString connResult;          // "" before the first attempt, then "ok" or "Notok"
    QDateTime serverClock;       // server time read at login, advanced each second
    qint64 secondsOfDay = 0;     // not wrapped at midnight
    QString schoolYear;          // varset nowxueqi
    QString webOaAddress;        // varset 学校OA网地址
    QString sharedHostAddress;   // varset 学校共享主机地址
    QString currentGroup;        // empty: all staff
    bool soundOn = true;
    int firstShow = 1;           // 100 once the after-login setup has run
    int awayFlag = 0;            // 1 after the idle detector marked the member away
    QString loggedIn;            // "Ok" after an automatic login, "OK" after the setup
    QString pending;             // "OK" when the last counter refresh found something new

    int pollTick = 1;            // back-off counter of the message poll
    int pollInterval = kFastPollMs;

    int wrongAttempts = 0;       // login window: wrong passwords in this process
    bool loginLocked = false;    // "确定" disabled after the fourth wrong password
};

}  // namespace oa::lantern
