#include "core/settings/recorders.h"
#include "core/settings/comports.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>

namespace {
constexpr int kMaxReported = 10;  // malformed lines named one by one; the rest are counted

const QRegularExpression &defaultPattern()
{
    static const QRegularExpression re(QStringLiteral("^COM(\\d{1,4})-(\\d{1,4})$"), QRegularExpression::CaseInsensitiveOption);
    return re;
}

// "COM4" or "4"; 0 for anything else.
int portField(const QString &field)
{
    static const QRegularExpression re(QStringLiteral("^(?:COM)?\\s*(\\d{1,4})$"), QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(field);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}
} // namespace

QString RecorderNames::defaultName(int comPort, int address)
{
    return QStringLiteral("COM%1-%2").arg(comPort).arg(address);
}

QString RecorderNames::name(int comPort, int address) const
{
    return m_names.value({comPort, address}, defaultName(comPort, address));
}

QString RecorderNames::refusal(int comPort, int address, const QString &name) const
{
    if (comPort < ComPorts::kFirst || comPort > ComPorts::kLast)
        return QCoreApplication::translate("recorders", "端口 COM%1 不在 COM%2–COM%3 之内").arg(comPort).arg(ComPorts::kFirst).arg(ComPorts::kLast);
    if (address < kMinAddress || address > kMaxAddress)
        return QCoreApplication::translate("recorders", "地址 %1 不在 %2–%3 之内").arg(address).arg(kMinAddress).arg(kMaxAddress);
    if (name.isEmpty())
        return QCoreApplication::translate("recorders", "名称不能为空");
    const auto breaksLine = [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    };
    if (name.contains(QLatin1Char(',')) || std::any_of(name.begin(), name.end(), breaksLine))
        return QCoreApplication::translate("recorders", "名称“%1”不能含逗号、换行或其他控制字符").arg(safefile::shown(name));
    if (name.toUcs4().size() > kMaxNameLength)
        return QCoreApplication::translate("recorders", "名称“%1”超过 %2 个字符").arg(safefile::shown(name), QString::number(kMaxNameLength));
    if (const auto m = defaultPattern().match(name);
        m.hasMatch() && (m.captured(1).toInt() != comPort || m.captured(2).toInt() != address))
        return QCoreApplication::translate("recorders", "名称“%1”是另一台记录仪的默认名称").arg(name);
    for (auto it = m_names.cbegin(); it != m_names.cend(); ++it)
        if (it.key() != std::pair{comPort, address} && it->compare(name, Qt::CaseInsensitive) == 0)
            return QCoreApplication::translate("recorders", "名称“%1”已用于 %2").arg(name, defaultName(it.key().first, it.key().second));
    return QString();
}

bool RecorderNames::setName(int comPort, int address, const QString &name, QString *error)
{
    const QString trimmed = name.trimmed();
    const QString why = refusal(comPort, address, trimmed);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    m_names.insert({comPort, address}, trimmed);
    return true;
}

void RecorderNames::load(const QString &appDir, QStringList *problems)
{
    m_names.clear();
    safefile::load(appDir + QLatin1Char('/') + fileName(), kMaxFileBytes, [&](const QByteArray &content) { parse(content, problems); },
                   [&](const QString &why) {
                       if (problems)
                           problems->append(QCoreApplication::translate("recorders", "设置文件 %1 %2，未读取，记录仪使用默认名称").arg(fileName(), why));
                   });
}

void RecorderNames::parse(const QByteArray &content, QStringList *problems)
{
    m_names.clear();
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.first().startsWith("\xEF\xBB\xBF"))
        lines.first().remove(0, 3);  // the byte-order mark some editors write
    int bad = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = QString(utf8(lines[i])).trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        QString why;
        const QStringList f = text.split(QLatin1Char(','));
        bool isNumber = false;
        const int address = f.size() == 3 ? f[1].trimmed().toInt(&isNumber, 10) : 0;
        if (utf8.hasError())
            why = QCoreApplication::translate("recorders", "不是 UTF-8 文字");
        else if (f.size() != 3 || portField(f[0].trimmed()) == 0 || !isNumber)
            why = QCoreApplication::translate("recorders", "应为“COM端口,地址,名称”");
        else if (hasName(portField(f[0].trimmed()), address))
            why = QCoreApplication::translate("recorders", "这台记录仪前面已有名称");
        else
            setName(portField(f[0].trimmed()), address, f[2], &why);
        if (why.isEmpty())
            continue;
        if (++bad <= kMaxReported && problems)
            problems->append(QCoreApplication::translate("recorders", "设置文件 %1 第 %2 行“%3”：%4，已忽略此行")
                                 .arg(fileName()).arg(i + 1).arg(safefile::shown(text, 40), why));
    }
    if (bad > kMaxReported && problems)
        problems->append(QCoreApplication::translate("recorders", "……设置文件 %1 共 %2 行无法使用").arg(fileName()).arg(bad));
}

QByteArray RecorderNames::content() const
{
    QByteArray out = "# 记录仪名称：端口,地址,名称\r\n";
    for (auto it = m_names.cbegin(); it != m_names.cend(); ++it)
        out += QStringLiteral("COM%1,%2,%3\r\n").arg(it.key().first).arg(it.key().second).arg(*it).toUtf8();
    return out;
}

bool RecorderNames::save(const QString &appDir, QString *error) const
{
    return safefile::writeWhole(appDir + QLatin1Char('/') + fileName(), content(), error);
}
