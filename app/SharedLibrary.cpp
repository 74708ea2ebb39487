#include "SharedLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tagstation {

std::unique_ptr<TSharedLibrary> TSharedLibrary::Open(const std::string& name)
{
#ifdef _WIN32
    void* handle = reinterpret_cast<void*>(LoadLibraryA(name.c_str()));
#else
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    if (!handle) return nullptr;
    return std::make_unique<TSharedLibrary>(TKey{}, handle);
}

TSharedLibrary::~TSharedLibrary()
{
#ifdef _WIN32
    FreeLibrary(reinterpret_cast<HMODULE>(FHandle));
#else
    dlclose(FHandle);
#endif
}

void* TSharedLibrary::Symbol(const char* name) const
{
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(FHandle), name));
#else
    return dlsym(FHandle, name);
#endif
}

}  // namespace tagstation
