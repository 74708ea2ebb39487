// The poll cycle over a PC/SC reader (an ACR122U and its kin: a PN532 behind
// a USB CCID interface, or any other contactless reader): a tick finds the
// reader, connects to the card on it, if there is one, and asks for its UID
// with the "get data" command FF CA 00 00 00. The calls answer at once: the
// cycle never waits with events running.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "PcscApi.h"
#include "PollCycle.h"

namespace tagstation {

class TPcscPollCycle final : public TPollCycle {
    Q_OBJECT
public:
    // `readerName`: the first reader whose name contains it (in any case);
    // empty: the first reader.
    TPcscPollCycle(std::unique_ptr<TPcscApi> api, std::string readerName, QObject* parent = nullptr);

    bool LinkOpen() const override { return !FReader.empty(); }
    QString AbsentTitle() const override;

protected:
    void Step() override;
    void CloseLink() override;

private:
    bool EnsureContext();
    // The reader to use, empty when none is there.
    std::string FindReader();
    void ReadCard();
    void SetReader(const std::string& reader);
    // Logs a call's failure once, until its status changes.
    void LogStatus(const char* call, TScardStatus status);
    void ReleaseContext();

    std::unique_ptr<TPcscApi> FApi;
    std::string FReaderName;
    TPcscApi::TContext FContext = 0;
    bool FHasContext = false;
    std::string FReader;
    std::map<std::string, TScardStatus> FLastStatus;
};

}  // namespace tagstation
