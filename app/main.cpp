#include "app/frmmain.h"
#include "app/qtdesktop.h"
#include "core/process/interrupt.h"
#include "core/settings/appdir.h"
#include "core/settings/language.h"
#include "core/settings/settingsfiles.h"
#include "panels/port/portpanel.h"
#include "sim/simrecorder.h"
#include "ui/translation.h"
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLocale>
#include <QMap>
#include <cstdio>
#include <QMessageBox>
#include <optional>

namespace {

struct Options {
    QCommandLineOption appDir{QStringLiteral("appdir"),
        QStringLiteral("Directory of comm.set, ModSet.set and the exports (default: beside a portable copy of the program, else the per-user data folder)."),
        QStringLiteral("dir")};
    QCommandLineOption demo{QStringLiteral("demo"),
        QStringLiteral("Attach the saved COM port to a built-in simulated recorder (addresses 21 and the saved device address).")};
    QCommandLineOption demoLine{QStringLiteral("demo-line"),
        QStringLiteral("The simulated recorder's line with --demo: pty (a pseudo-terminal, the default), rtu-over-tcp (raw RTU "
                       "behind a TCP listener, as a device server) or tcp (a Modbus TCP server, as a gateway)."),
        QStringLiteral("pty|rtu-over-tcp|tcp"), QStringLiteral("pty")};
    QCommandLineOption lang{QStringLiteral("lang"),
        QStringLiteral("Language of the window: zh (Chinese, the default) or en (English). Without it, the choice saved "
                       "in the window, else English for an en_* locale and Chinese for any other."),
        QStringLiteral("zh|en")};
    QCommandLineOption tab{QStringLiteral("tab"),
        QStringLiteral("Open the window on tab N (1 is the first)."), QStringLiteral("N")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOption(appDir);
        parser.addOption(demo);
        parser.addOption(demoLine);
        parser.addOption(lang);
        parser.addOption(tab);
    }
};

using DemoLine = sim::SimRecorder::Transport;

// The demo puts a simulated recorder on a pseudo-terminal (or behind a TCP listener) and maps the
// saved COM number to its path (or URL). False (after saying why) when the recorder cannot start.
bool startDemo(sim::SimRecorder &recorder, DemoLine line, const QString &appDir, ComPorts &ports)
{
    QString error;
    if (!recorder.start(&error, line)) {
        QMessageBox::critical(nullptr, QStringLiteral("System Information"),
                              QCoreApplication::translate("main", "模拟记录仪无法启动：%1").arg(error));
        return false;
    }
    const auto comm = settings::readComm(appDir).value;
    const auto mod = settings::readMod(appDir).value;
    recorder.setLineBaud(comm.baudRate);
    const QDateTime first = QDateTime::currentDateTime().addSecs(-300 * 60);
    const uint8_t address = uint8_t(mod.deviceAddress);
    if (mod.deviceAddress >= 1 && mod.deviceAddress <= 247 && address != 21)
        recorder.addDevice(address);
    for (uint8_t a : recorder.addresses())
        recorder.setRecords(sim::SimRecorder::demoRecords(300, first), a);
    ports.setOverride(comm.portNumber, recorder.portPath());
    return true;
}

// The tab --tab asks for (1 without it), or nothing (after saying why) when the window has no such tab.
std::optional<int> firstTab(const QCommandLineParser &parser, const QCommandLineOption &option, const frmMain &window)
{
    if (!parser.isSet(option))
        return 1;
    bool ok = false;
    const int tab = parser.value(option).toInt(&ok);
    if (!ok || tab < 1 || tab > window.tabs->count()) {
        fprintf(stderr, "wl8806n: --tab %s: use 1 to %d\n", qPrintable(parser.value(option)), int(window.tabs->count()));
        return std::nullopt;
    }
    return tab;
}

void showDemoStatus(frmMain &window, const sim::SimRecorder &recorder)
{
    QStringList served;
    for (uint8_t a : recorder.addresses())
        served << QString::number(a);
    window.showStatus(QCoreApplication::translate("main", "演示模式：COM%1 连接到模拟记录仪（%2），设备地址 %3")
                          .arg(window.portPanel->portInUse)
                          .arg(recorder.portPath(), served.join(QCoreApplication::translate("main", "、"))));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("wl8806n"));
    QApplication::setApplicationVersion(QStringLiteral("14.12.10"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("WL8806N RS485 记录仪随机软件"));
    parser.addHelpOption();
    parser.addVersionOption();
    const Options options;
    options.addTo(parser);
    parser.process(app);

    QtDesktop desktop(resolveAppDir(parser.value(options.appDir), QCoreApplication::applicationDirPath()));

    // The language is settled before the first widget exists: every text is translated as it is made.
    if (parser.isSet(options.lang) && !language::parse(parser.value(options.lang))) {
        fprintf(stderr, "wl8806n: --lang %s: use zh or en\n", qPrintable(parser.value(options.lang)));
        return 64;
    }
    static const QMap<QString, DemoLine> demoLines = {
        {QStringLiteral("pty"), DemoLine::Pty}, {QStringLiteral("rtu-over-tcp"), DemoLine::RtuOverTcp}, {QStringLiteral("tcp"), DemoLine::ModbusTcp}};
    if (!demoLines.contains(parser.value(options.demoLine))) {
        fprintf(stderr, "wl8806n: --demo-line %s: use pty, rtu-over-tcp or tcp\n", qPrintable(parser.value(options.demoLine)));
        return 64;
    }
    const QString languageProblem = translation::start(desktop.appDir(), parser.isSet(options.lang) ? parser.value(options.lang) : QString(),
                                                       QLocale::system().name()).problem;
    ComPorts ports;
    sim::SimRecorder recorder;
    const bool demo = parser.isSet(options.demo);
    if (demo && !startDemo(recorder, demoLines.value(parser.value(options.demoLine)), desktop.appDir(), ports))
        return 1;

    frmMain window(desktop, ports);
    const auto tab = firstTab(parser, options.tab, window);
    if (!tab)
        return 64;
    if (demo)
        window.link().setPeerWitness(&recorder);
    desktop.setParentWidget(&window);
    window.showOnScreen();
    window.load();
    window.tabs->setCurrentIndex(*tab - 1);  // once the files are read: the page shows what they hold
    if (demo)
        showDemoStatus(window, recorder);
    if (!languageProblem.isEmpty())
        window.showStatus(languageProblem);
    // A hang-up, Ctrl-C or SIGTERM (a logout, a shutdown) closes the window as its close box does: a
    // command under way is stopped safely first, and the program ends as after any close.
    const process::Interrupt stop([&window] { window.close(); });
    return app.exec();
}
