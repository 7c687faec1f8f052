#include "registrar/imports/ImportText.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

namespace oa::ImportText {

QString nonNull(const QString& s) { return s.isNull() ? QString::fromLatin1("", 0) : s; }

std::optional<int> toInteger(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    int i = 0;
    if (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-')) ++i;
    if (i == t.size()) return std::nullopt;
    for (int k = i; k < t.size(); ++k)
        if (t[k] < QLatin1Char('0') || t[k] > QLatin1Char('9')) return std::nullopt;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return std::nullopt;
    return int(v);
}

Score toScore(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    Score s;
    const QString t = text.trimmed();
    if (t.isEmpty()) return s;
    if (!number.match(t).hasMatch()) {
        s.ok = false;
        return s;
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        s.ok = false;
        return s;
    }
    s.value = v;
    return s;
}

QString shortDateFormat() { return QStringLiteral("yyyy-M-d"); }
QString dateTimeFormat() { return QStringLiteral("yyyy-M-d H:mm:ss"); }

std::optional<QDate> toShortDate(const QString& text)
{
    static const QRegularExpression date(QStringLiteral("^(\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})$"));
    const auto m = date.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    if (!d.isValid()) return std::nullopt;
    return d;
}

QString dateTimeText(const QDateTime& t) { return t.toString(dateTimeFormat()); }

QString batchName(const QString& path, const QDateTime& localNow)
{
    return QStringLiteral("文件:") + QFileInfo(path).fileName() + dateTimeText(localNow);
}

}  // namespace oa::ImportText
