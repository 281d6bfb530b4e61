#include "window/window_display.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "window/main_window.h"
#include "window/shown_text.h"

namespace kestrel {
namespace {

constexpr int kMaxFlashSeconds = 32;

}  // namespace

WindowDisplay::WindowDisplay(MainWindow& window) : window_(window) {}

void WindowDisplay::ShowMessage(const std::string& text) {
    if (window_.Ending()) return;
    if (messageHook) {
        messageHook(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kestrel"), ShownMessage(text),
                    QMessageBox::Ok, &window_);
    box.setObjectName(QStringLiteral("msgbox"));
    Run(box);
}

int WindowDisplay::Run(QDialog& dialog) {
    if (window_.Ending()) return QDialog::Rejected;
    dialog.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    window_.HoldInput(true);
    open_.emplace_back(&dialog);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    loop.exec(QEventLoop::DialogExec);
    open_.pop_back();
    window_.HoldInput(false);
    return window_.Ending() ? QDialog::Rejected : dialog.result();
}

void WindowDisplay::RaiseOpenDialog() {
    if (open_.empty() || !open_.back()) return;
    // After the window system has finished activating the window.
    QTimer::singleShot(0, open_.back(), [dialog = open_.back()] {
        if (dialog->isVisible()) {
            dialog->raise();
            dialog->activateWindow();
        }
    });
}

void WindowDisplay::Flash(const QString& text, int milliseconds) {
    window_.statusLabel->setText(text);
    window_.statusLabel->setVisible(true);
    for (int i = 0; i < 2; ++i) {
        if (beep)
            beep();
        else
            QApplication::beep();
    }
    Delay(milliseconds);
    window_.statusLabel->setVisible(false);
}

void WindowDisplay::ShowStatus(const std::string& text, int seconds) {
    // 0 means one second; seconds outside 0..32 are held to that range.
    seconds = std::clamp(seconds, 0, kMaxFlashSeconds);
    Flash(ShownMessage(text), seconds == 0 ? 1000 : seconds * 1000);
}

void WindowDisplay::ShowValueError() {
    Flash(QStringLiteral("Value Error"), 1000);
}

void WindowDisplay::Delay(int milliseconds) {
    if (delayHook) delayHook(milliseconds);
    const double scaled = std::max(1.0, std::round(std::max(milliseconds, 1) * timeScale));
    // One timer serves every wait: a wait started inside another restarts it,
    // and both end at its first tick (its handler stops it).
    QTimer* timer = window_.delayTimer;
    timer->stop();
    if (window_.Ending()) return;
    timer->setInterval(static_cast<int>(std::min(scaled, 32767.0)));
    timer->start();
    while (timer->isActive() && !window_.Ending()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void WindowDisplay::EndWaits() {
    window_.delayTimer->stop();
    // Message boxes and the save dialog run loops of their own.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible()) dialog->reject();
    }
}

}  // namespace kestrel
