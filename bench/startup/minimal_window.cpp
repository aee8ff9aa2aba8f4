// The reference for the start-up benchmark: the smallest Quick Controls 2 window,
// Material dark like the application, started the same way.
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QQuickStyle::setStyle("Material");
    QQmlApplicationEngine engine;
    engine.loadData(R"(
        import QtQuick 2.12
        import QtQuick.Controls 2.12
        import QtQuick.Controls.Material 2.12
        ApplicationWindow {
            visible: true
            width: 1280
            height: 800
            Material.theme: Material.Dark
            Label { objectName: "hello"; anchors.centerIn: parent; text: "Hello" }
        })");
    if (engine.rootObjects().isEmpty())
        return 1;
    return app.exec();
}
