#pragma once
// A fresh SQLite archive in a temporary folder for a benchmark run; says why when it cannot.
#include "core/archive/recordstore.h"
#include <QTemporaryDir>
#include <cstdio>

inline bool openScratchStore(archive::RecordStore &store, const QTemporaryDir &dir)
{
    QString error;
    if (store.open({archive::ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}}, &error))
        return true;
    std::fprintf(stderr, "archive: %s\n", qPrintable(error));
    return false;
}
