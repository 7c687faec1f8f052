#pragma once
#include "common/db/Session.h"
#include "lantern/app/LanternState.h"

#include <optional>

namespace oa::lantern {

struct Contact {
    QString tname;
    int state = kNoPresence;     // 1 online, 2 away, 3 offline, 4 never logged in to Lantern
};

struct ContactGroup {
    QString owner;
    int groupId = 0;
    QString name;
};

// The colleague list of the main window: all visible staff or one group, a name search, the groups, and
// who can be written to. Statements throw DbError; the main window decides what a failure shows.
class ContactService {
public:
    ContactService(Session& s, LanternState& st) : s_(s), st_(st) {}

    // Online first (by state as text), then by name. The current group of the state narrows it.
    QList<Contact> list();
    QList<Contact> allStaff();
    QList<Contact> group(const QString& groupName);
    QList<Contact> search(const QString& text);
    QList<ContactGroup> groups();

    // The colleague's presence row, needed to open a chat window; nullopt when he never logged in.
    struct Presence { int id = 0; int state = 0; QString address; };
    std::optional<Presence> presenceOf(const QString& tname);

    // "总数:N 在线:M    ": M counts the online and away rows.
    static QString summary(const QList<Contact>& contacts);

private:
    QList<Contact> read(const QString& sql, const Params& params);
    Session& s_;
    LanternState& st_;
};

inline constexpr const char* kNotActivated = "对方还没有激活Lantern，不能发信息，请提醒他下载Lantern,登录激活！";

}  // namespace oa::lantern
