// vyra_unit_check: tells the maker of a VYRA unit what the unit does against the link protocol
// (docs/protocol.md), as the control application sees it.
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>

#include "SchemaSet.h"
#include "UnitChecker.h"

namespace {

int usage(const QString& message)
{
    std::fprintf(stderr, "vyra_unit_check: %s\nTry --help.\n", qPrintable(message));
    return 2;
}

bool parsePort(const QString& text, quint16* port)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The report is the output: the messaging layer's progress lines would only blur it.
    QLoggingCategory::setFilterRules(QStringLiteral("ulmar.*.debug=false\nulmar.*.info=false"));
    QCoreApplication::setApplicationName(QStringLiteral("vyra_unit_check"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Checks a VYRA unit against the link protocol: connects as the control application does, sends every "
        "state request (and with --commands each command, with the values the unit reported, so nothing "
        "changes), validates every body against the protocol's schemas and checks the timing rules.\n"
        "Exit code: 0 all checks passed, 1 a check failed, 2 usage error or unit not reached.");
    parser.addHelpOption();
    const UnitCheckOptions defaults;
    const QCommandLineOption host(
        "a",
        QString(
            "The unit's host name or address, with :port when not %1 (default: the first unit announced).")
            .arg(defaults.port),
        "host[:port]");
    const QCommandLineOption plain("plain", "With -a: connect without encryption (a plain unit).");
    const QCommandLineOption commands("commands", "Also send every command that leaves the unit as it was.");
    const QCommandLineOption discoveryPort(
        "discovery-port",
        QString("UDP port announcements come to (default: %1).").arg(defaults.discoveryPort), "port");
    const QCommandLineOption service("s", "Service name (default: VYRA).", "name", "VYRA");
    parser.addOptions({host, plain, commands, discoveryPort, service});
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    if (parser.isSet("help")) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usage("unexpected argument " + parser.positionalArguments().first());

    UnitCheckOptions options;
    options.service = parser.value(service);
    options.commands = parser.isSet(commands);
    options.plain = parser.isSet(plain);
    if (parser.isSet(host)) {
        QString text = parser.value(host);
        const int colon = text.lastIndexOf(':');
        if (colon > 0 && text.count(':') == 1) {
            if (!parsePort(text.mid(colon + 1), &options.port))
                return usage("bad port in -a " + text);
            text.truncate(colon);
        }
        if (text.isEmpty())
            return usage("-a needs a host");
        options.host = text;
    } else if (options.plain) {
        return usage("--plain goes with -a: a discovered unit is reached as it announces itself");
    }
    const QString discovery =
        parser.isSet(discoveryPort)
            ? parser.value(discoveryPort)
            : qEnvironmentVariable("VYRA_DISCOVERY_PORT", QString::number(defaults.discoveryPort));
    if (!parsePort(discovery, &options.discoveryPort))
        return usage("bad discovery port " + discovery);

    SchemaSet schemas;
    QString error;
    if (!schemas.load(SchemaSet::builtInFolder(), error))
        return usage(error);

    UnitChecker checker(options, schemas);
    const UnitChecker::Outcome outcome = checker.run();
    if (!checker.unit().isEmpty())
        std::printf("Unit %s\n", qPrintable(checker.unit()));
    std::fputs(qPrintable(checker.report()), stdout);
    if (outcome == UnitChecker::Outcome::Unreachable) {
        std::fprintf(stderr, "vyra_unit_check: %s\n", qPrintable(checker.unreachable()));
        return 2;
    }
    return outcome == UnitChecker::Outcome::Pass ? 0 : 1;
}
