#include "core/settings/sensortable.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>

namespace sensors {

namespace {
bool hasControl(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
}
} // namespace

Reading compare(std::optional<int> tenths, const Sensor &sensor)
{
    if (!tenths)
        return Reading::NoReading;
    if (sensor.low && *tenths < *sensor.low)
        return Reading::Below;
    if (sensor.high && *tenths > *sensor.high)
        return Reading::Above;
    return Reading::Inside;
}

std::optional<int> parseLimit(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^([+-]?)(\\d{1,5})(?:\\.(\\d))?$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int tenths = m.captured(2).toInt() * 10 + (m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
    const int value = m.captured(1) == QLatin1String("-") ? -tenths : tenths;
    // A box shows what one signed or unsigned register word holds: nothing outside can be reached.
    if (value < -32768 || value > 65535)
        return std::nullopt;
    return value;
}

QString limitText(std::optional<int> tenths)
{
    if (!tenths)
        return QString();
    const int a = std::abs(*tenths);
    return QStringLiteral("%1%2.%3").arg(*tenths < 0 ? QStringLiteral("-") : QString()).arg(a / 10).arg(a % 10);
}

QString SensorTable::refusal(int number, const Sensor &sensor)
{
    if (number < 1 || number > MaxSensor)
        return QCoreApplication::translate("sensors", "传感器号 %1 不在 1 到 %2 之间").arg(number).arg(MaxSensor);
    if (sensor.name.toUcs4().size() > MaxNameLength || hasControl(sensor.name))
        return QCoreApplication::translate("sensors", "名称“%1”超过 %2 个字符或含制表符、换行").arg(safefile::shown(sensor.name)).arg(MaxNameLength);
    if (sensor.unit.toUcs4().size() > MaxUnitLength || hasControl(sensor.unit))
        return QCoreApplication::translate("sensors", "单位“%1”超过 %2 个字符或含制表符、换行").arg(safefile::shown(sensor.unit)).arg(MaxUnitLength);
    if (sensor.low && sensor.high && *sensor.low > *sensor.high)
        return QCoreApplication::translate("sensors", "下限 %1 高于上限 %2").arg(limitText(sensor.low), limitText(sensor.high));
    return QString();
}

bool SensorTable::set(const QString &recorder, int number, const Sensor &sensor, QString *error)
{
    Sensor s{sensor.name.trimmed(), sensor.unit.trimmed(), sensor.low, sensor.high};
    const QString why = recorder.trimmed().isEmpty() ? QCoreApplication::translate("sensors", "没有记录仪名称") : refusal(number, s);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    if (s.isEmpty())
        m_sensors.remove({recorder, number});
    else
        m_sensors.insert({recorder, number}, s);
    return true;
}

void SensorTable::rename(const QString &from, const QString &to)
{
    for (int n = 1; n <= MaxSensor; ++n)
        if (m_sensors.contains({from, n}))
            m_sensors.insert({to, n}, m_sensors.take({from, n}));
}

QList<int> SensorTable::outOfRange(const QString &recorder, const QVector<std::optional<int>> &tenths) const
{
    QList<int> out;
    for (int k = 0; k < tenths.size() && k < MaxSensor; ++k)
        if (tenths[k] && sensors::outOfRange(compare(tenths[k], sensor(recorder, k + 1))))
            out << k + 1;
    return out;
}

QMap<int, Sensor> SensorTable::of(const QString &recorder) const
{
    QMap<int, Sensor> out;
    for (auto it = m_sensors.lowerBound({recorder, 0}); it != m_sensors.cend() && it.key().first == recorder; ++it)
        out.insert(it.key().second, *it);
    return out;
}

QString SensorTable::displayName(const QString &recorder, int number) const
{
    const QString name = sensor(recorder, number).name;
    return name.isEmpty() ? QStringLiteral("%1#传感器").arg(number) : name;
}

QString SensorTable::shownName(const QString &recorder, int number) const
{
    const QString name = sensor(recorder, number).name;
    return name.isEmpty() ? QCoreApplication::translate("sensors", "%1#传感器").arg(number) : name;
}

void SensorTable::load(const QString &appDir, QString *problem)
{
    m_sensors.clear();
    safefile::load(appDir + QLatin1Char('/') + fileName(), MaxFileBytes, [&](const QByteArray &content) { parse(content, problem); },
                   [&](const QString &why) {
                       if (problem)
                           *problem = QCoreApplication::translate("sensors", "传感器设置文件 %1 %2，未读取：传感器没有名称和限值").arg(fileName(), why);
                   });
}

void SensorTable::parse(const QByteArray &content, QString *problem)
{
    m_sensors.clear();
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.first().startsWith("\xEF\xBB\xBF"))
        lines.first().remove(0, 3);
    QStringList bad;
    int badCount = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8(lines[i]);
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        if (text.trimmed().isEmpty() || text.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const QStringList f = text.split(QLatin1Char('\t'));
        QString why;
        bool isNumber = false;
        const int number = f.value(1).trimmed().toInt(&isNumber, 10);
        const auto limit = [&](int k) -> std::optional<std::optional<int>> {
            const QString t = f.value(k).trimmed();
            if (t.isEmpty())
                return std::optional<int>();
            if (const auto v = parseLimit(t))
                return v;
            return std::nullopt;
        };
        const auto low = limit(4), high = limit(5);
        if (utf8.hasError())
            why = QCoreApplication::translate("sensors", "不是 UTF-8 文字");
        else if (f.size() < 2 || f.size() > 6 || !isNumber || f[0].trimmed().isEmpty())
            why = QCoreApplication::translate("sensors", "应为“记录仪<Tab>传感器号<Tab>名称<Tab>单位<Tab>下限<Tab>上限”");
        else if (!low || !high)
            why = QCoreApplication::translate("sensors", "限值不是最多一位小数的数");
        else if (m_sensors.contains({f[0].trimmed(), number}))
            why = QCoreApplication::translate("sensors", "这个传感器前面已有一行");
        else
            set(f[0].trimmed(), number, {f.value(2), f.value(3), *low, *high}, &why);
        if (why.isEmpty())
            continue;
        if (++badCount <= 3)
            bad << QCoreApplication::translate("sensors", "第 %1 行：%2").arg(i + 1).arg(why);
    }
    if (badCount > 0 && problem)
        *problem = QCoreApplication::translate("sensors", "传感器设置文件 %1 有 %2 行无法使用，已忽略（%3）").arg(fileName()).arg(badCount)
                       .arg(bad.join(QCoreApplication::translate("sensors", "；")) + (badCount > 3 ? QCoreApplication::translate("sensors", "……") : QString()));
}

QByteArray SensorTable::content() const
{
    // The file reads the same whatever the window's language.
    QByteArray out = QStringLiteral("# 传感器名称与限值：记录仪<Tab>传感器号<Tab>名称<Tab>单位<Tab>下限<Tab>上限\r\n").toUtf8();
    for (auto it = m_sensors.cbegin(); it != m_sensors.cend(); ++it)
        out += QStringList{it.key().first, QString::number(it.key().second), it->name, it->unit, limitText(it->low),
                           limitText(it->high)}
                   .join(QLatin1Char('\t'))
                   .toUtf8()
               + "\r\n";
    return out;
}

bool SensorTable::save(const QString &appDir, QString *error) const
{
    return safefile::writeWhole(appDir + QLatin1Char('/') + fileName(), content(), error);
}

} // namespace sensors
