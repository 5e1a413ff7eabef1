#pragma once

#include <QtGlobal>

namespace core {

// Qt's own event dispatcher instead of GLib's: while linked the local line
// wakes the loop about 2000 times a second, and each GLib turn costs
// noticeably more. Call before the application object exists; a QT_NO_GLIB
// set by the user wins.
inline void useQtEventDispatcher()
{
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
}

}  // namespace core
