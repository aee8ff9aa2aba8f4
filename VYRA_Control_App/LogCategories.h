#pragma once

#include <QLoggingCategory>

// The application's log channels, one per area. Qt's message handler (LoggerConfig::InstallQtMessageHandler)
// hands each message to the framework logger under "Qt." followed by the category, so the console and the log
// file show who spoke ("[Qt.vyra.seats]"), and a configuration can set one area's level alone
// ("log4cplus.logger.Qt.vyra.seats=DEBUG"). Qt's own rules work as well:
// QT_LOGGING_RULES="vyra.media.debug=false".
Q_DECLARE_LOGGING_CATEGORY(lcApp)     // "vyra.app": start-up, shutdown, signals, user settings
Q_DECLARE_LOGGING_CATEGORY(lcFacade)  // "vyra.facade": the object QML talks to
Q_DECLARE_LOGGING_CATEGORY(lcLink)    // "vyra.link": the connection to the unit, messages it refused
Q_DECLARE_LOGGING_CATEGORY(lcUnits)   // "vyra.units": the list of units found on the network
Q_DECLARE_LOGGING_CATEGORY(lcInput)   // "vyra.input": unit data cut, dropped or replaced by a default
Q_DECLARE_LOGGING_CATEGORY(lcSeats)   // "vyra.seats": seat reports and settings
Q_DECLARE_LOGGING_CATEGORY(lcMedia)   // "vyra.media": media list, playback status, posters
Q_DECLARE_LOGGING_CATEGORY(lcLibrary) // "vyra.library": motion code library service sign-in
Q_DECLARE_LOGGING_CATEGORY(lcNetwork) // "vyra.network": the unit's network (Wi-Fi, access point)
