// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/termination_signals.h"

#include <QApplication>
#include <QWidget>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// The handler may only write to a descriptor; the GUI thread does the rest.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}
} // namespace

CTerminationSignals::CTerminationSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CTerminationSignals::OnSignal);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

CTerminationSignals::~CTerminationSignals()
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        std::signal(sig, SIG_DFL);
    for (int& fd : g_signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void CTerminationSignals::OnSignal()
{
    char buffer[16];
    while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    // Closing the windows asks about unsaved work; the event loop then ends
    // and main() runs the shut-down steps.
    // Open questions are answered by closing them; then the windows of
    // their own close (a board exchange's progress window, which refuses
    // to close, must not keep the main window from being asked: it
    // cancels the exchange and closes afterwards).
    for (int guard = 0; guard < 16 && QApplication::activeModalWidget(); ++guard)
        if (!QApplication::activeModalWidget()->close())
            break;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->parentWidget())
            w->close();
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return; // the user chose to keep working
    QApplication::quit();
}
