#pragma once
// Dialog answers for benchmarks of the window: every question is declined at once, so a
// measured loop never waits on a person.

#include "ui/user_dialogs.h"

#include <QColor>
#include <QDialog>
#include <QUrl>

namespace tavrel::bench {

class SilentDialogs : public ui::UserDialogs {
public:
    std::optional<ui::FileChoice> openFileName(QWidget*, const ui::FileRequest&) override {
        return std::nullopt;
    }
    std::optional<ui::FileChoice> saveFileName(QWidget*, const ui::FileRequest&) override {
        return std::nullopt;
    }
    void error(QWidget*, const QString&, const QString&) override {}
    void information(QWidget*, const QString&, const QString&) override {}
    bool question(QWidget*, const QString&, const QString&) override { return false; }
    std::optional<QColor> chooseColour(QWidget*, const QColor&) override { return std::nullopt; }
    bool choosePrinter(QWidget*, QPrinter&) override { return false; }
    int runModal(QDialog&) override { return QDialog::Rejected; }
    void beep() override {}
    bool openUrl(const QUrl&) override { return false; }
};

} // namespace tavrel::bench
