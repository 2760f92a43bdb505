// Reading the instance query's output into records: defaults, filtering, shape errors.

#include <gtest/gtest.h>

#include <random>

#include <nlohmann/json.hpp>

#include "bridge/AWSError.h"
#include "bridge/Collation.h"
#include "bridge/EC2Instance.h"
#include "support/FailurePrinting.h"
#include "support/PlainInstanceReading.h"
#include "bridge/JSONDocument.h"

namespace tamsel {

void PrintTo(const SecurityGroup& g, std::ostream* os) { *os << "{" << g.id << "|" << g.name << "}"; }
void PrintTo(const EC2Instance& i, std::ostream* os) {
    *os << "{" << i.id << "|" << i.name << "|" << i.state << "|" << i.type << "|"
        << testing::PrintToString(i.securityGroups) << "|" << testing::PrintToString(i.publicIPv4) << "|"
        << testing::PrintToString(i.privateIPv4) << "}";
}

namespace {

std::vector<EC2Instance> parse(std::string_view json) { return parseInstances(json, Collation("en_US.UTF-8")); }

std::vector<std::string> ids(const std::vector<EC2Instance>& instances) {
    std::vector<std::string> out;
    for (const EC2Instance& i : instances) out.push_back(i.id);
    return out;
}

TEST(ParseInstancesTest, ReadsEveryFieldAndKeepsGroupOrder) {
    const auto instances = parse(R"([{"id":"i-1","state":"running","type":"t3.micro","name":"web",
        "sgs":[{"id":"sg-2","name":"ssh"},{"id":"sg-1","name":""}],
        "publicIp":"54.214.191.68","privateIp":"10.250.18.182"}])");
    ASSERT_EQ(instances.size(), 1u);
    const EC2Instance expected{"i-1",           "web",          "running", "t3.micro", {{"sg-2", "ssh"}, {"sg-1", ""}},
                               "54.214.191.68", "10.250.18.182"};
    EXPECT_EQ(instances[0], expected);
    EXPECT_EQ(instances[0].securityGroups[0].displayName(), "ssh (sg-2)");
    EXPECT_EQ(instances[0].securityGroups[1].displayName(), "sg-1");
}

TEST(ParseInstancesTest, EmptyArrayIsNoInstances) { EXPECT_TRUE(parse("[]").empty()); }

TEST(ParseInstancesTest, MissingOrWronglyTypedFieldsTakeDefaults) {
    const auto instances = parse(R"([
        {},
        {"id":7,"name":null,"state":true,"type":["t3"],"sgs":{"id":"sg-1"},"publicIp":null,"privateIp":167772161},
        {"id":"i-3","sgs":[{"id":5,"name":null},{}],"publicIp":["54.1.2.3"],"privateIp":{"ip":"10.0.0.1"}},
        {"id":"i-4","state":"stopped","privateIp":"10.0.0.4"}
    ])");
    ASSERT_EQ(instances.size(), 4u);
    // The two without an id or name sort first (empty key), in input order.
    EXPECT_EQ(instances[0], (EC2Instance{"", "", "unknown", "", {}}));
    EXPECT_EQ(instances[1], (EC2Instance{"", "", "unknown", "", {}}));
    EXPECT_EQ(instances[2], (EC2Instance{"i-3", "", "unknown", "", {{"", ""}, {"", ""}}}));
    // A stopped instance keeps its private address and has no public one.
    EXPECT_EQ(instances[3], (EC2Instance{"i-4", "", "stopped", "", {}, std::nullopt, "10.0.0.4"}));
}

TEST(ParseInstancesTest, UnnamedInstanceKeepsItsGroups) {
    const auto instances = parse(R"([{"id":"i-9","state":"stopped","name":null,"sgs":[{"id":"sg-1","name":"web"}]}])");
    ASSERT_EQ(instances.size(), 1u);
    EXPECT_EQ(instances[0].name, "");
    EXPECT_EQ(instances[0].sortKey(), "i-9");
    EXPECT_EQ(instances[0].securityGroups, (std::vector<SecurityGroup>{{"sg-1", "web"}}));
}

TEST(ParseInstancesTest, GroupsCountOnlyAsAnArrayOfObjects) {
    const auto instances = parse(R"([
        {"id":"i-1","sgs":null},
        {"id":"i-2","sgs":[{"id":"sg-1","name":"a"},"sg-2"]},
        {"id":"i-3","sgs":"sg-3"},
        {"id":"i-4","sgs":[]}
    ])");
    ASSERT_EQ(instances.size(), 4u);
    for (const EC2Instance& i : instances) EXPECT_TRUE(i.securityGroups.empty()) << i.id;
}

TEST(ParseInstancesTest, DropsExactlyTerminated) {
    const auto instances = parse(R"([
        {"id":"i-1","state":"terminated"},
        {"id":"i-2","state":"shutting-down"},
        {"id":"i-3","state":"Terminated"},
        {"id":"i-4"},
        {"id":"i-5","state":"terminated "}
    ])");
    EXPECT_EQ(ids(instances), (std::vector<std::string>{"i-2", "i-3", "i-4", "i-5"}));
    EXPECT_EQ(instances[2].state, "unknown");
}

TEST(ParseInstancesTest, WrongShapeIsAnUnexpectedResponse) {
    for (const char* json : {R"({"id":"i-1"})", R"([{"id":"i-1"},3])", R"([[]])", R"([{"id":"i-1"},null])", R"({})"}) {
        try {
            parse(json);
            ADD_FAILURE() << "accepted " << json;
        } catch (const AWSError& error) {
            EXPECT_EQ(error, AWSError::failed(UnexpectedShape{})) << json;
        }
    }
}

TEST(ParseInstancesTest, TextThatIsNotADocumentIsAParseError) {
    for (const char* text :
         {"", "not json", "[{\"id\":\"i-1\"}", "null", "3", "\"i-1\"", "true", "[] trailing", "[{\"id\":\"i-1\",}]"}) {
        EXPECT_THROW(parse(text), nlohmann::json::parse_error) << text;
    }
}

TEST(ParseInstancesTest, RepeatedKeysTakeTheLastValue) {
    const auto instances = parse(R"([
        {"id":"i-1","id":"i-2","name":"a","name":null,"state":"running","state":5},
        {"id":"i-3","sgs":[{"id":"sg-1"}],"sgs":[{"id":"sg-2","id":3}]},
        {"id":"i-4","state":"running","state":"terminated"},
        {"id":"i-5","publicIp":"54.1.2.3","publicIp":null,"privateIp":7,"privateIp":"10.0.0.5"}
    ])");
    EXPECT_EQ(instances, (std::vector<EC2Instance>{{"i-2", "", "unknown", "", {}},
                                                   {"i-3", "", "unknown", "", {{"", ""}}},
                                                   {"i-5", "", "unknown", "", {}, std::nullopt, "10.0.0.5"}}));
}

// Random listings, mostly of the right shape, with every kind of value in every place.
class ListingGenerator {
public:
    explicit ListingGenerator(unsigned seed) : random_(seed) {}

    nlohmann::json listing() {
        if (chance(5)) return value(2);
        nlohmann::json list = nlohmann::json::array();
        for (int i = pick(5); i > 0; --i) list.push_back(chance(8) ? value(2) : instance());
        return list;
    }

private:
    bool chance(int oneIn) { return random_() % static_cast<unsigned>(oneIn) == 0; }
    int pick(int below) { return static_cast<int>(random_() % static_cast<unsigned>(below)); }

    nlohmann::json text() {
        static const char* const kTexts[] = {"i-1",     "i-2", "web",      "Web",     "terminated",
                                             "running", "",    "サーバー", "10.0.0.1"};
        return kTexts[pick(9)];
    }

    nlohmann::json value(int depth) {
        switch (pick(depth > 0 ? 8 : 6)) {
            case 0: return nullptr;
            case 1: return true;
            case 2: return -3;
            case 3: return 2.5;
            case 4:
            case 5: return text();
            case 6: {
                nlohmann::json array = nlohmann::json::array();
                for (int i = pick(3); i > 0; --i) array.push_back(chance(2) ? group(depth - 1) : value(depth - 1));
                return array;
            }
            default: return group(depth - 1);
        }
    }

    nlohmann::json group(int depth) {
        nlohmann::json object = nlohmann::json::object();
        for (const char* key : {"id", "name", "other"}) {
            if (!chance(4)) object[key] = chance(4) ? value(depth) : text();
        }
        return object;
    }

    nlohmann::json instance() {
        nlohmann::json object = nlohmann::json::object();
        for (const char* key : {"id", "name", "state", "type", "publicIp", "privateIp", "launchTime", "other"}) {
            if (!chance(5)) object[key] = chance(4) ? value(2) : text();
        }
        if (!chance(5)) {
            nlohmann::json sgs = nlohmann::json::array();
            for (int i = pick(4); i > 0; --i) sgs.push_back(chance(6) ? value(2) : group(2));
            object["sgs"] = chance(6) ? value(2) : sgs;
        }
        return object;
    }

    std::mt19937 random_;
};

TEST(ParseInstancesTest, ReadsAsTheWholeDocumentWould) {
    const Collation collation("en_US.UTF-8");
    ListingGenerator generator(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text = generator.listing().dump();
        if (round % 10 == 0) text.pop_back();  // now cut short: a parse error either way
        std::string expected, actual;
        try {
            expected = testing::PrintToString(test::readThroughDocument(text, collation));
        } catch (const std::exception& error) {
            expected = std::string("throws ") + typeid(error).name() + ": " + error.what();
        }
        try {
            actual = testing::PrintToString(parseInstances(text, collation));
        } catch (const std::exception& error) {
            actual = std::string("throws ") + typeid(error).name() + ": " + error.what();
        }
        ASSERT_EQ(actual, expected) << text;
    }
}

}  // namespace
}  // namespace tamsel
