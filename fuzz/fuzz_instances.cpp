// The instance listing's JSON into records. Any input either gives records or throws the
// parser's error or AWSError; nothing else, no crash, no undefined behaviour. The records
// are checked against a plain reading of the whole document (the event reader must give
// the same), and no terminated instance may be among them.

#include <algorithm>
#include <typeinfo>

#include <nlohmann/json.hpp>

#include "FuzzCheck.h"
#include "bridge/AWSError.h"
#include "bridge/Collation.h"
#include "bridge/EC2Instance.h"
#include "bridge/JSONDocument.h"

namespace {

using tamsel::EC2Instance;

// The listing read the plain way: the whole document first, then its fields.
std::vector<EC2Instance> readThroughDocument(std::string_view text, const tamsel::Collation& collation) {
    const nlohmann::json document = tamsel::parseJSONDocument(text);
    if (!document.is_array()) throw tamsel::AWSError::failed("想定外のレスポンスです");
    const auto string = [](const nlohmann::json& object, const char* key, const char* fallback) {
        const auto found = object.find(key);
        return found != object.end() && found->is_string() ? found->get<std::string>() : std::string(fallback);
    };
    std::vector<EC2Instance> instances;
    for (const nlohmann::json& element : document) {
        if (!element.is_object()) throw tamsel::AWSError::failed("想定外のレスポンスです");
        EC2Instance instance{string(element, "id", ""), string(element, "name", ""),
                             string(element, "state", "unknown"), string(element, "type", ""), {}};
        const auto sgs = element.find("sgs");
        if (sgs != element.end() && sgs->is_array() &&
            std::all_of(sgs->begin(), sgs->end(), [](const nlohmann::json& g) { return g.is_object(); })) {
            for (const nlohmann::json& g : *sgs) {
                instance.securityGroups.push_back({string(g, "id", ""), string(g, "name", "")});
            }
        }
        if (instance.state != "terminated") instances.push_back(std::move(instance));
    }
    std::stable_sort(instances.begin(), instances.end(), [&](const EC2Instance& a, const EC2Instance& b) {
        return collation.less(a.sortKey(), b.sortKey());
    });
    return instances;
}

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
        FUZZ_CHECK(error.kind() == tamsel::AWSError::Kind::failed);
        result.error = "AWSError: " + error.text();
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const tamsel::Collation collation("en_US");
    const std::string_view text = fuzz::asText(data, size);

    const Outcome read = outcome([&] { return tamsel::parseInstances(text, collation); });
    const Outcome plain = outcome([&] { return readThroughDocument(text, collation); });
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
