// The instance listing's JSON into records. Any input either gives records or throws the
// parser's error or AWSError; nothing else, no crash, no undefined behaviour. The records
// are checked against a plain reading of the whole document (the event reader must give
// the same, addresses included; the unit test shares that oracle), and no terminated
// instance may be among them.

#include <algorithm>
#include <typeinfo>

#include <nlohmann/json.hpp>

#include "FuzzCheck.h"
#include "bridge/AWSError.h"
#include "bridge/Collation.h"
#include "bridge/EC2Instance.h"
#include "bridge/JSONDocument.h"
#include "support/PlainInstanceReading.h"

namespace {

using tamsel::EC2Instance;

// What one reading gave: the records, or the error it threw (type and text).
struct Outcome {
    std::vector<EC2Instance> instances;
    std::string error;
};

template <typename Read>
Outcome outcome(Read read) {
    Outcome result;
    try {
        result.instances = read();
    } catch (const nlohmann::json::exception& error) {
        result.error = std::string(typeid(error).name()) + ": " + error.what();
    } catch (const tamsel::AWSError& error) {
        FUZZ_CHECK(error == tamsel::AWSError::failed(tamsel::UnexpectedShape{}));
        result.error = "AWSError";
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const tamsel::Collation collation("en_US");
    const std::string_view text = fuzz::asText(data, size);

    const Outcome read = outcome([&] { return tamsel::parseInstances(text, collation); });
    const Outcome plain = outcome([&] { return tamsel::test::readThroughDocument(text, collation); });
    FUZZ_CHECK(read.error == plain.error);
    FUZZ_CHECK(read.instances == plain.instances);

    const std::vector<EC2Instance>& instances = read.instances;
    for (size_t i = 0; i < instances.size(); ++i) {
        FUZZ_CHECK(instances[i].state != "terminated");
        // The parser takes only valid UTF-8 strings.
        FUZZ_CHECK(fuzz::isUTF8(instances[i].sortKey()));
        if (i > 0) FUZZ_CHECK(!collation.less(instances[i].sortKey(), instances[i - 1].sortKey()));
    }
    return 0;
}
