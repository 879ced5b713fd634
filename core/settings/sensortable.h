#pragma once
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>
#include <utility>
// What a recorder's sensors are called and the range each one should stay in. They belong to a
// recorder (its name, the identity the archive keys on) and a sensor number 1 … 20, never to an
// address alone. The file "sensors.set" in the application folder is UTF-8, one line a sensor,
// fields separated by tabs so a name may hold commas:
//   冷库一号<TAB>3<TAB>东墙 1 米<TAB>℃<TAB>-5.0<TAB>30.0
// recorder, sensor, name, unit, low limit, high limit; any field after the sensor may be empty.
namespace sensors {
inline constexpr int MaxSensor = 20;
inline constexpr int MaxNameLength = 40;
inline constexpr int MaxUnitLength = 10;
inline constexpr qint64 MaxFileBytes = 256 * 1024;

struct Sensor {
    QString name;               // empty: "3#传感器"
    QString unit;
    std::optional<int> low;     // tenths, like every value shown
    std::optional<int> high;
    bool operator==(const Sensor &) const = default;
    bool isEmpty() const { return name.isEmpty() && unit.isEmpty() && !low && !high; }
};

// How a value stands against its sensor's limits. A value on a limit is inside; no reading is never
// out of range.
enum class Reading { NoReading, Inside, Below, Above };
Reading compare(std::optional<int> tenths, const Sensor &sensor);
inline bool outOfRange(Reading r) { return r == Reading::Below || r == Reading::Above; }

// A limit typed or read from the file: "30", "-5.5", "+0.5" (at most one decimal, within what a
// register word can show); nothing for anything else.
std::optional<int> parseLimit(const QString &text);
QString limitText(std::optional<int> tenths);  // "30.0", "-5.5", empty for none

class SensorTable {
public:
    static QString fileName() { return QStringLiteral("sensors.set"); }
    // The file read afresh. A missing file holds nothing. A file that cannot be read, or lines that
    // cannot be used (skipped), give one sentence in *problem naming the file.
    void load(const QString &appDir, QString *problem);
    void parse(const QByteArray &content, QString *problem);
    Sensor sensor(const QString &recorder, int number) const { return m_sensors.value({recorder, number}); }
    // Why a sensor cannot be set so (empty when it can): a number outside 1 … 20, a name or unit too
    // long or holding a tab or line break, low above high.
    static QString refusal(int number, const Sensor &sensor);
    bool set(const QString &recorder, int number, const Sensor &sensor, QString *error);
    // The recorder's sensors moved to its new name (a recorder renamed).
    void rename(const QString &from, const QString &to);
    // "东墙 1 米", or "3#传感器" for a sensor without a name.
    QString displayName(const QString &recorder, int number) const;
    // The same for the window: a sensor without a name in the window's language ("Sensor 3").
    QString shownName(const QString &recorder, int number) const;
    bool isEmpty() const { return m_sensors.isEmpty(); }
    // The sensors (1-based) of a recorder's values (value k is sensor k + 1) outside their limits.
    QList<int> outOfRange(const QString &recorder, const QVector<std::optional<int>> &tenths) const;
    // The recorder's sensors that have a name, a unit or a limit, by number.
    QMap<int, Sensor> of(const QString &recorder) const;
    QByteArray content() const;
    bool save(const QString &appDir, QString *error) const;
private:
    QMap<std::pair<QString, int>, Sensor> m_sensors;
};
} // namespace sensors
