// Loading libcurl on first use: what the user is told when it cannot be loaded.

#include <gtest/gtest.h>

#include <stdexcept>

#include "bridge/CurlLibrary.h"

namespace tamsel {
namespace {

std::string loadFailure(const std::string& fileName) {
    try {
        CurlLibrary::load(fileName);
        ADD_FAILURE() << fileName << " loaded";
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return {};
}

TEST(CurlLibrary, MissingOrForeignLibraryIsAnErrorNamingIt) {
    const std::string missing = loadFailure("libcurl-missing.so.4");
    EXPECT_EQ(missing.rfind("libcurl-missing.so.4 を読み込めません: ", 0), 0u) << missing;

    // A library that loads but is not libcurl.
    EXPECT_EQ(loadFailure("libm.so.6"), "libm.so.6 に curl_global_init がありません");
}

TEST(CurlLibrary, SystemLibraryHasEveryFunction) {
    const CurlLibrary curl = CurlLibrary::load("libcurl.so.4");
    EXPECT_TRUE(curl.global_init && curl.easy_init && curl.easy_setopt && curl.easy_perform && curl.easy_cleanup &&
                curl.easy_strerror);
    EXPECT_STREQ(curl.easy_strerror(CURLE_OK), "No error");
}

}  // namespace
}  // namespace tamsel
