#pragma once
// What every entry of the picture module does first.

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <optional>

namespace tavrel::cli {

// Runs `body` with a QGuiApplication (fonts and image plug-ins need one, a display they do
// not), made here unless the process has one already (a test that loads the module itself).
template <class Body> int withGuiApplication(Body body) {
    int argc = 1;
    char name[] = "tavrel-cli";
    char* argv[] = {name, nullptr};
    std::optional<QGuiApplication> application;
    if (!QCoreApplication::instance()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        application.emplace(argc, argv);
    }
    return body();
}

} // namespace tavrel::cli
