#include "fmtest.h"
#include "platformservices.h"
#include "startup.h"

#include <QApplication>

// No application display name is set: platforms append it to every window
// caption, which already starts with the tool's title (ui::ApplicationTitle()).
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    startup::SetUpApplication();

    ui::SystemServices services;
    fmTest window(services);
    window.load();
    startup::PlaceOnScreen(window, window);
    window.show();
    // Once the window is up, so that a refusal's message stands over it.
    QMetaObject::invokeMethod(
        &window, [&] { window.openArguments(QApplication::arguments().mid(1)); },
        Qt::QueuedConnection);
    return app.exec();
}
