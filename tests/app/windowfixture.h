#pragma once
#include "app/frmmain.h"
#include "recordingdesktop.h"
#include "sim/simrecorder.h"
#include "wholefile.h"
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// A window in a temporary application directory, with a simulated recorder behind COMn.
struct WindowFixture {
    QTemporaryDir dir;
    sim::SimRecorder recorder;
    std::unique_ptr<RecordingDesktop> desktop;
    std::unique_ptr<frmMain> window;

    explicit WindowFixture(int com = 4, int baud = 19200)
    {
        QString error;
        if (!recorder.start(&error))
            qFatal("simulated recorder: %s", qPrintable(error));
        recorder.setLineBaud(baud);
        recorder.setFrameEndBySilence(true);  // a master that skips the gap between frames gets no reply
        writeFile(QStringLiteral("comports.map"), QStringLiteral("COM%1=%2\n").arg(com).arg(recorder.portPath()).toUtf8());
        desktop = std::make_unique<RecordingDesktop>(dir.path());
    }

    void writeFile(const QString &name, const QByteArray &content)
    {
        if (!::writeFile(dir.filePath(name), content))
            qFatal("cannot write %s", qPrintable(name));
    }
    QByteArray readFile(const QString &name) const { return ::readFile(dir.filePath(name)); }

    frmMain &start()
    {
        window = std::make_unique<frmMain>(*desktop, ComPorts());
        window->link().setPeerWitness(&recorder);
        window->showOnScreen();
        window->load();
        return *window;
    }

    template <typename T = QWidget>
    T *find(const QString &name) const
    {
        T *w = window->findChild<T *>(name);
        if (!w)
            qFatal("no control named %s", qPrintable(name));
        return w;
    }
};
