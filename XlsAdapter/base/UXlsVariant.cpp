#include "base/UXlsVariant.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <type_traits>

#include "base/UXlsExceptions.h"
#include "base/UXlsUnicode.h"

namespace xls {

namespace {

template <class T>
constexpr bool kIsInteger = std::is_integral_v<T> && !std::is_same_v<T, bool>;

std::string ShortestText(double d)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, res.ptr);
}

}  // namespace

bool VarIsNumeric(const TXlsVariant& v)
{
    return std::visit(
        [](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            return kIsInteger<T> || std::is_floating_point_v<T> || std::is_same_v<T, TVarCurrency> ||
                   std::is_same_v<T, TVarDate>;
        },
        v);
}

double VarToDouble(const TXlsVariant& v)
{
    return std::visit(
        [&](const auto& x) -> double {
            using T = std::decay_t<decltype(x)>;
            if constexpr (kIsInteger<T> || std::is_floating_point_v<T>) {
                return static_cast<double>(x);
            } else if constexpr (std::is_same_v<T, TVarCurrency>) {
                return static_cast<double>(x.Scaled) / 10000.0;
            } else if constexpr (std::is_same_v<T, TVarDate>) {
                return x.Days;
            } else if constexpr (std::is_same_v<T, bool>) {
                return x ? 1.0 : 0.0;
            } else if constexpr (std::is_same_v<T, TVarEmpty> || std::is_same_v<T, TVarNull>) {
                return 0.0;
            } else if constexpr (std::is_same_v<T, TXlsString>) {
                std::string text = Utf16ToUtf8(x);
                double d = 0;
                auto res = std::from_chars(text.data(), text.data() + text.size(), d);
                if (text.empty() || res.ec != std::errc{} || res.ptr != text.data() + text.size())
                    RaiseXls(TXlsMsg::InvalidCellValue, {text});
                return d;
            } else {
                RaiseXls(TXlsMsg::InvalidCellValue, {Utf16ToUtf8(VarToText(v))});
            }
        },
        v);
}

TXlsString VarToText(const TXlsVariant& v)
{
    return std::visit(
        [](const auto& x) -> TXlsString {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, TXlsString>) {
                return x;
            } else if constexpr (kIsInteger<T>) {
                return Utf8ToUtf16(std::to_string(x));
            } else if constexpr (std::is_floating_point_v<T>) {
                return Utf8ToUtf16(ShortestText(static_cast<double>(x)));
            } else if constexpr (std::is_same_v<T, TVarCurrency>) {
                return Utf8ToUtf16(ShortestText(static_cast<double>(x.Scaled) / 10000.0));
            } else if constexpr (std::is_same_v<T, TVarDate>) {
                return Utf8ToUtf16(ShortestText(x.Days));
            } else if constexpr (std::is_same_v<T, bool>) {
                return x ? u"TRUE" : u"FALSE";
            } else if constexpr (std::is_same_v<T, TVarError>) {
                return Utf8ToUtf16("Error " + std::to_string(x.Code));
            } else {
                return {};
            }
        },
        v);
}

// ---------------------------------------------------------------- error codes

namespace {

struct TErrorCode {
    std::uint8_t Code;
    std::u16string_view Text;
};

constexpr std::array kErrorCodes{
    TErrorCode{0x00, u"#NULL!"}, TErrorCode{0x07, u"#DIV/0!"}, TErrorCode{0x0F, u"#VALUE!"},
    TErrorCode{0x17, u"#REF!"},  TErrorCode{0x1D, u"#NAME?"},  TErrorCode{0x24, u"#NUM!"},
    TErrorCode{0x2A, u"#N/A"},
};

}  // namespace

std::u16string_view ErrorCodeText(std::uint8_t aCode)
{
    for (const auto& e : kErrorCodes)
        if (e.Code == aCode) return e.Text;
    return kErrorCodes[0].Text;
}

bool IsKnownErrorCode(std::uint8_t aCode)
{
    return std::any_of(kErrorCodes.begin(), kErrorCodes.end(), [&](const TErrorCode& e) { return e.Code == aCode; });
}

std::optional<std::uint8_t> ErrorCodeOf(std::u16string_view aText)
{
    for (const auto& e : kErrorCodes)
        if (e.Text == aText) return e.Code;
    return std::nullopt;
}

}  // namespace xls
