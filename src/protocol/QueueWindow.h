#pragma once

#include "TransferQueue.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QSpinBox;
class QWidget;

namespace protocol {

// The "TransferListe" tool window: shows the queue's fill level, mode and
// time-outs, and its traffic when "report lokal" is on. The queue is the logic.
class QueueWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int ShortHeight = 150;
    static constexpr int LogHeight = 587;

    explicit QueueWindow(TransferQueue &queue, QWidget *parent = nullptr);
    ~QueueWindow() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void fillButtonClick();
    void flushButtonClick();
    void clearButtonClick();
    void reportLocalClick(bool on);
    void stayOnTopClick(bool on);
    void showState();
    void addLogLine(const QString &line, bool outgoing);
    void placeTopRight();

    TransferQueue &m_queue;
    QProgressBar *m_fill;
    QLabel *m_status;
    QLabel *m_mode;
    QLabel *m_countdown;
    QLabel *m_waitRestarts;
    QLabel *m_delta;
    QSpinBox *m_waitUpDown;
    QSpinBox *m_delayUpDown;
    QCheckBox *m_soTimeOut;
    QWidget *m_logPart;
    QPlainTextEdit *m_queueLog;
    QLineEdit *m_out;
    QLineEdit *m_in;
};

}  // namespace protocol
