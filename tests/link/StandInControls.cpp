#include "StandInControls.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace linktest {

TStandInControls::TStandInControls(const std::string& libraryName)
{
#ifdef _WIN32
    FLibrary = reinterpret_cast<void*>(GetModuleHandleA(libraryName.c_str()));
#else
    FLibrary = dlopen(libraryName.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (FLibrary) dlclose(FLibrary);  // the loader's reference keeps it
#endif
    if (!FLibrary) throw std::runtime_error(libraryName + " is not loaded");
}

void* TStandInControls::Symbol(const char* name) const
{
#ifdef _WIN32
    void* address = reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(FLibrary), name));
#else
    void* address = dlsym(FLibrary, name);
#endif
    if (!address) throw std::runtime_error(std::string("the stand-in has no ") + name);
    return address;
}

template <typename TFunction>
TFunction TStandInControls::Call(const char* name) const
{
    void* const address = Symbol(name);
    TFunction function = nullptr;
    static_assert(sizeof function == sizeof address);
    std::memcpy(&function, &address, sizeof function);
    return function;
}

void TStandInControls::PutTag(const std::array<std::uint8_t, 4>& uid) const
{
    Call<void (*)(const unsigned char*)>("StandIn_PutTag")(uid.data());
}

void TStandInControls::TakeTag() const { Call<void (*)()>("StandIn_TakeTag")(); }

void TStandInControls::Unplug() const { Call<void (*)()>("StandIn_Unplug")(); }

void TStandInControls::Plug() const { Call<void (*)()>("StandIn_Plug")(); }

std::string TStandInControls::TakeTranscript() const
{
    const auto take = Call<std::size_t (*)(char*, std::size_t)>("StandIn_TakeTranscript");
    std::vector<char> buffer(1 << 16);
    const std::size_t length = take(buffer.data(), buffer.size());
    if (length >= buffer.size()) throw std::runtime_error("transcript too long");
    return std::string(buffer.data(), length);
}

}  // namespace linktest
