// Puts tags on the simulated reader and takes them off again, so that
// `--reader sim` shows the station at work: a new tag with another UID every
// few seconds, every third one an NTAG with a 7-byte UID.
#pragma once

#include <QObject>
#include <cstdint>

class QTimer;

namespace tagstation {

class TSimulatedFt232Driver;

class TSimTagFeeder : public QObject {
    Q_OBJECT
public:
    static constexpr int TagOnMs = 4000;
    static constexpr int TagOffMs = 2000;

    // The first tag goes on at once.
    TSimTagFeeder(TSimulatedFt232Driver& reader, QObject* parent);

private:
    void Step();

    TSimulatedFt232Driver& FReader;
    QTimer* FTimer;
    std::uint32_t FNextUid = 0xEFBEADDE;  // DE AD BE EF on the wire
    unsigned FTagsPut = 0;
    bool FTagOn = false;
};

}  // namespace tagstation
