// A store of workbook files kept inside the program, looked up by name.
// When an adapter has a store, opening a file takes its bytes from the store
// instead of the disk.
#pragma once

#include <string>

#include "base/UXlsBytes.h"

namespace xls {

class TXlsBaseTemplateStore {
public:
    virtual ~TXlsBaseTemplateStore();

    // The stored bytes of the file Name; raises when there is none.
    virtual TBytes GetStoredFile(const std::string& Name) = 0;
};

}  // namespace xls
