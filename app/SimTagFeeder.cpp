#include "SimTagFeeder.h"

#include <QTimer>

#include "SimulatedFt232Driver.h"

namespace tagstation {

TSimTagFeeder::TSimTagFeeder(TSimulatedFt232Driver& reader, QObject* parent)
    : QObject(parent), FReader(reader), FTimer(new QTimer(this))
{
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, &TSimTagFeeder::Step);
    Step();
}

void TSimTagFeeder::Step()
{
    FTagOn = !FTagOn;
    if (FTagOn) {
        const std::uint32_t uid = FNextUid;
        TBytes bytes = {static_cast<std::uint8_t>(uid), static_cast<std::uint8_t>(uid >> 8),
                        static_cast<std::uint8_t>(uid >> 16), static_cast<std::uint8_t>(uid >> 24)};
        // NXP's NTAG UIDs start with their maker code 04.
        if (++FTagsPut % 3 == 0) bytes = {0x04, bytes[0], bytes[1], bytes[2], bytes[3], 0x5C, 0x80};
        FReader.PutTag(bytes);
        FNextUid = FNextUid * 1664525u + 1013904223u;  // the next card in the stack
    } else {
        FReader.TakeTag();
    }
    FTimer->start(FTagOn ? TagOnMs : TagOffMs);
}

}  // namespace tagstation
