#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <QDebug>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QLocale>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPixmap>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTranslator>

#include <boost/filesystem.hpp>
#include <boost/program_options.hpp>

#ifdef _WIN32
#include <winsock2.h>
#endif

#include "ApplicationInfo.h"
#include "ComponentConfigurator.h"
#include "ComponentRepository.h"
#include "CrashHandler.h"
#include "CrashHandlerImpl.h"
#include "CrashReportBox.h"
#include "Facade.h"
#include "GlobalStatus.h"
#include "LibraryServiceSignIn.h"
#include "LogCategories.h"
#include "Logger.h"
#include "LoggerConfig.h"
#include "LoggerConfigLocator.h"
#include "MediaListVirtualModel.h"
#include "Messenger.h"
#include "PosterImageProvider.h"
#include "QAutoDiscoveryComponent.h"
#include "QuitOnSignal.h"
#include "SeatPaneMgr.h"
#include "Settings.h"
#include "ThreadAffineDeleter.h"
#include "UnitAddress.h"
#include "VYRAListModel.h"
#include "ZCommComponent.h"

namespace po = boost::program_options;
using namespace Ulmar;

namespace {

// Loads both component libraries before main, so that their components are in the repository.
struct ComponentExports
{
    ComponentExports()
    {
        UlmarExportQAutoDiscoveryComponent();
        UlmarExportZCommComponent();
    }
} componentExports;

#ifdef _WIN32
struct WindowsSockets
{
    WindowsSockets()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 0), &data);
    }
    ~WindowsSockets() { WSACleanup(); }
} windowsSockets;
#endif

const Logger& mainLogger()
{
    static const Logger logger = Logger::GetInstance("Sonvex.VYRA_Control_App.main");
    return logger;
}

void logComponentResult(Component::Result result, const char* fatalText, const char* configurationText,
                        int line)
{
    if (result == Component::Success)
        return;
    const Logger& logger = mainLogger();
    if (logger.IsEnabledFor(LOG_LEVEL_ERROR))
        logger.Log(LOG_LEVEL_ERROR, result == Component::FatalError ? fatalText : configurationText, __FILE__,
                   line);
}

// Exit code of a start without any display (0: help or normal end, -1: command-line error).
constexpr int kExitNoDisplay = 1;

// Whether Qt will find a display. An explicit platform (QT_QPA_PLATFORM or -platform) is Qt's to judge,
// except the two that plainly need a server that is not named.
bool displayAvailable(int argc, char* argv[])
{
#if defined(_WIN32) || defined(__APPLE__)
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return true;
#else
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.startsWith("xcb"))
        return x11;
    if (platform.startsWith("wayland"))
        return wayland;
    return !platform.isEmpty() || x11 || wayland;
#endif
}

// Fills the variables, the host name and the service name; the exit code when the program must stop (help,
// command-line error).
std::optional<int> parseCommandLine(int argc, char* argv[], po::options_description& description,
                                    po::variables_map& variables, std::string& hostname,
                                    std::string& serviceName)
{
    try {
        description.add_options()(
            "hostname,a", po::value<std::string>(),
            "Hostname used to connect directly to the VYRA. This bypass the auto-discovery process.")(
            "serviceName,s", po::value<std::string>(&serviceName)->default_value("VYRA"),
            "Service name to use in the auto-discovery process. A check is made to see if this service is "
            "broadcast on the LAN.")("help,h", "Show this usage/help display.")(
            "version", "Show the version of this application.");
        po::store(po::command_line_parser(argc, argv)
                      .options(description)
                      .style(po::command_line_style::default_style | po::command_line_style::case_insensitive)
                      .run(),
                  variables);
        if (variables.count("help")) {
            std::cout << description << std::endl;
            return 0;
        }
        if (variables.count("version")) {
            std::cout << ApplicationInfo::Name() << " " << ApplicationInfo::Version() << std::endl;
            return 0;
        }
        po::notify(variables);
        if (variables.count("hostname"))
            hostname = variables["hostname"].as<std::string>();
        // An address that cannot work stops here, before a look-up of a mistyped text leaves the machine
        // every few seconds. An empty host name still means discovery.
        if (!hostname.empty()) {
            const UnitAddress address = UnitAddress::parse(QString::fromLocal8Bit(hostname.c_str()));
            if (!address.isValid())
                throw po::error("the argument ('" + hostname +
                                "') for option '--hostname' is invalid: " + address.errorText());
        }
    } catch (const po::error& error) {
        std::cerr << "Error in command-line: " << error.what() << std::endl
                  << std::endl
                  << description << std::endl;
        return -1;
    }
    return std::nullopt;
}

// Whether English, the language of the untranslated texts, is among the user's preferred languages; the
// C and POSIX locales (containers, remote sessions) ask for no language and get English as well.
bool englishAccepted(const QStringList& uiLanguages)
{
    if (uiLanguages.isEmpty())
        return true;
    for (const QString& language : uiLanguages) {
        const QString bare = language.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
        if (bare.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0 || bare == QLatin1String("C") ||
            bare == QLatin1String("POSIX"))
            return true;
    }
    return false;
}

// A virtual machine, a remote desktop or a headless platform may offer no OpenGL: Qt Quick would abort at
// the first frame. Unless a scene graph backend was chosen explicitly, such a start draws in software.
void chooseSceneGraphBackend()
{
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") || !qEnvironmentVariableIsEmpty("QMLSCENE_DEVICE"))
        return;
    QOpenGLContext context;
    bool usable = context.create();
    if (usable) {
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        usable = surface.isValid() && context.makeCurrent(&surface);
        if (usable)
            context.doneCurrent();
    }
    if (usable)
        return;
    qCInfo(lcApp) << "No OpenGL context could be made: Qt Quick draws with its software renderer.";
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
}

} // namespace

int main(int argc, char* argv[])
{
    // A crashed instance shows its crash box through a fresh process of this program (CrashHandlerImpl).
    if (const char* report = CrashReportBox::requestedReport(argc, argv))
        return CrashReportBox::exec(argc, argv, report);

    // The console log goes to standard output; keep it line by line when that is a pipe or a file too.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);

    ApplicationInfo::Init("VYRA_Control_App", "VYRA_Control_App", "Tavik", "2.1.3.12379", DataFolderUser,
                          argc, argv);

    LoggerConfig::GetInstance().ConfigureFromFile(
        LoggerConfigLocator::find(ApplicationInfo::ExecutableFolder(), "CAlogger.properties"));
    // Qt's message log (progress and diagnostics) goes to the same console and file as the channels.
    LoggerConfig::GetInstance().InstallQtMessageHandler();

    {
        const boost::filesystem::path logs(ApplicationInfo::EstablishPathToDataFile("logs"));
        boost::system::error_code error;
        if (!boost::filesystem::exists(logs, error))
            boost::filesystem::create_directories(logs, error);
        if (error)
            qCWarning(lcApp) << "Could not create the log folder" << QString::fromStdString(logs.string());
    }

    CrashHandler::Configuration crashConfiguration(ApplicationInfo::Name(), ApplicationInfo::DataPath(),
                                                   true);
    CrashHandler::getInstance().configure(crashConfiguration);
    CrashHandler::getInstance().initialize();
    auto crashObserver = std::make_shared<CrashHandlerImpl>();
    CrashHandler::getInstance().addObserver(crashObserver);

    po::options_description description("VYRA Control App Options",
                                        po::options_description::m_default_line_length,
                                        po::options_description::m_default_line_length / 2);
    ComponentConfigurator configurator;

    std::string hostname;
    std::string serviceName;
    po::variables_map variables;
    // Qt aborts without a display: help, a command-line error and this case are answered on the console,
    // before the application object exists.
    if (!displayAvailable(argc, argv)) {
        if (const auto exitCode = parseCommandLine(argc, argv, description, variables, hostname, serviceName))
            return *exitCode;
        std::cerr << "no display found: set DISPLAY or WAYLAND_DISPLAY (a graphical session), or "
                     "QT_QPA_PLATFORM=offscreen"
                  << std::endl;
        return kExitNoDisplay;
    }

    QGuiApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QGuiApplication app(argc, argv);
    QuitOnSignal quitOnSignal;

    QGuiApplication::setApplicationName("Tavik");
    QGuiApplication::setOrganizationDomain("com.tavik.app");
    // Wayland has no window class: the compositor finds the desktop entry (name, icon) by this id.
    QGuiApplication::setDesktopFileName("com.tavik.vyracontrol");

    QQuickStyle::setStyle("Material");

    QTranslator translator;
    qCDebug(lcApp) << "System locale name:" << QLocale::system().name();
    qCDebug(lcApp) << "Preferred languages:";
    for (const QString& language : QLocale::system().uiLanguages())
        qCDebug(lcApp) << " - " << language;
    if (translator.load(QLocale(), "vyraapp", "_", ":/translations")) {
        qCInfo(lcApp) << "Successfully loaded translation.";
        app.installTranslator(&translator);
    } else if (englishAccepted(QLocale::system().uiLanguages())) {
        // Nothing is missing: the texts are written in English.
        qInfo() << "Could not load translation. English is shown, as preferred.";
    } else {
        qCCritical(lcApp) << "Could not load translation.";
    }

    if (const auto exitCode = parseCommandLine(argc, argv, description, variables, hostname, serviceName))
        return *exitCode;

    // PNG, which Qt decodes itself, read without guessing: probing a file's format (an .ico always is)
    // loads every image-format plug-in (TIFF, WebP, MNG...) and their libraries.
    QIcon windowIcon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        QImageReader reader(QStringLiteral(":/Resources/icon/vyra_ca_%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        windowIcon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    QGuiApplication::setWindowIcon(windowIcon);

    auto* posterImageProvider = new PosterImageProvider();
    // Messaging threads share these; whichever lets go last, they die on this thread.
    auto seatPaneMgr = ThreadAffineDeleter::make<SeatPaneMgr>(1000);
    auto globalStatus = ThreadAffineDeleter::make<GlobalStatus>();
    auto facade = ThreadAffineDeleter::make<Facade>(nullptr, posterImageProvider, seatPaneMgr, globalStatus,
                                                    serviceName, hostname);
    auto* settings = new tavik::Settings(nullptr);

    if (!hostname.empty()) {
        for (auto it = ComponentRepository::Begin(), end = ComponentRepository::End(); it != end; ++it) {
            if (std::dynamic_pointer_cast<QAutoDiscoveryComponent>(*it)) {
                ComponentRepository::Remove(*it);
                break;
            }
        }
    }

    logComponentResult(configurator.Init(), "Fatal Error: Failed to initialize Components",
                       "Configuration Error: Failed to initialize Components", __LINE__);
    logComponentResult(configurator.Resume(), "Fatal Error: Failed to resume Components",
                       "Configuration Error: Failed to resume Components", __LINE__);

    chooseSceneGraphBackend();

    qCDebug(lcApp) << "Prepare QML application engine.";
    LibraryServiceSignIn::registerQmlType();
    auto engine = std::make_unique<QQmlApplicationEngine>();
    // Qt.uiLanguage names the catalogue in use (empty when none loaded): the font follows the language
    // shown, which LANGUAGE can set apart from the locale's own name.
    engine->setUiLanguage(translator.language());

    qCDebug(lcApp) << "Add image provider.";
    engine->addImageProvider("posterimageprovider", posterImageProvider);
    // Whether the provider holds a poster or the placeholder, which the page draws in the user's language.
    engine->rootContext()->setContextProperty("poster", posterImageProvider);

    QQmlContext* context = engine->rootContext();
    qCDebug(lcApp) << "Set QML context properties. - "
                   << "api";
    context->setContextProperty("api", facade.get());
    qCDebug(lcApp) << "Set QML context properties. - "
                   << "seatsModel";
    context->setContextProperty("seatsModel", seatPaneMgr.get());
    QObject::connect(seatPaneMgr.get(), &SeatPaneMgr::seatsReleased, engine.get(),
                     &QQmlEngine::collectGarbage);
    qCDebug(lcApp) << "Set QML context properties. - "
                   << "mediaList";
    context->setContextProperty("mediaList", facade->mediaListModel());
    qCDebug(lcApp) << "Set QML context properties. - "
                   << "VYRAList";
    context->setContextProperty("VYRAList", facade->vyraListModel());
    qCDebug(lcApp) << "Set QML context properties. - "
                   << "settings";
    context->setContextProperty("settings", settings);

    qCDebug(lcApp) << "Output" << QLocale() << QLocale::system();

    qCDebug(lcApp) << "Load Main.qml QML file.";
    engine->load(QUrl("qrc:/Main.qml"));

    qCDebug(lcApp) << "Init Facade message observers.";
    facade->initMessageObservers();

    qCDebug(lcApp) << "Start running the main loop of the application.";
    const int result = app.exec();

    // The window is closed: take its objects down now, so that no binding is evaluated again against the
    // Facade released below (each would log a TypeError). The engine drops deleted root objects itself.
    qDeleteAll(engine->rootObjects());

    qCDebug(lcApp) << "Cleanup Facade and SeatPaneMgr.";
    facade.reset();
    seatPaneMgr.reset();
    // What a messaging thread let go of last was handed back here; the messengers end with their owners.
    ThreadAffineDeleter::drainWhile([] { return Messaging::Messenger::instances() > 0; },
                                    std::chrono::seconds(5));

    logComponentResult(configurator.Suspend(), "Fatal Error: Failed to suspend Components",
                       "Configuration Error: Failed to suspend Components", __LINE__);
    logComponentResult(configurator.Shutdown(), "Fatal Error: Failed to shutdown Components",
                       "Configuration Error: Failed to shutdown Components", __LINE__);

    engine.reset();
    delete settings;
    globalStatus.reset();
    return result;
}
