#pragma once

#include <QLoggingCategory>

// One category for the whole messaging layer: its debug lines can be silenced with
// QT_LOGGING_RULES="ulmar.messaging.debug=false".
Q_DECLARE_LOGGING_CATEGORY(lcMessaging)
