// Loading libcurl on first use: what is reported when it cannot be loaded.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>

#include "bridge/CurlLibrary.h"

namespace tamsel {
namespace {

std::optional<FailureFact> loadFailure(const std::string& fileName) {
    try {
        CurlLibrary::load(fileName);
        ADD_FAILURE() << fileName << " loaded";
    } catch (const CurlLibrary::LoadError& error) {
        return error.fact();
    }
    return std::nullopt;
}

TEST(CurlLibrary, MissingOrForeignLibraryIsAnErrorNamingIt) {
    const std::optional<FailureFact> missing = loadFailure("libcurl-missing.so.4");
    ASSERT_TRUE(missing && std::holds_alternative<LibraryNotLoaded>(*missing));
    const auto& notLoaded = std::get<LibraryNotLoaded>(*missing);
    EXPECT_EQ(notLoaded.file, "libcurl-missing.so.4");
    // The loader's own reason names the file too.
    ASSERT_TRUE(notLoaded.reason);
    EXPECT_NE(notLoaded.reason->find("libcurl-missing.so.4"), std::string::npos) << *notLoaded.reason;

    // A library that loads but is not libcurl.
    EXPECT_EQ(loadFailure("libm.so.6"), FailureFact(SymbolMissing{"libm.so.6", "curl_global_init"}));
}

TEST(CurlLibrary, SystemLibraryHasEveryFunction) {
    const CurlLibrary curl = CurlLibrary::load("libcurl.so.4");
    EXPECT_TRUE(curl.global_init && curl.easy_init && curl.easy_setopt && curl.easy_perform && curl.easy_cleanup &&
                curl.easy_strerror);
    EXPECT_STREQ(curl.easy_strerror(CURLE_OK), "No error");
}

}  // namespace
}  // namespace tamsel
