// The old and the new content of a file that the safe-save tests replace.
#pragma once

#include <functional>
#include <string>

#include "base/UXlsExceptions.h"
#include "base/UXlsStreams.h"

namespace safesavetest {

using xls::TBytes;

inline const TBytes kOld(5000, 0x11);
inline const TBytes kNew(70000, 0x22);

inline void WriteNew(xls::TStream& s) { s.Write(kNew.data(), kNew.size()); }

inline std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const xls::EXlsException& e) {
        return e.what();
    }
    return "";
}

}  // namespace safesavetest
