#include "collect/devicerun.h"
#include "collect/outputs.h"

namespace collect {

DeviceResult collectDevice(Link &link, const Link::Hold &hold, jobs::CollectJob job, const QMap<QString, QString> &files)
{
    DeviceResult res;
    job.keepFiles = [&](const QList<records::Record> &kept, int sensors, bool partial, const QStringList &names) {
        Written w = writeFiles(kept, sensors, files, partial, names);
        res.files = w.files;
        res.filesFailed = w.failed;
        return w.problems;
    };
    static_cast<jobs::Collected &>(res) = jobs::collectDownload(link, hold, job);
    return res;
}

} // namespace collect
