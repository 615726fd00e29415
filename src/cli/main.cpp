#include "cli/cli.h"

#include <QString>
#include <QtGlobal>

#include <csignal>
#include <iostream>

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
    return tavrel::cli::run(args, std::cout, std::cerr);
}
