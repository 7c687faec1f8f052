#pragma once
#include "common/db/Session.h"

namespace oa {

// Fills a freshly made school database with a deterministic demo school: configuration lists, staff and
// permissions, two school years of students, two exams of scores, and enough collaboration rows that every
// window and Lantern's counters show something.
class DemoSchool {
public:
    explicit DemoSchool(Session& s) : s_(s) {}
    void populate();

    struct Login { QString tno, password, tname, group, role; };
    static QList<Login> logins();

private:
    Session& s_;
};

}  // namespace oa
