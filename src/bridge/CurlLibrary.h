#pragma once
// libcurl, loaded when the first address lookup needs it rather than at start: the
// library and its TLS, Kerberos and LDAP dependencies add about 5 MiB to the resident
// size of a tray app that may never make a locked start.

#include <stdexcept>
#include <string>

#include <curl/curl.h>

#include "bridge/FailureFact.h"

namespace tamsel {

struct CurlLibrary {
    // The library could not be loaded (LibraryNotLoaded) or lacks a function (SymbolMissing).
    class LoadError : public std::runtime_error {
    public:
        explicit LoadError(FailureFact fact);
        const FailureFact& fact() const noexcept { return fact_; }

    private:
        FailureFact fact_;
    };

    CURLcode (*global_init)(long flags) = nullptr;
    CURL* (*easy_init)() = nullptr;
    CURLcode (*easy_setopt)(CURL* handle, CURLoption option, ...) = nullptr;
    CURLcode (*easy_perform)(CURL* handle) = nullptr;
    void (*easy_cleanup)(CURL* handle) = nullptr;
    const char* (*easy_strerror)(CURLcode code) = nullptr;

    // The process's libcurl ("libcurl.so.4"), loaded and set up (curl_global_init) on the
    // first call, from any thread; later calls return the same library. Throws
    // LoadError, on this and every later call, when it cannot be loaded or lacks one of the
    // functions above, and std::runtime_error with libcurl's text when it fails to set up.
    static const CurlLibrary& shared();

    // Loads the library of `fileName` and resolves the functions, without setting it up.
    // Throws LoadError naming the file and what went wrong. The library
    // stays loaded for the life of the process.
    static CurlLibrary load(const std::string& fileName);
};

}  // namespace tamsel
