#pragma once

#include "panels/LineLamps.h"

#include <QWidget>

#include <array>
#include <functional>

class QLabel;
class QProgressBar;

namespace widgets {
class Lamp;
}

namespace panels {

// The lamp window of a modem session: CONNECT, DSR, CTS, RxD, TxD and the
// gauge of the modem command time-out.
class LampWindow : public QWidget {
public:
    explicit LampWindow(core::TimerFactory &timers, QWidget *parent = nullptr);
    ~LampWindow() override;

    // Attaches the lamps to the port (through OnShowLeds) and shows the window
    // in parent at the position, with a dialog border when floating.
    void showLeds(QWidget *parent, int left, int top, bool floating);
    void setGaugeMax(int maximum);
    void setGaugePosition(int position);
    void setTimeText(const QString &text);
    void enableLeds(bool enabled);
    void hideLeds();
    void halt();

    LineLamps &lamps() { return m_lamps; }
    int gaugeMax() const;
    int gaugePosition() const;
    QString timeText() const;
    unsigned connectColour() const;
    widgets::Lamp *lineLed(LineLamps::Lamp lamp) const { return m_lineLeds.at(lamp); }

    // Set by whoever owns the port: connects the port's line states to lamps().
    std::function<void(LineLamps &lamps)> onShowLeds;
    // The window became visible (true) or hidden: the port feeds the line lamps only meanwhile.
    std::function<void(LineLamps &lamps, bool visible)> onLampsVisible;

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void refreshLamps();
    void reserveTimeWidth();

    LineLamps m_lamps;
    widgets::Lamp *m_connectLed;
    std::array<widgets::Lamp *, LineLamps::LampCount> m_lineLeds{};
    std::array<QLabel *, 6> m_captions{};
    QProgressBar *m_gauge;
    QLabel *m_timeLabel;
};

}  // namespace panels
