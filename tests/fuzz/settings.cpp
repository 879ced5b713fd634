// The settings files: the input is parsed as comm.set, ModSet.set, replywin.set, comports.map and a
// recorder settings file.
#include "core/settings/settingsfiles.h"
#include "fuzzcheck.h"
#include "core/settings/comports.h"
#include "core/config/settingsfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto [comm, status, problem] = settings::parseComm(bytes);
    FUZZ_CHECK(status == settings::Status::Ok
                   ? comm.portNumber >= 1 && comm.portNumber <= 25 && comm.baudRate >= settings::kMinBaud && comm.baudRate <= settings::kMaxBaud
                   : !problem.isEmpty());
    // What ModSet.set gives is what the boxes accept.
    const auto mod = settings::parseMod(bytes);
    FUZZ_CHECK(mod.value.deviceAddress >= 1 && mod.value.deviceAddress <= 255);
    FUZZ_CHECK(mod.value.stationCount >= 0 && mod.value.stationCount <= 255);
    const auto reply = settings::parseReplyWindow(bytes).value;
    using W = records::ReplyWindow;
    FUZZ_CHECK(reply.recordWindowMs >= W::MinWindowMs && reply.recordWindowMs <= W::MaxWindowMs
               && reply.attempts >= W::MinAttempts && reply.attempts <= W::MaxAttempts
               && reply.guardMs >= W::MinGuardMs && reply.guardMs <= W::MaxGuardMs);

    // Every COM number names a device, the file's or the default one, without blanks around it.
    ComPorts ports;
    QStringList problems;
    ports.parseOverrides(bytes, &problems);
    for (int com = ComPorts::kFirst; com <= ComPorts::kLast; ++com) {
        const QString device = ports.device(com);
        FUZZ_CHECK(!device.isEmpty() && device == device.trimmed());
    }
    FUZZ_CHECK(problems.size() <= 1 && (problems.isEmpty() || problems[0].size() < 2000));

    // A recorder settings file gives every register or one short line naming a line; what it gives
    // is written back as the same words.
    const auto parsed = settingsfile::parse(bytes);
    FUZZ_CHECK(parsed.words ? parsed.error.isEmpty() && parsed.words->size() == settingsfile::registers().size()
                            : parsed.error.startsWith(QStringLiteral("第 ")) && parsed.error.size() < 200
                                  && !parsed.error.contains(QLatin1Char('\n')));
    if (parsed.words)
        FUZZ_CHECK(settingsfile::parse(settingsfile::write(*parsed.words, 1, {})).words == parsed.words);
    return 0;
}
