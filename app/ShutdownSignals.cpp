#include "ShutdownSignals.h"

#include <QSocketNotifier>
#include <stdexcept>

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#endif

namespace tagstation {

#ifdef _WIN32

// Windows ends a GUI program's session through its window messages, which
// Qt turns into the session manager's signals.
TShutdownSignals::TShutdownSignals(QObject* parent) : QObject(parent) {}
TShutdownSignals::~TShutdownSignals() = default;
void TShutdownSignals::Read() {}

#else

namespace {

constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler can reach nothing but static state: the pipe's two ends.
int SignalPipe[2] = {-1, -1};

void WriteToPipe(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

void Handle(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : HandledSignals) ::sigaction(signalNumber, &action, nullptr);
}

}  // namespace

TShutdownSignals::TShutdownSignals(QObject* parent) : QObject(parent)
{
    if (SignalPipe[0] >= 0) throw std::logic_error("shutdown signals are handled already");
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0)
        throw std::runtime_error("no pipe for the shutdown signals");
    FNotifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TShutdownSignals::Read);
    Handle(WriteToPipe);
}

TShutdownSignals::~TShutdownSignals()
{
    Handle(SIG_DFL);
    delete FNotifier;
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
}

void TShutdownSignals::Read()
{
    unsigned char byte = 0;
    if (::read(SignalPipe[0], &byte, 1) != 1) return;
    Handle(SIG_DFL);
    emit Received(byte);
}

#endif

}  // namespace tagstation
