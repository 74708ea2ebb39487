// One poll of the reader per timer tick, behind one interface for the
// window, which owns the cycle: the cycle tells the window's title, its log
// lines and the tags it reads through signals.
//
// A cycle may wait with the window's events running (the FT232 link does),
// so the window's handlers can come while one runs. Ticks that come then are
// skipped, and a close asked for then happens when the cycle ends: a cycle
// never goes on with a closed link.
#pragma once

#include <QObject>
#include <QString>

#include "StationBytes.h"

namespace tagstation {

class TPollCycle : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // One cycle; nothing while a cycle runs or after Close.
    void Tick();
    bool Busy() const { return FBusy; }
    // Closes the link when it is open, at the end of a running cycle; later
    // ticks do nothing.
    void Close();

    virtual bool LinkOpen() const = 0;
    // The window title while no reader is there.
    virtual QString AbsentTitle() const = 0;

signals:
    void TitleChanged(const QString& title);
    void Logged(const QString& line);
    void TagRead(const tagstation::TBytes& uid);

protected:
    virtual void Step() = 0;
    virtual void CloseLink() = 0;

private:
    bool FBusy = false;
    bool FCloseRequested = false;
    bool FClosed = false;
};

}  // namespace tagstation
