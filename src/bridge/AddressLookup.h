#pragma once
// This machine's public IPv4 address, from an HTTPS endpoint that echoes it.

#include <optional>
#include <string>
#include <string_view>

namespace tamsel {

inline constexpr const char* kAddressLookupURL = "https://checkip.amazonaws.com/";

struct AddressLookupOptions {
    std::string url = kAddressLookupURL;
    std::string caFile;  // empty: the system's trust store
    long timeoutMilliseconds = 10000;
};

// A dotted-decimal IPv4 address: four pieces of digits only (no sign), each at most 255.
// Leading zeros are accepted; the address returned is written in plain decimal
// ("010.1.2.3" gives "10.1.2.3"). Absent when `text` is not such an address.
std::optional<std::string> normalizedIPv4(std::string_view text);

// What one answer of the endpoint yields: `body` (the bytes that arrived, possibly none)
// decoded as UTF-8 and trimmed; when that is an address, the address (normalized), even
// if `transportError` is set. Otherwise throws AWSError::ipLookupFailed with
// `transportError`, or without one with NotAnAddress and the trimmed text.
std::string addressFromResponse(std::string_view body, const std::optional<std::string>& transportError);

// GETs the endpoint (HTTPS only, certificate and host always verified, bounded by
// `timeoutMilliseconds`) and returns the address it answers (trimmed, normalized).
// Throws AWSError::ipLookupFailed with the transport error's text, or with NotAnAddress
// and the trimmed body when the body is not an address (a body over 64 KiB is cut off and
// reported as AnswerTooLarge), or with why libcurl could not be loaded.
std::string lookUpGlobalIPv4(const AddressLookupOptions& options);

}  // namespace tamsel
