// The signals that end a session's programs (SIGTERM at logout or from
// kill, SIGHUP when the terminal goes, SIGINT from Ctrl+C) as a Qt signal
// on the UI thread, so that the station can close as if its window were
// closed. The handler only writes to a pipe, which the event loop reads.
// After the first of them the default handling is back: a second one ends
// the program at once.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tagstation {

class TShutdownSignals : public QObject {
    Q_OBJECT
public:
    // At most one at a time: the handlers share one pipe.
    explicit TShutdownSignals(QObject* parent = nullptr);
    ~TShutdownSignals() override;
    TShutdownSignals(const TShutdownSignals&) = delete;
    TShutdownSignals& operator=(const TShutdownSignals&) = delete;

signals:
    void Received(int signalNumber);

private:
    void Read();

    QSocketNotifier* FNotifier = nullptr;
};

}  // namespace tagstation
