#pragma once
#include "UpgradeEngine.h"

#include <QString>

namespace oa {

// One line per upgrade step, as the command line prints it and the wizard lists it:
// "[12/80] 完成  seed …", with a trapped failure's reason in brackets.
QString progressLine(int index, int total, const UpgradeStep& step, const StepOutcome& outcome);

}  // namespace oa
