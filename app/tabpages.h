#pragma once
#include <QWidget>

class QGroupBox;
class QLabel;

// Tab "实时数据": the note on the recorder's address and the frames of live acquisition.
class LivePage : public QWidget {
    Q_OBJECT
public:
    explicit LivePage(QWidget *parent = nullptr);
    // The frames as a reader goes through them (their panels are made in another order).
    QList<QWidget *> readingOrder() const;
    QLabel *lblAddressNote;         // the recorder answers at address 21 until set otherwise
    QGroupBox *liveValuesFrame;     // "温度组1"
    QGroupBox *modulePassFrame;     // "多模块操作"
    QGroupBox *pollingFrame;        // "单次采集"
    QGroupBox *storageStateFrame;   // "存储状态监测"
};

// Tab "仪器设置": the polling table's device frames, interval, clock and baud rate.
class InstrumentPage : public QWidget {
    Q_OBJECT
public:
    explicit InstrumentPage(QWidget *parent = nullptr);
    // The frames as a reader goes through them (their panels are made in another order).
    QList<QWidget *> readingOrder() const;
    QGroupBox *deviceCountFrame;    // "RS485 MODBUS-RTU轮循设备总数"
    QGroupBox *intervalFrame;       // "记录时间间隔"
    QGroupBox *fraClock;            // "设备时钟"
    QGroupBox *dataLengthFrame;     // "RS485轮循数据长度"
    QGroupBox *startRegisterFrame;  // "RS485轮循寄存器起始地址"
    QGroupBox *deviceAddressFrame;  // "RS485轮循设备地址"
    QGroupBox *baudRateFrame;       // "波特率"
};

// Tab "扩展设置": multipliers and sensor types.
class ExtendedPage : public QWidget {
    Q_OBJECT
public:
    explicit ExtendedPage(QWidget *parent = nullptr);
    QList<QWidget *> readingOrder() const;
    QGroupBox *multiplierFrame;  // "测点数据倍率"
    QGroupBox *fraSensorType;  // "传感器类型"
};

// Tab "维护工具": a recorder's settings to and from a file, the bus scan, the archive's audit trail.
class ToolsPage : public QWidget {
    Q_OBJECT
public:
    explicit ToolsPage(QWidget *parent = nullptr);
    QList<QWidget *> readingOrder() const;
    QGroupBox *fraSettingsFile;  // "记录仪设置文件"
    QGroupBox *fraBusScan;       // "总线扫描"
    QGroupBox *fraArchiveAudit;  // "存档审计"
    QGroupBox *fraLanguage;      // the window's language at the next start
};
