#pragma once
#include "core/records/replywindow.h"
#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;

// "应答等待设置": how long a record read waits for its answer, how often it asks, and how long the
// line must stay silent after a failed attempt. A slow or long line needs these wider. And whether
// the serial adapter echoes the requests (found by itself unless forced), and whether a download reads
// several records a request.
class ReplyWindowDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReplyWindowDialog(const records::ReplyWindow &current, QWidget *parent);

    // What the boxes hold now (within the bounds of records::ReplyWindow).
    records::ReplyWindow value() const;

    QSpinBox *spnRecordWindow;
    QSpinBox *spnAttempts;
    QSpinBox *spnGuard;
    QSpinBox *spnConnect;
    QComboBox *cboEcho;  // items in EchoMode order
    QCheckBox *chkBlockReads;

private:
    void setBoxes(const records::ReplyWindow &w);
};
