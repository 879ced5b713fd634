#include "collect/devicerun.h"
#include "collect/outputs.h"

namespace collect {

DeviceResult collectDevice(Link &link, const Link::Hold &hold, jobs::CollectJob job, const QMap<QString, QString> &files)
{
    DeviceResult res;
    job.keepFiles = [&](const QList<records::Record> &kept, int sensors, bool partial, const QStringList &names) {
        res.files.clear();
        res.filesFailed.clear();
        return writeFiles(kept, sensors, files, partial, &res.files, &res.filesFailed, names);
    };
    static_cast<jobs::Collected &>(res) = jobs::collectDownload(link, hold, job);
    return res;
}

} // namespace collect
