// A shared library loaded at run time (dlopen on POSIX, LoadLibrary on
// Windows), so that the station builds and starts without it; closed again
// when the object goes.
#pragma once

#include <cstring>
#include <memory>
#include <string>

namespace tagstation {

class TSharedLibrary {
    struct TKey {
        explicit TKey() = default;
    };

public:
    // Null when the library cannot be loaded.
    static std::unique_ptr<TSharedLibrary> Open(const std::string& name);
    // Only Open makes one (the key is private).
    TSharedLibrary(TKey, void* handle) : FHandle(handle) {}
    ~TSharedLibrary();
    TSharedLibrary(const TSharedLibrary&) = delete;
    TSharedLibrary& operator=(const TSharedLibrary&) = delete;

    // Points `function` at the library's entry point of that name; false when
    // the library has none.
    template <typename TFunction>
    bool Resolve(const char* name, TFunction& function) const
    {
        void* const address = Symbol(name);
        if (!address) return false;
        static_assert(sizeof function == sizeof address);
        std::memcpy(&function, &address, sizeof function);
        return true;
    }

private:
    void* Symbol(const char* name) const;

    void* FHandle;
};

}  // namespace tagstation
