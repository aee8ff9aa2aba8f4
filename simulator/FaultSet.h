#pragma once

#include <string>

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "UnitState.h"

namespace Ulmar {
namespace Simulator {

// The protocol rules a unit breaks on purpose, to show what a checker reports.
class FaultSet
{
public:
    // Every fault a unit can be given, each with what it breaks.
    static const QList<QPair<QString, QString>>& names();

    explicit FaultSet(QStringList faults = QStringList());

    // The body of a message of `type` as the faulty unit sends it, given the unit's state at sending time;
    // false when it sends nothing. isAnswer: the message answers a request (not a notification).
    bool apply(const std::string& type, std::string& body, bool isAnswer, const UnitState& state) const;
    // Faults that change how a command is applied rather than what is sent.
    bool has(const QString& name) const;

private:
    QStringList m_faults;
};

} // namespace Simulator
} // namespace Ulmar
