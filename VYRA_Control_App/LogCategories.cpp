#include "LogCategories.h"

Q_LOGGING_CATEGORY(lcApp, "vyra.app")
Q_LOGGING_CATEGORY(lcFacade, "vyra.facade")
Q_LOGGING_CATEGORY(lcLink, "vyra.link")
Q_LOGGING_CATEGORY(lcUnits, "vyra.units")
Q_LOGGING_CATEGORY(lcInput, "vyra.input")
Q_LOGGING_CATEGORY(lcSeats, "vyra.seats")
Q_LOGGING_CATEGORY(lcMedia, "vyra.media")
Q_LOGGING_CATEGORY(lcLibrary, "vyra.library")
Q_LOGGING_CATEGORY(lcNetwork, "vyra.network")
