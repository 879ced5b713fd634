#include "core/settings/comports.h"
#include "core/settings/keyvaluelines.h"
#include "core/files/safefile.h"
#include <QCoreApplication>

using settings::Key;
using settings::Refusal;
using settings::readKeyValues;

QString ComPorts::defaultDevice(int com)
{
    if (com >= 1 && com <= 3)
        return QStringLiteral("/dev/ttyS%1").arg(com - 1);
    if (com >= 4 && com <= 11)
        return QStringLiteral("/dev/ttyUSB%1").arg(com - 4);
    if (com >= 12 && com <= 19)
        return QStringLiteral("/dev/ttyACM%1").arg(com - 12);
    if (com >= 20 && com <= 25)
        return QStringLiteral("/dev/ttyS%1").arg(com - 17);
    return QString();
}

namespace {
void say(QStringList *problems, const QString &text)
{
    if (problems)
        problems->append(text);
}

// One key a COM number, "com1" … "com25", its value the device it stands for.
const std::vector<Key<QMap<int, QString>>> &overrideKeys()
{
    static const std::vector<QByteArray> names = [] {
        std::vector<QByteArray> n;
        for (int com = ComPorts::kFirst; com <= ComPorts::kLast; ++com)
            n.push_back("com" + QByteArray::number(com));
        return n;
    }();
    static const std::vector<Key<QMap<int, QString>>> table = [] {
        std::vector<Key<QMap<int, QString>>> t;
        for (int com = ComPorts::kFirst; com <= ComPorts::kLast; ++com)
            t.push_back({names[std::size_t(com - ComPorts::kFirst)].constData(), [com](QMap<int, QString> &m, const QString &device) {
                             m.insert(com, device);
                             return QString();
                         }});
        return t;
    }();
    return table;
}

QString refused(const QString &why)
{
    return QCoreApplication::translate("comports", "设置文件 %1 %2，未读取，已使用默认的端口对应").arg(ComPorts::fileName(), why);
}
} // namespace

void ComPorts::loadOverrides(const QString &appDir, QStringList *problems)
{
    safefile::load(appDir + QLatin1Char('/') + fileName(), kMaxMapBytes, [&](const QByteArray &content) { parseOverrides(content, problems); },
                   [&](const QString &why) { say(problems, refused(why)); });
}

void ComPorts::parseOverrides(const QByteArray &content, QStringList *problems)
{
    if (content.size() > kMaxMapBytes)
        return say(problems, refused(QCoreApplication::translate("comports", "大于 %1 字节").arg(kMaxMapBytes)));
    QList<QByteArray> lines = content.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();  // after the last line end
    if (lines.size() > kMaxMapLines)
        return say(problems, refused(QCoreApplication::translate("comports", "超过 %1 行").arg(kMaxMapLines)));

    QMap<int, QString> read;
    const QList<Refusal> bad = readKeyValues(content, overrideKeys(), read, {true});
    m_overrides.insert(read);
    if (!bad.isEmpty())
        say(problems, QCoreApplication::translate("comports", "设置文件 %1 中有 %2 行无法识别（%3），已忽略这些行")
                          .arg(fileName()).arg(bad.size()).arg(bad.first().text()));
}

void ComPorts::setOverride(int com, const QString &device)
{
    m_fixed.insert(com, device);
}

QString ComPorts::device(int com) const
{
    if (const auto fixed = m_fixed.constFind(com); fixed != m_fixed.cend())
        return *fixed;
    return m_overrides.value(com, defaultDevice(com));
}
