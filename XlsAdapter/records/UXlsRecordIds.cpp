#include "records/UXlsRecordIds.h"

#include <algorithm>
#include <iterator>

namespace xls {

namespace {

struct TRecordName {
    std::uint16_t Id;
    std::string_view Name;
};

// A plain array: deducing a std::array of this many elements goes past
// clang's limit for fold expressions.
#define XLS_RECORD_NAME(ident, id, name) TRecordName{id, name},
constexpr TRecordName kRecordNames[] = {XLS_RECORD_IDS(XLS_RECORD_NAME)};
#undef XLS_RECORD_NAME

constexpr bool IsSortedById()
{
    for (std::size_t i = 1; i < std::size(kRecordNames); ++i)
        if (kRecordNames[i - 1].Id >= kRecordNames[i].Id) return false;
    return true;
}
static_assert(IsSortedById(), "record ids must be listed once each, in ascending order");

}  // namespace

std::string_view RecordName(std::uint16_t aId)
{
    const auto end = std::end(kRecordNames);
    auto it = std::lower_bound(std::begin(kRecordNames), end, aId,
                               [](const TRecordName& r, std::uint16_t id) { return r.Id < id; });
    return it != end && it->Id == aId ? it->Name : "?";
}

}  // namespace xls
