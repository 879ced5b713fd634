#pragma once
#include <QString>
#include <QStringList>

// A record as the download writes it: " 5B" + time tokens + value words, each token after a blank.
inline QString recordText(const char *time, std::initializer_list<int> words)
{
    QString s = QStringLiteral(" 5B ") + QString::fromLatin1(time);
    for (int w : words)
        s += QStringLiteral(" %1 %2").arg((w >> 8) & 0xFF, 2, 16, QLatin1Char('0')).arg(w & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    return s;
}
