#include "bridge/CurlLibrary.h"

#include <dlfcn.h>

#include <exception>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace tamsel {
namespace {

constexpr const char* kSharedLibrary = "libcurl.so.4";

template <typename Function>
void resolve(void* library, const std::string& fileName, const char* symbol, Function& function) {
    void* address = dlsym(library, symbol);
    if (!address) {
        throw CurlLibrary::LoadError(SymbolMissing{fileName, symbol});
    }
    function = reinterpret_cast<Function>(address);
}

}  // namespace

CurlLibrary::LoadError::LoadError(FailureFact fact)
    : std::runtime_error(std::holds_alternative<SymbolMissing>(fact) ? "libcurl lacks a function"
                                                                     : "libcurl not loaded"),
      fact_(std::move(fact)) {}

CurlLibrary CurlLibrary::load(const std::string& fileName) {
    // RTLD_LOCAL keeps libcurl's symbols out of the global scope. A library that loaded
    // whole is never closed: its TLS libraries register exit handlers.
    void* library = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        throw LoadError(LibraryNotLoaded{fileName, reason ? std::optional<std::string>(reason) : std::nullopt});
    }
    CurlLibrary curl;
    try {
        resolve(library, fileName, "curl_global_init", curl.global_init);
        resolve(library, fileName, "curl_easy_init", curl.easy_init);
        resolve(library, fileName, "curl_easy_setopt", curl.easy_setopt);
        resolve(library, fileName, "curl_easy_perform", curl.easy_perform);
        resolve(library, fileName, "curl_easy_cleanup", curl.easy_cleanup);
        resolve(library, fileName, "curl_easy_strerror", curl.easy_strerror);
    } catch (...) {
        dlclose(library);
        throw;
    }
    return curl;
}

const CurlLibrary& CurlLibrary::shared() {
    static std::once_flag once;
    static CurlLibrary curl;
    static std::exception_ptr failure;
    std::call_once(once, [] {
        try {
            curl = load(kSharedLibrary);
            if (const CURLcode result = curl.global_init(CURL_GLOBAL_DEFAULT); result != CURLE_OK) {
                throw std::runtime_error(curl.easy_strerror(result));
            }
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (failure) std::rethrow_exception(failure);
    return curl;
}

}  // namespace tamsel
