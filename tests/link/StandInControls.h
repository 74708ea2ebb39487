// The test's side of the stand-in D2XX library: reaches the copy of the
// library that the station's loader has loaded.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace linktest {

class TStandInControls {
public:
    // The stand-in library by its file name; it must be loaded already.
    explicit TStandInControls(const std::string& libraryName);

    void PutTag(const std::array<std::uint8_t, 4>& uid) const;
    void TakeTag() const;
    void Unplug() const;
    void Plug() const;
    // Every D2XX call since the last time, one line each.
    std::string TakeTranscript() const;

private:
    void* Symbol(const char* name) const;
    template <typename TFunction>
    TFunction Call(const char* name) const;

    void* FLibrary;
};

}  // namespace linktest
