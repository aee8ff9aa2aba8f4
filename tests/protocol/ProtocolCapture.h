#pragma once

// Real traffic between the application and the simulated unit, for the schema test and the fuzz seeds: a
// simulated unit on loopback, the application's Facade connected to it the way "-a host" connects (with a
// query, encrypted), every sender driven once and the unit walked through its whole scenario.

#include <string>
#include <vector>

#include <QString>

struct CapturedMessage
{
    enum Direction
    {
        ToUnit,
        ToApp
    } direction;
    std::string type;
    std::string text;
    std::string body;
};

struct Capture
{
    std::vector<CapturedMessage> messages;
    std::vector<std::string> announcements; // datagrams the unit sent to the discovery port
    std::vector<std::string> queries;       // datagrams the application sent to ask a fixed host for its key
    CapturedMessage hello{CapturedMessage::ToUnit, {}, {}, {}}; // the application's greeting, seen raw
};

// False (reason in `error`) when the exchange could not be completed.
bool captureTraffic(Capture& capture, QString& error);
