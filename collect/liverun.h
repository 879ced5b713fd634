#pragma once
#include "collect/collector.h"
#include "collect/options.h"
#include <QJsonArray>

class Link;

namespace collect {

// --live: each device's live values read once, as the window's "单次" reads them. Without --json a
// line a device on standard output, the address and then the values as the window's boxes show them
// ("21 23.5 00.5 …"); always a note on standard error for a device that gave none or fewer than asked.
// Each device goes into devices as {"address", "values", "status": "ok" | "partial" | "unusable" |
// "interrupted"}. Returns the exit status: Complete, Missing (values missing, or interrupted) or
// Unusable (a device gave none).
int readLive(Link &link, const QList<uint8_t> &addresses, const Options &o, const bool &interrupted, const Io &io,
             QJsonArray &devices);

} // namespace collect
