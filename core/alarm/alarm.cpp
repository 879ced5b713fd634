#include "core/alarm/alarm.h"
#include <QCoreApplication>
#include <array>

namespace watch {
namespace {
constexpr std::array<const char *, 4> EventWords{"raised", "repeated", "acknowledged", "cleared"};
constexpr std::array<const char *, 10> KindWords{"high",          "low",           "no-answer",    "archive-changed",
                                                 "backup-failed", "archive-unwritable", "notify-failed", "power",
                                                 "siren-failed",  "watcher-down"};

template <typename E, size_t N>
std::optional<E> fromWord(const std::array<const char *, N> &words, const QString &word)
{
    for (size_t i = 0; i < N; ++i)
        if (word == QLatin1String(words[i]))
            return E(i);
    return std::nullopt;
}
} // namespace

QString eventWord(AlarmEvent event) { return QLatin1String(EventWords[size_t(event)]); }
QString kindWord(AlarmKind kind) { return QLatin1String(KindWords[size_t(kind)]); }
std::optional<AlarmEvent> eventFromWord(const QString &word) { return fromWord<AlarmEvent>(EventWords, word); }
std::optional<AlarmKind> kindFromWord(const QString &word) { return fromWord<AlarmKind>(KindWords, word); }

QString kindName(AlarmKind kind)
{
    switch (kind) {
    case AlarmKind::High: return QCoreApplication::translate("alarm", "高于上限");
    case AlarmKind::Low: return QCoreApplication::translate("alarm", "低于下限");
    case AlarmKind::ArchiveChanged: return QCoreApplication::translate("alarm", "存档被改动");
    case AlarmKind::BackupFailed: return QCoreApplication::translate("alarm", "备份失败");
    case AlarmKind::ArchiveUnwritable: return QCoreApplication::translate("alarm", "存档无法写入");
    case AlarmKind::NotifyFailed: return QCoreApplication::translate("alarm", "通知送不到");
    case AlarmKind::Power: return QCoreApplication::translate("alarm", "停电");
    case AlarmKind::SirenFailed: return QCoreApplication::translate("alarm", "声光报警器失灵");
    case AlarmKind::WatcherDown: return QCoreApplication::translate("alarm", "值守程序曾停止");
    case AlarmKind::NoAnswer: break;
    }
    return QCoreApplication::translate("alarm", "无应答");
}

} // namespace watch
