// The settings files: the input is written whole into comm.set, ModSet.set and comports.map.
#include "app/settingsfiles.h"
#include "fuzzcheck.h"
#include "link/comports.h"
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QTemporaryDir dir;
    const QString path = dir.path();
    for (const char *name : {"comm.set", "ModSet.set", "comports.map"}) {
        QFile f(path + QLatin1Char('/') + QLatin1String(name));
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size) && f.flush());
    }

    const auto [comm, status, problem] = settings::readComm(path);
    FUZZ_CHECK(status == settings::Status::Ok
                   ? comm.portNumber >= 1 && comm.portNumber <= 25 && settings::isListedBaud(comm.baudRate)
                   : !problem.isEmpty());
    // ModSet.set's fields are 16-bit numbers.
    const auto mod = settings::readMod(path);
    for (int v : {mod.value.deviceAddress, mod.value.channelCount, mod.value.stationCount})
        FUZZ_CHECK(v >= -32768 && v <= 32767);

    // Every COM number names a device, the file's or the default one, without blanks around it.
    ComPorts ports;
    QStringList problems;
    ports.loadOverrides(path, &problems);
    for (int com = ComPorts::kFirst; com <= ComPorts::kLast; ++com) {
        const QString device = ports.device(com);
        FUZZ_CHECK(!device.isEmpty() && device == device.trimmed());
    }
    return 0;
}
