#pragma once
#include "records/replywindow.h"
#include <QDialog>

class QSpinBox;

// "应答等待设置": how long a record read waits for its answer, how often it asks, and how long the
// line must stay silent after a failed attempt. A slow or long line needs these wider.
class ReplyWindowDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReplyWindowDialog(const records::ReplyWindow &current, QWidget *parent);

    // What the boxes hold now (within the bounds of records::ReplyWindow).
    records::ReplyWindow value() const;

    QSpinBox *spnRecordWindow;
    QSpinBox *spnAttempts;
    QSpinBox *spnGuard;

private:
    void setBoxes(const records::ReplyWindow &w);
};
