#include "tools/demo/DemoSchool.h"

namespace oa {

QList<DemoSchool::Login> DemoSchool::logins() { return {}; }

void DemoSchool::populate() {}

}  // namespace oa
