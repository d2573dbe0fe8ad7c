#pragma once

// A shared library loaded at the first call of one of its functions rather
// than with the program: the program defines those functions itself (each
// forwarding to the library's own, found by name at its first call), so the
// library and everything it needs cost nothing at start. When the library
// cannot be loaded, each of its functions does nothing and returns a zero
// value (a null pointer, 0, the first value of an enumeration); the caller's
// checks of those results then report the failure.

#include <QString>

#include <type_traits>

namespace orvena::lazylibrary {

using Function = void (*)();

// The function named in the library named fileName (its soname), loading the
// library at the first request; a null when either cannot be found.
Function resolve(const char* fileName, const char* name);

// Whether the library named fileName can be loaded (it is, if it was not).
bool available(const char* fileName);

// Why the library named fileName could not be loaded, as the system says;
// empty when it was.
QString loadError(const char* fileName);

template <class R, class... A> R nothing(A...) {
    if constexpr (!std::is_void_v<R>) return R{};
}

// The function name of fileName as a pointer of type Fn, or one that does
// nothing when it cannot be found.
template <class Fn> struct Typed;
template <class R, class... A> struct Typed<R (*)(A...)> {
    static R (*get(const char* fileName, const char* name))(A...) {
        if (const Function f = resolve(fileName, name)) return reinterpret_cast<R (*)(A...)>(f);
        return &nothing<R, A...>;
    }
};

} // namespace orvena::lazylibrary

// Inside the program's own definition of a library function: the library's
// function of the same name, looked up once.
#define ORVENA_LAZY_CALL(fileName, name)                                                           \
    ([] {                                                                                          \
        static const auto fn =                                                                     \
            ::orvena::lazylibrary::Typed<decltype(&::name)>::get(fileName, #name);                 \
        return fn;                                                                                 \
    }())
