#pragma once

#include "LampWindow.h"
#include "SessionPanelWindow.h"
#include "session/RemoteSession.h"

#include <QObject>

namespace panels {

// The session's windows follow it: the lamp window shows the gauge of the
// modem wait, and the stop sequence lets go of the lamps and the panel.
// The windows may go before the session does; their connections go with them.
inline void wireSessionWindows(session::RemoteSession &session, LampWindow &lamps, SessionPanelWindow &panel)
{
    using session::RemoteSession;
    QObject::connect(&session, &RemoteSession::gaugeMaxChanged, &lamps, &LampWindow::setGaugeMax);
    QObject::connect(&session, &RemoteSession::gaugePositionChanged, &lamps, &LampWindow::setGaugePosition);
    QObject::connect(&session, &RemoteSession::timeTextChanged, &lamps, &LampWindow::setTimeText);
    QObject::connect(&session, &RemoteSession::ledsUnlinked, &lamps, &LampWindow::hideLeds);
    QObject::connect(&session, &RemoteSession::panelUnlinked, &panel, &QWidget::close);
    panel.logic().setSession(&session);
}

}  // namespace panels
