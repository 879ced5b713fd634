#include "core/jobs/modulepass.h"
#include "core/jobs/downloadcheck.h"
#include "core/config/recordersettings.h"
#include "core/records/memoryfill.h"
#include "core/records/recorddecode.h"

namespace jobs {

ModulePass::ModulePass(Link &link, DownloadAndKeep &download, QObject *parent)
    : QObject(parent), m_link(link), m_download(download)
{
}

std::optional<ModulePass::End> ModulePass::ended(const Link::Hold &hold) const
{
    if (hold.stopped())
        return End::Stopped;
    if (!m_link.isOpen())
        return End::PortClosed;
    return std::nullopt;
}

ModulePass::End ModulePass::run(const Link::Hold &hold, const ModulePassSettings &s, QStringList &notes)
{
    for (int m = 1; m <= s.modules; ++m)
        if (const auto end = passModule(hold, s, m, notes))
            return *end;
    return End::Complete;
}

std::optional<ModulePass::End> ModulePass::passModule(const Link::Hold &hold, const ModulePassSettings &s, int m,
                                                      QStringList &notes)
{
    const auto address = uint8_t(m);
    emit moduleStarted(m);
    LiveTarget live = s.live;
    live.device = address;
    emit liveRead(live, readLiveValues(m_link, hold, live));
    if (const auto end = ended(hold))
        return end;
    m_link.pause(hold, s.pauseMs);
    if (hold.stopped())
        return End::Stopped;

    using Verdict = DownloadCheck::Verdict;
    const DownloadCheck check = checkDownload(m_link, hold, address, m_download.window().attempts,
                                              {{}, s.sensors, [&](const records::CountRead &count) { emit countRead(address, count); }, {}});
    if (const auto end = ended(hold))
        return end;
    if (check.verdict == Verdict::NoCount) {
        notes << tr("模块 %1：未读到记录条数，未读取记录。").arg(m);
        return std::nullopt;
    }
    if (check.verdict == Verdict::NoSensors || check.verdict == Verdict::OtherSensors) {
        notes << tr("模块 %1：%2，未读取记录。").arg(m).arg(check.recorders ? recorder::sensorCountMismatch(*check.recorders, s.sensors)
                                                                         : tr("未读到传感器总数（寄存器 136）"));
        return std::nullopt;
    }
    const int records = check.last;
    if (const auto fill = records::memoryFill(records, s.sensors); fill && fill->nearlyFull() && !fill->overCapacity())
        notes << tr("模块 %1：%2。").arg(m).arg(records::fillWarning(*fill));
    if (check.verdict == Verdict::BeyondMemory) {
        notes << tr("模块 %1：%2 条记录超出了寄存器范围（每条 %3 个寄存器时最多 %4 条），未读取记录。")
                     .arg(m).arg(records).arg(records::registersPerRecord(s.sensors)).arg(check.lastAddressable);
        return std::nullopt;
    }
    const DownloadAndKeep::Result r = m_download.run(hold, address, 1, records, s.sensors);
    emit downloaded(address, r);
    if (const QString problem = records::downloadMessage(r.downloaded.outcome); !problem.isEmpty())
        notes << tr("模块 %1：%2").arg(m).arg(problem);
    if (hold.stopped())
        return End::Stopped;
    if (r.downloaded.outcome.end == records::DownloadOutcome::End::PortLost || !m_link.isOpen())
        return End::PortClosed;
    return std::nullopt;
}

} // namespace jobs
