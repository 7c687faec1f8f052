#include "ProgressLine.h"

namespace oa {

QString progressLine(int index, int total, const UpgradeStep& step, const StepOutcome& outcome)
{
    // A failure the step does not trap stops the upgrade: say so rather than "ignored".
    const bool stops = outcome.result == StepOutcome::Failed && !step.trapped && step.group < 0;
    const char* mark = outcome.result == StepOutcome::Done      ? "完成"
                       : outcome.result == StepOutcome::Skipped ? "已有"
                       : stops                                  ? "失败"
                                                                : "忽略";
    QString line = QStringLiteral("[%1/%2] %3  %4").arg(index + 1).arg(total).arg(QString::fromUtf8(mark), step.describe());
    if (outcome.result == StepOutcome::Failed && !outcome.detail.isEmpty()) line += QStringLiteral("  (") + outcome.detail + QLatin1Char(')');
    return line;
}

}  // namespace oa
