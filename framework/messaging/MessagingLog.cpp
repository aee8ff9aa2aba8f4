#include "MessagingLog.h"

Q_LOGGING_CATEGORY(lcMessaging, "ulmar.messaging")
