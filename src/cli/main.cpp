#include "cli/cli.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <csignal>

#include <cstdlib>
#include <iostream>
#include <optional>

namespace {
// Qt's own notes (an unset runtime folder of the offscreen platform, say) are not the command's
// output; only fatal messages get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) std::cerr << "tavrel-cli: " << text.toStdString() << "\n";
}
} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Over a file-size limit a write fails with EFBIG, which the writers report, instead of the
    // signal ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    qInstallMessageHandler(quietQtMessages);
    // Pictures are drawn off screen; fonts need a GUI application object but no display. The
    // other commands draw nothing and start without a platform, which would cost them most of
    // their time.
    std::optional<QCoreApplication> core;
    std::optional<QGuiApplication> gui;
    if (!args.empty() && args[0] == "render") {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        gui.emplace(argc, argv);
    } else {
        core.emplace(argc, argv);
    }
    return tavrel::cli::run(args, std::cout, std::cerr);
}
