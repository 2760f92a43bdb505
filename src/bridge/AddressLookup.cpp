#include "bridge/AddressLookup.h"

#include <memory>
#include <stdexcept>

#include "bridge/AWSError.h"
#include "bridge/CurlLibrary.h"
#include "bridge/Text.h"

namespace tamsel {
namespace {

// The endpoint answers a dozen bytes; anything past this is not an address, so the
// transfer is cut off instead of being held in memory.
constexpr size_t kMaxBodyBytes = 64 * 1024;

// The value of one piece of a dotted address: ASCII digits only, at most 255. Leading
// zeros do not count towards the length, so "000255" is 255.
std::optional<unsigned> octet(std::string_view piece) {
    if (piece.empty()) return std::nullopt;
    unsigned value = 0;
    for (const char c : piece) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 255) return std::nullopt;
    }
    return value;
}

struct Body {
    std::string bytes;
    bool tooLarge = false;
};

size_t appendBody(char* data, size_t size, size_t count, void* userdata) {
    auto* body = static_cast<Body*>(userdata);
    const size_t length = size * count;
    if (body->bytes.size() + length > kMaxBodyBytes) {
        body->tooLarge = true;
        return 0;  // anything other than `length` makes libcurl abort the transfer
    }
    body->bytes.append(data, length);
    return length;
}

// The shared libcurl. Without it the lookup fails as any lookup can, saying why.
const CurlLibrary& loadedCurl() {
    try {
        return CurlLibrary::shared();
    } catch (const CurlLibrary::LoadError& error) {
        throw AWSError::ipLookupFailed(error.fact());
    } catch (const std::runtime_error& error) {
        throw AWSError::ipLookupFailed(error.what());
    }
}

struct EasyDeleter {
    const CurlLibrary* curl;
    void operator()(CURL* handle) const { curl->easy_cleanup(handle); }
};

}  // namespace

std::optional<std::string> normalizedIPv4(std::string_view text) {
    const std::vector<std::string> pieces = split(text, '.', true);
    if (pieces.size() != 4) return std::nullopt;
    std::string address;
    for (const std::string& piece : pieces) {
        const std::optional<unsigned> value = octet(piece);
        if (!value) return std::nullopt;
        if (!address.empty()) address += '.';
        address += std::to_string(*value);
    }
    return address;
}

std::string addressFromResponse(std::string_view body, const std::optional<std::string>& transportError) {
    const std::string text = isValidUTF8(body) ? trimWhitespaceAndNewlines(body) : std::string();
    // A usable address wins even when the transfer reported an error after it arrived.
    if (std::optional<std::string> address = normalizedIPv4(text)) return *address;
    if (transportError) throw AWSError::ipLookupFailed(*transportError);
    throw AWSError::ipLookupFailed(NotAnAddress{text});
}

std::string lookUpGlobalIPv4(const AddressLookupOptions& options) {
    // libcurl reads 0 as "no limit": the lookup must never wait without one.
    if (options.timeoutMilliseconds <= 0) throw std::invalid_argument("address lookup needs a positive time limit");
    const CurlLibrary& curl = loadedCurl();
    const std::unique_ptr<CURL, EasyDeleter> easy(curl.easy_init(), EasyDeleter{&curl});
    if (!easy) throw AWSError::ipLookupFailed(curl.easy_strerror(CURLE_FAILED_INIT));

    Body body;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CURL* handle = easy.get();
    // Every option matters (a library that ignored the protocol or verification options
    // would send the request less safely), so a refused one ends the lookup.
    CURLcode set = CURLE_OK;
    const auto option = [&set](CURLcode rc) {
        if (set == CURLE_OK) set = rc;
    };
    option(curl.easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer));
    option(curl.easy_setopt(handle, CURLOPT_URL, options.url.c_str()));
    option(curl.easy_setopt(handle, CURLOPT_HTTPGET, 1L));
    // HTTPS only, certificate and host name always verified, no redirects.
    option(curl.easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "https"));
    option(curl.easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L));
    option(curl.easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L));
    if (!options.caFile.empty()) option(curl.easy_setopt(handle, CURLOPT_CAINFO, options.caFile.c_str()));
    option(curl.easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L));
    // The whole transfer, connection included, is bounded; no signals, since the lookup
    // runs on a worker thread.
    option(curl.easy_setopt(handle, CURLOPT_TIMEOUT_MS, options.timeoutMilliseconds));
    option(curl.easy_setopt(handle, CURLOPT_NOSIGNAL, 1L));
    option(curl.easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBody));
    option(curl.easy_setopt(handle, CURLOPT_WRITEDATA, &body));
    if (set != CURLE_OK) throw AWSError::ipLookupFailed(curl.easy_strerror(set));

    const CURLcode result = curl.easy_perform(handle);
    if (body.tooLarge) {
        throw AWSError::ipLookupFailed(AnswerTooLarge{kMaxBodyBytes / 1024});
    }
    std::optional<std::string> transportError;
    if (result != CURLE_OK) transportError = errorBuffer[0] ? errorBuffer : curl.easy_strerror(result);
    // The HTTP status is not looked at: the body alone says whether an address came back.
    return addressFromResponse(body.bytes, transportError);
}

}  // namespace tamsel
